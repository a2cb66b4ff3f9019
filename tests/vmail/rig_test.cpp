// The mail library against the real servers of the rig: Postfix takes and delivers the mail,
// Dovecot checks the logins, and the delivered message decodes back to what was sent.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "tests/support/test_files.h"
#include "tests/vmail/last_error.h"
#include "tests/vmail/mail_reader.h"
#include "tests/vmail/rig_session.h"
#include "tests/vmail/vmail_fixture.h"
#include "vmail/base64.h"

TEST_F(RigTest, DeliveredMailsDecodeToTheTextsSent)
{
    std::string longBody;
    while (longBody.size() < 20 * 1024)
        longBody += "長い本文の行です。ｶﾅもあります①\r\n";
    std::string longSubject;
    while (longSubject.size() < 450)  // 150 double-byte characters: 300 bytes in code page 932
        longSubject += "件";
    const struct {
        const char* name;
        std::string subject;  // UTF-8 here; sent in code page 932
        std::string body;
    } cases[] = {
        {"japanese", "今夜の集合 ｶﾅ①", "7時に駅前で。\r\n.\r\n遅れたら電話します～\r\nﾊﾝｶｸも大丈夫"},
        {"empty subject", "", "only a body\r\nof two lines"},
        {"empty body", "件名だけ", ""},
        {"20 KB body", "長い本文", longBody},
        {"300-byte subject", longSubject, "本文"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string marker = uniqueMarker("decode");
        ASSERT_EQ(VMailSmtpSendMail(env_["RIG_HOST"].c_str(), env_["RIG_RECIPIENT"].c_str(), nullptr,
                                    nullptr, env_["RIG_ADDRESS"].c_str(), cp932(c.subject).c_str(),
                                    cp932(c.body).c_str(), ("X-Velmor-Test: " + marker).c_str(),
                                    nullptr, 0),
                  0);
        std::string message = waitForMessage(env_["RIG_RECIPIENT_MAILDIR"], marker);
        ASSERT_FALSE(message.empty()) << "no delivery within the time limit";
        Delivered delivered = parse(message);
        EXPECT_EQ(delivered.field("From"), env_["RIG_ADDRESS"]);
        EXPECT_EQ(delivered.field("To"), env_["RIG_RECIPIENT"]);
        EXPECT_EQ(delivered.field("MIME-Version"), "1.0");
        EXPECT_EQ(decodeWords(delivered.field("Subject")), c.subject);
        if (delivered.field("Content-Transfer-Encoding") == "base64") {
            std::optional<std::string> body = vmail::base64Decode(delivered.body);
            ASSERT_TRUE(body);
            EXPECT_EQ(*body, c.body);
        }
#ifndef _WIN32
        // A standard mail reader gives back the same texts, compared with the code page 932
        // texts as Python's own codec decodes them.
        std::string path;
        for (const std::string& name : maildirMessages(env_["RIG_RECIPIENT_MAILDIR"])) {
            if (rigFileText(name).find(marker) != std::string::npos)
                path = name;
        }
        writeFileBytes("subject.cp932", cp932(c.subject));
        writeFileBytes("body.cp932", cp932(c.body));
        std::string command = "python3 " + std::string(VELMOR_SOURCE_DIR) +
                              "/tests/vmail/decode_mail.py " + path + " subject.cp932 body.cp932";
        FILE* reader = popen(command.c_str(), "r");
        ASSERT_NE(reader, nullptr);
        char line[4096] = {};
        std::string verdict = fgets(line, sizeof line, reader) ? line : "";
        pclose(reader);
        EXPECT_EQ(verdict, "ok\n");
#endif
    }
}

TEST_F(RigTest, AnAsciiMailKeepsItsExtraHeaderAndGoesAs7Bit)
{
    const std::string marker = uniqueMarker("ascii");
    ASSERT_EQ(VMailSmtpSendMail(env_["RIG_HOST"].c_str(), env_["RIG_RECIPIENT"].c_str(), nullptr,
                                nullptr, env_["RIG_ADDRESS"].c_str(), "Plain subject",
                                ("Body " + marker + "\r\n.hidden dot").c_str(),
                                "X-Mailer: VelmorMail", nullptr, 0),
              0);
    Delivered delivered = parse(waitForMessage(env_["RIG_RECIPIENT_MAILDIR"], marker));
    EXPECT_EQ(delivered.field("X-Mailer"), "VelmorMail");
    EXPECT_EQ(delivered.field("Subject"), "Plain subject");
    EXPECT_EQ(delivered.field("Content-Transfer-Encoding"), "7bit");
    // Maildir files hold the message with the system's own line ends.
    EXPECT_EQ(delivered.body, "Body " + marker + "\n.hidden dot\n");
    EXPECT_NE(delivered.field("Message-ID"), "<none>");
    EXPECT_NE(delivered.field("Date"), "<none>");
}

TEST_F(RigTest, AnUnknownRecipientIsRefusedWith550)
{
    EXPECT_EQ(VMailSmtpSendMail(env_["RIG_HOST"].c_str(), env_["RIG_UNKNOWN"].c_str(), nullptr,
                                nullptr, env_["RIG_ADDRESS"].c_str(), "s", "b",
                                "X-Mailer: VelmorMail", nullptr, 0),
              -550);
}

TEST_F(RigTest, SubmissionWithEachMechanismSendsTheMail)
{
    const struct {
        int bits;
        const char* method;
    } mechanisms[] = {{VMAIL_AUTH_CRAM_MD5, "CRAM-MD5"},
                      {VMAIL_AUTH_LOGIN, "LOGIN"},
                      {VMAIL_AUTH_PLAIN, "PLAIN"},
                      {VMAIL_AUTH_ANY, "CRAM-MD5"}};
    for (const auto& mechanism : mechanisms) {
        SCOPED_TRACE(mechanism.bits);
        const std::string delivered =
            sendAuthenticated(env_, env_["RIG_HOST"], "RIG_SUBMISSION_PORT", mechanism.bits);
        EXPECT_EQ(saslMethodOf(env_, delivered), mechanism.method);
    }
}

TEST_F(RigTest, SubmissionRefusesAWrongPasswordAndUnauthenticatedRelay)
{
    int32_t handle = VMailSmtpConnectPortNo(env_["RIG_HOST"].c_str(), env_.port("RIG_SUBMISSION_PORT"));
    ASSERT_GE(handle, 1);
    EXPECT_EQ(VMailSmtpAuthenticate(handle, env_["RIG_HOST"].c_str(), env_["RIG_USER"].c_str(),
                                    "wrong-password", VMAIL_AUTH_ANY),
              -535);
    VMailSmtpClose(handle);

    handle = VMailSmtpConnectPortNo(env_["RIG_HOST"].c_str(), env_.port("RIG_SUBMISSION_PORT"));
    int32_t result = VMailSmtpSendMailEx(handle, "someone@elsewhere.example", nullptr, nullptr,
                                         env_["RIG_ADDRESS"].c_str(), "s", "b", "X-Mailer: VelmorMail",
                                         0, 0, 0);
    EXPECT_LE(result, -500);
    EXPECT_GE(result, -554);
    VMailSmtpClose(handle);
}

TEST_F(RigTest, Pop3LogsInWithUserPassAndWithApop)
{
    for (int apop : {0, 1}) {
        SCOPED_TRACE(apop);
        EXPECT_EQ(pop3Login(env_, env_["RIG_HOST"], env_["RIG_USER"], env_["RIG_PASSWORD"], apop), 1);
    }
}

TEST_F(RigTest, Pop3RefusesAWrongPasswordBothWays)
{
    for (int apop : {0, 1}) {
        SCOPED_TRACE(apop);
        EXPECT_EQ(pop3Login(env_, env_["RIG_HOST"], env_["RIG_USER"], "wrong-password", apop), -2);
    }
}

TEST_F(RigTest, APasswordWithDoubleByteCharactersLogsInEveryWay)
{
    std::string password;
    const std::string hex = env_["RIG_KANJI_PASSWORD_HEX"];
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        password += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    ASSERT_EQ(password, cp932("秘密のパス") + "42");
    const std::string user = env_["RIG_KANJI_USER"];
    for (int apop : {0, 1}) {
        SCOPED_TRACE(apop);
        EXPECT_EQ(pop3Login(env_, env_["RIG_HOST"], user, password, apop), 1);
    }
    for (int mechanism : {VMAIL_AUTH_CRAM_MD5, VMAIL_AUTH_LOGIN, VMAIL_AUTH_PLAIN}) {
        SCOPED_TRACE(mechanism);
        int32_t handle = VMailSmtpConnectPortNo(env_["RIG_HOST"].c_str(), env_.port("RIG_SUBMISSION_PORT"));
        ASSERT_GE(handle, 1);
        EXPECT_EQ(VMailSmtpAuthenticate(handle, env_["RIG_HOST"].c_str(), user.c_str(),
                                        password.c_str(), mechanism),
                  1);
        VMailSmtpClose(handle);
    }
}

TEST_F(RigTest, AServerOfferingOneMechanismGetsThatOne)
{
    const struct {
        const char* portKey;
        const char* method;
    } servers[] = {{"RIG_LOGIN_ONLY_PORT", "LOGIN"}, {"RIG_PLAIN_ONLY_PORT", "PLAIN"}};
    for (const auto& server : servers) {
        SCOPED_TRACE(server.method);
        const std::string delivered =
            sendAuthenticated(env_, env_["RIG_HOST"], server.portKey, VMAIL_AUTH_ANY);
        EXPECT_EQ(saslMethodOf(env_, delivered), server.method);
    }
}

// A name whose first address is a silent IPv6 one (SYNs go unanswered) and whose second is the
// rig: every connection gets through the second well within the 3 s connect time-out of these
// tests, which one silent attempt alone would use up. Blanks pasted around the server name and
// the sender's address are ignored.
TEST_F(RigTest, ANameWhoseFirstAddressIsSilentConnectsThroughTheNext)
{
    const std::string dual = env_["RIG_DUAL_HOST"];
    const std::string sender = env_["RIG_ADDRESS"];
    const struct {
        std::string host;
        std::string from;
    } spellings[] = {{dual, sender}, {" " + dual + "\t", "\t" + sender + "  "}};
    for (const auto& spelling : spellings) {
        SCOPED_TRACE("[" + spelling.host + "]");
        const char* host = spelling.host.c_str();
        EXPECT_EQ(pop3Login(env_, spelling.host, env_["RIG_USER"], env_["RIG_PASSWORD"], 0), 1);

        const std::string plain = uniqueMarker("dual-plain");
        EXPECT_EQ(VMailSmtpSendMail(host, env_["RIG_RECIPIENT"].c_str(), nullptr, nullptr,
                                    spelling.from.c_str(), plain.c_str(), "body",
                                    "X-Mailer: VelmorMail", nullptr, 0),
                  0);
        EXPECT_EQ(parse(waitForMessage(env_["RIG_RECIPIENT_MAILDIR"], plain)).field("From"), sender);

        sendAuthenticated(env_, host, "RIG_SUBMISSION_PORT", VMAIL_AUTH_ANY, spelling.from);
    }
}

// What the real servers refuse, and an address that never answers: the detail the client tells,
// in the servers' own words where they spoke.
TEST_F(RigTest, RefusalsAndSilenceAreToldInTheServersWords)
{
    const std::string host = env_["RIG_HOST"];
    const std::string user = env_["RIG_USER"];
    auto smtpLogin = [&](const char* portKey, const char* password, int mechanisms) {
        int32_t handle = VMailSmtpConnectPortNo(host.c_str(), env_.port(portKey));
        EXPECT_GE(handle, 1);
        EXPECT_LT(VMailSmtpAuthenticate(handle, host.c_str(), user.c_str(), password, mechanisms), 0);
        LastError error = lastError(handle);
        VMailSmtpClose(handle);
        return error;
    };
    auto pop3Login = [&](int32_t apop) {
        int32_t handle = VMailPop3ConnectPortNo(host.c_str(), env_.port("RIG_POP3_PORT"));
        EXPECT_GE(handle, 1);
        EXPECT_EQ(VMailPop3Authenticate(handle, user.c_str(), "wrong-password", apop), -2);
        LastError error = lastError(handle);
        VMailPop3Close(handle);
        return error;
    };
    const struct {
        const char* what;
        std::function<LastError()> call;
        int32_t kind;
        std::string line;  // UTF-8 here
    } rows[] = {
        {"a wrong password",
         [&] { return smtpLogin("RIG_SUBMISSION_PORT", "wrong-password", VMAIL_AUTH_ANY); },
         VMAIL_FAILURE_REPLY, "535 5.7.8 Error: authentication failed: (reason unavailable)"},
        {"CRAM-MD5 alone where only LOGIN is offered",
         [&] {
             return smtpLogin("RIG_LOGIN_ONLY_PORT", env_["RIG_PASSWORD"].c_str(),
                              VMAIL_AUTH_CRAM_MD5);
         },
         VMAIL_FAILURE_NO_MECHANISM, "共通の認証方式がありません (サーバー: LOGIN)"},
        {"an unknown recipient",
         [&] {
             VMailSmtpSendMail(host.c_str(), env_["RIG_UNKNOWN"].c_str(), nullptr, nullptr,
                               env_["RIG_ADDRESS"].c_str(), "s", "b", "X-Mailer: VelmorMail", nullptr, 0);
             return lastSendError();
         },
         VMAIL_FAILURE_REPLY,
         "550 5.1.1 <" + env_["RIG_UNKNOWN"] +
             ">: Recipient address rejected: User unknown in virtual mailbox table"},
        {"a mail without logging in first",
         [&] {
             int32_t handle = VMailSmtpConnectPortNo(host.c_str(), env_.port("RIG_SUBMISSION_PORT"));
             VMailSmtpSendMailEx(handle, "someone@elsewhere.example", nullptr, nullptr,
                                 env_["RIG_ADDRESS"].c_str(), "s", "b", "X-Mailer: VelmorMail", 0, 0, 0);
             LastError error = lastError(handle);
             VMailSmtpClose(handle);
             return error;
         },
         VMAIL_FAILURE_REPLY,
         "554 5.7.1 <someone@elsewhere.example>: Recipient address rejected: Access denied"},
        {"a wrong POP3 password", [&] { return pop3Login(0); }, VMAIL_FAILURE_REPLY,
         "-ERR [AUTH] Authentication failed."},
        {"a wrong APOP password", [&] { return pop3Login(1); }, VMAIL_FAILURE_REPLY,
         "-ERR [AUTH] Authentication failed."},
        // The rig's ::1 takes no connection: its accept queues are kept full.
        {"an address that never answers",
         [&] {
             EXPECT_EQ(VMailSmtpConnectPortNo("::1", env_.port("RIG_SMTP_PORT")), -1);
             return lastError(-1);
         },
         VMAIL_FAILURE_NO_ANSWER, "応答がありません (接続, 3秒)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        LastError error = row.call();
        EXPECT_EQ(error.kind, row.kind);
        EXPECT_EQ(error.line, cp932(row.line));
    }
}
