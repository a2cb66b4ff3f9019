// TLS against the rig's real servers: STARTTLS and implicit TLS into Postfix, STLS into Dovecot,
// each checked in the server's own log, and certificates that must be refused before a name or
// password leaves the client, with the reason the client then tells.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_files.h"
#include "tests/vmail/last_error.h"
#include "tests/vmail/rig_session.h"
#include "tests/vmail/vmail_fixture.h"

namespace {

class RigTlsTest : public RigTest {
protected:
    void SetUp() override
    {
        RigTest::SetUp();
        ASSERT_FALSE(env_["RIG_CA_FILE"].empty()) << "the rig offers no TLS";
    }

    // The lines of a server's log that hold every one of the given texts.
    std::vector<std::string> logLines(const std::string& logKey, const std::vector<std::string>& texts) const
    {
        std::ifstream in(rigPath(env_[logKey]), std::ios::binary);
        std::vector<std::string> found;
        std::string line;
        while (std::getline(in, line)) {
            bool all = true;
            for (const std::string& text : texts)
                all = all && line.find(text) != std::string::npos;
            if (all)
                found.push_back(line);
        }
        return found;
    }

    // Waits, bounded, until the log holds more such lines than before; their number then.
    std::size_t waitForMoreLines(const std::string& logKey, const std::vector<std::string>& texts,
                                 std::size_t before) const
    {
        for (int waited = 0; waited < 10000; waited += 100) {
            std::size_t now = logLines(logKey, texts).size();
            if (now > before)
                return now;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return logLines(logKey, texts).size();
    }

    // Logs in with SMTP AUTH on the port and sends one mail, which must be delivered.
    void sendThrough(const std::string& host, const char* portKey, int mechanisms) const
    {
        sendAuthenticated(env_, host, portKey, mechanisms, "", cp932("本文です"));
    }
};

const char kTlsEstablished[] = "TLS connection established from";

}  // namespace

TEST_F(RigTlsTest, StartTlsCarriesEachMechanismAndTheMail)
{
    const std::string service = "postfix/submission/";
    for (int mechanism : {VMAIL_AUTH_CRAM_MD5, VMAIL_AUTH_LOGIN, VMAIL_AUTH_PLAIN}) {
        SCOPED_TRACE(mechanism);
        for (const std::string& host : {env_["RIG_HOST"], env_["RIG_TLS_HOST"]}) {
            SCOPED_TRACE(host);
            const std::size_t before = logLines("RIG_POSTFIX_LOG", {service, kTlsEstablished}).size();
            sendThrough(host, "RIG_SUBMISSION_PORT", mechanism);
            EXPECT_GT(waitForMoreLines("RIG_POSTFIX_LOG", {service, kTlsEstablished}, before), before);
        }
    }
}

TEST_F(RigTlsTest, Port465IsTlsFromTheFirstByte)
{
    const std::string service = "postfix/smtps/";
    const std::size_t before = logLines("RIG_POSTFIX_LOG", {service, kTlsEstablished}).size();
    sendThrough(env_["RIG_HOST"], "RIG_SMTPS_PORT", VMAIL_AUTH_ANY);
    EXPECT_GT(waitForMoreLines("RIG_POSTFIX_LOG", {service, kTlsEstablished}, before), before);
}

TEST_F(RigTlsTest, StlsComesBeforeUserPassAndBeforeApop)
{
    const std::string lip = "lip=" + env_["RIG_HOST"];
    for (int apop : {0, 1}) {
        SCOPED_TRACE(apop);
        const std::vector<std::string> secured = {"Login: user=<" + env_["RIG_USER"] + ">", lip, "TLS"};
        const std::size_t before = logLines("RIG_DOVECOT_LOG", secured).size();
        EXPECT_EQ(pop3Login(env_, env_["RIG_HOST"], env_["RIG_USER"], env_["RIG_PASSWORD"], apop), 1);
        EXPECT_GT(waitForMoreLines("RIG_DOVECOT_LOG", secured, before), before);
    }
}

TEST_F(RigTlsTest, AnUntrustedCertificateEndsTheConnectionBeforeAnyLogin)
{
    const struct {
        const char* what;
        const char* smtpPortKey;
        const char* service;
        const char* pop3HostKey;
        int32_t kind;
        const char* reason;  // UTF-8; "{host}" is the host connected to
    } servers[] = {
        {"another host name", "RIG_BADNAME_PORT", "postfix/badname/", "RIG_POP3_BADNAME_HOST",
         VMAIL_FAILURE_CERT_NAME, "証明書の名前が違います (証明書: other.velmor-rig.test)"},
        // The rig's dates are at noon UTC: the same day in any time zone the tests run in.
        {"expired", "RIG_EXPIRED_PORT", "postfix/expired/", "RIG_POP3_EXPIRED_HOST",
         VMAIL_FAILURE_CERT_DATE, "証明書の期限切れ ({host}, 2021/01/01まで)"},
        {"not yet valid", "RIG_FUTURE_PORT", "postfix/future/", "RIG_POP3_FUTURE_HOST",
         VMAIL_FAILURE_CERT_DATE, "証明書の有効期間前 ({host}, 2040/01/01から)"},
        {"unknown authority", "RIG_UNKNOWNCA_PORT", "postfix/unknownca/", "RIG_POP3_UNKNOWNCA_HOST",
         VMAIL_FAILURE_CERT_UNTRUSTED, "証明書の発行元が信頼されていません (Velmor Mail Rig Untrusted CA)"},
    };
    auto reasonFor = [](const char* reason, const std::string& host) {
        std::string text = reason;
        if (std::size_t at = text.find("{host}"); at != std::string::npos)
            text.replace(at, 6, host);
        return cp932(text);
    };
    for (const auto& server : servers) {
        SCOPED_TRACE(server.what);
        // A name for SMTP, addresses for POP3: the name is matched by the system's policy, an
        // address by the client itself.
        const std::string smtpHost = env_["RIG_TLS_HOST"];
        const std::string smtpReason = reasonFor(server.reason, smtpHost);
        // The server notes every session's commands when it ends; a session that got as far as
        // AUTH shows "auth=" there.
        const std::vector<std::string> ended = {server.service, "disconnect from"};
        const std::size_t seen = logLines("RIG_POSTFIX_LOG", ended).size();
        EXPECT_EQ(VMailSmtpConnectPortNo(smtpHost.c_str(), env_.port(server.smtpPortKey)), -1);
        EXPECT_EQ(lastError(-1).kind, server.kind);
        EXPECT_EQ(lastError(-1).line, smtpReason);
        // The one-call send takes the same way in.
        vmail::options().plainSmtpPort = env_.port(server.smtpPortKey);
        EXPECT_EQ(VMailSmtpSendMail(smtpHost.c_str(), env_["RIG_RECIPIENT"].c_str(), nullptr,
                                    nullptr, env_["RIG_ADDRESS"].c_str(), "s", "b",
                                    "X-Mailer: VelmorMail", nullptr, 0),
                  -1);
        EXPECT_EQ(lastSendError().kind, server.kind);
        EXPECT_EQ(lastSendError().line, smtpReason);
        EXPECT_GE(waitForMoreLines("RIG_POSTFIX_LOG", ended, seen + 1), seen + 2);
        EXPECT_TRUE(logLines("RIG_POSTFIX_LOG", {server.service, "sasl_"}).empty());
        EXPECT_TRUE(logLines("RIG_POSTFIX_LOG", {server.service, "authentication failed"}).empty());
        EXPECT_TRUE(logLines("RIG_POSTFIX_LOG", {server.service, "from="}).empty());
        EXPECT_TRUE(logLines("RIG_POSTFIX_LOG", {server.service, " auth="}).empty());

        const std::string host = env_[server.pop3HostKey];
        const std::string lip = "lip=" + host;
        const std::size_t before = logLines("RIG_DOVECOT_LOG", {lip}).size();
        EXPECT_EQ(VMailPop3ConnectPortNo(host.c_str(), env_.port("RIG_POP3_PORT")), -1);
        EXPECT_EQ(lastError(-1).kind, server.kind);
        EXPECT_EQ(lastError(-1).line, reasonFor(server.reason, host));
        EXPECT_GT(waitForMoreLines("RIG_DOVECOT_LOG", {lip}, before), before);
        EXPECT_TRUE(logLines("RIG_DOVECOT_LOG", {lip + ",", "Login: "}).empty());
        EXPECT_TRUE(logLines("RIG_DOVECOT_LOG", {lip + ",", "auth failed"}).empty());
        EXPECT_TRUE(logLines("RIG_DOVECOT_LOG", {lip + ",", "client in: AUTH"}).empty());
        EXPECT_FALSE(logLines("RIG_DOVECOT_LOG", {lip + ",", "no auth attempts"}).empty());
    }
}

TEST_F(RigTlsTest, ServersWithoutTlsAreStillUsedInTheClear)
{
    const std::vector<std::string> plainSession = {"postfix/plain-submission/", "disconnect from"};
    const std::size_t sessions = logLines("RIG_POSTFIX_LOG", plainSession).size();
    sendThrough(env_["RIG_HOST"], "RIG_PLAIN_SUBMISSION_PORT", VMAIL_AUTH_ANY);
    ASSERT_GT(waitForMoreLines("RIG_POSTFIX_LOG", plainSession, sessions), sessions);
    EXPECT_EQ(logLines("RIG_POSTFIX_LOG", plainSession).back().find("starttls"), std::string::npos);
    EXPECT_TRUE(logLines("RIG_POSTFIX_LOG", {"postfix/plain-submission/", kTlsEstablished}).empty());

    const std::string host = env_["RIG_POP3_PLAIN_HOST"];
    const std::vector<std::string> clear = {"Login: user=<" + env_["RIG_USER"] + ">", "lip=" + host};
    const std::size_t before = logLines("RIG_DOVECOT_LOG", clear).size();
    EXPECT_EQ(pop3Login(env_, host, env_["RIG_USER"], env_["RIG_PASSWORD"], 0), 1);
    ASSERT_GT(waitForMoreLines("RIG_DOVECOT_LOG", clear, before), before);
    EXPECT_EQ(logLines("RIG_DOVECOT_LOG", clear).back().find("TLS"), std::string::npos);
}
