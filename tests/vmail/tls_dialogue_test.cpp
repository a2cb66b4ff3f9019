// The moves to TLS against scripted servers that refuse, garble or attack them: in every case
// the connection ends before a name, a password or a mail goes out in the clear.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/vmail/script_server.h"
#include "tests/vmail/vmail_fixture.h"
#include "vmail/pop3_client.h"

namespace {

const char kEhloWithTls[] = "250-test.example\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n";

// What the server does once the client has asked for TLS.
enum AfterGoAhead { decline, injectPlaintext, answerGarbage, stayQuiet };

// A protocol's move to TLS: the server's greeting and capabilities offering it, the client's
// first line and its request, the server's answer to the request for each fault, and the
// commands that carry a name, a password or a mail.
struct TlsMove {
    const char* protocol;
    const char* greeting;
    const char* capabilities;
    const char* firstLine;  // a prefix of it
    const char* request;
    const char* answers[4];  // by AfterGoAhead
    const char* secrets[2];
    int32_t (*connect)(const char* host, int32_t port);
};

const TlsMove kSmtp = {
    "Smtp", "220 test.example ESMTP\r\n", kEhloWithTls, "EHLO ", "STARTTLS",
    {"454 4.7.0 TLS not available due to temporary reason\r\n",
     // A man in the middle's commands, ahead of the handshake in the same packet.
     "220 2.0.0 ready to start TLS\r\n250-evil\r\n250 AUTH PLAIN\r\n",
     "220 2.0.0 ready to start TLS\r\nthis is no TLS record\r\n", "220 2.0.0 ready to start TLS\r\n"},
    {"AUTH", "MAIL"}, VMailSmtpConnectPortNo};
const TlsMove kPop3 = {
    "Pop3", "+OK ready <1.2@test.example>\r\n", "+OK capabilities\r\nUSER\r\nstls\r\nUIDL\r\n.\r\n",
    "CAPA", "STLS",
    {"-ERR not now\r\n", "+OK begin TLS\r\n+OK logged in\r\n", "+OK begin TLS\r\nno TLS here\r\n",
     "+OK begin TLS\r\n"},
    {"USER", "APOP"}, VMailPop3ConnectPortNo};

std::string faultName(const ::testing::TestParamInfo<std::tuple<TlsMove, AfterGoAhead>>& row)
{
    const char* faults[] = {"Declined", "InjectedPlaintext", "Garbage", "Silence"};
    return std::string(std::get<0>(row.param).protocol) + faults[std::get<1>(row.param)];
}

class TlsFallbackTest : public VmailTest,
                        public ::testing::WithParamInterface<std::tuple<TlsMove, AfterGoAhead>> {};

}  // namespace

class TlsDialogueTest : public VmailTest {};

// Whatever the server does once TLS was offered and asked for, no login or mail follows in the
// clear: a declined request ends the connection without a word more, and no handshake starts
// on a stream that already carried the server's plaintext after its go-ahead.
TEST_P(TlsFallbackTest, NeverFallsBackToTheClearOnceTlsWasOffered)
{
    const auto& [move, fault] = GetParam();
    std::size_t sentAfterGoAhead = 0;
    ScriptServer server([&](ScriptConnection& c) {
        c.send(move.greeting);
        c.reply(move.capabilities);
        c.reply(move.answers[fault]);
        sentAfterGoAhead = c.bytesUntilHangUp(3000);
    });
    EXPECT_EQ(move.connect("127.0.0.1", server.port()), -1);
    server.finish();
    std::vector<std::string> lines = server.transcript();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with(move.firstLine)) << lines[0];
    EXPECT_EQ(lines[1], move.request);
    for (const std::string& line : lines) {
        for (const char* secret : move.secrets)
            EXPECT_FALSE(line.starts_with(secret)) << line;
    }
    if (fault == decline) {
        EXPECT_EQ(lines.size(), 2u);
    }
    if (fault == decline || fault == injectPlaintext) {
        EXPECT_EQ(sentAfterGoAhead, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fault, TlsFallbackTest,
    ::testing::Combine(::testing::Values(kSmtp, kPop3),
                       ::testing::Values(decline, injectPlaintext, answerGarbage, stayQuiet)),
    faultName);

TEST_F(TlsDialogueTest, ADeclinedStartTlsEndsTheOneCallSendWithAConnectionFailure)
{
    ScriptServer server([&](ScriptConnection& c) {
        c.send("220 test.example ESMTP\r\n");
        c.reply(kEhloWithTls);
        c.reply("454 4.7.0 TLS not available due to temporary reason\r\n");
        c.bytesUntilHangUp(3000);
    });
    vmail::options().plainSmtpPort = server.port();
    EXPECT_EQ(VMailSmtpSendMail("127.0.0.1", "a@example.jp", nullptr, nullptr, "b@example.jp", "s",
                                "b", "X-Mailer: VelmorMail", nullptr, 0),
              -1);
    server.finish();
    EXPECT_EQ(server.transcript().size(), 2u) << "nothing after STARTTLS, not even QUIT";
}

TEST_F(TlsDialogueTest, AnEndlessOrSilentCapabilityListingGivesNoHandle)
{
    for (bool endless : {true, false}) {
        ScriptServer server([&](ScriptConnection& c) {
            c.send("+OK ready\r\n");
            c.reply("+OK\r\n");
            if (endless) {
                std::string flood;
                for (int i = 0; i < 200; ++i)
                    flood += "X-CAPABILITY-" + std::to_string(i) + "\r\n";
                c.send(flood);
            }
            c.stayQuiet(5000);  // over three times the reply time-out
        });
        EXPECT_EQ(VMailPop3ConnectPortNo("127.0.0.1", server.port()), -1) << endless;
        server.finish();
        EXPECT_EQ(server.transcript(), (std::vector<std::string>{"CAPA"}));
    }
}

TEST(Pop3Capabilities, StlsIsFoundByItsWholeNameInAnyCase)
{
    EXPECT_TRUE(vmail::offersStls({"USER", "STLS"}));
    EXPECT_TRUE(vmail::offersStls({"stls"}));
    EXPECT_FALSE(vmail::offersStls({"STLSX", "SASL STLS", "USER"}));
    EXPECT_FALSE(vmail::offersStls({}));
}
