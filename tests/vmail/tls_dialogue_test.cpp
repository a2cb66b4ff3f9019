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

bool anyLineStartsWith(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return true;
    }
    return false;
}

// What the server does once the client has asked for TLS.
enum class AfterGoAhead { decline, injectPlaintext, answerGarbage, stayQuiet };

}  // namespace

class TlsDialogueTest : public VmailTest {};

TEST_F(TlsDialogueTest, SmtpNeverFallsBackToTheClearOnceStartTlsWasOffered)
{
    for (AfterGoAhead fault : {AfterGoAhead::decline, AfterGoAhead::injectPlaintext,
                               AfterGoAhead::answerGarbage, AfterGoAhead::stayQuiet}) {
        SCOPED_TRACE(static_cast<int>(fault));
        std::size_t sentAfterGoAhead = 0;
        ScriptServer server([&](ScriptConnection& c) {
            c.send("220 test.example ESMTP\r\n");
            c.reply(kEhloWithTls);
            c.readLine();  // STARTTLS
            switch (fault) {
            case AfterGoAhead::decline:
                c.send("454 4.7.0 TLS not available due to temporary reason\r\n");
                break;
            case AfterGoAhead::injectPlaintext:
                // A man in the middle's commands, ahead of the handshake in the same packet.
                c.send("220 2.0.0 ready to start TLS\r\n250-evil\r\n250 AUTH PLAIN\r\n");
                break;
            case AfterGoAhead::answerGarbage:
                c.send("220 2.0.0 ready to start TLS\r\n");
                c.send("this is no TLS record\r\n");
                break;
            case AfterGoAhead::stayQuiet:
                c.send("220 2.0.0 ready to start TLS\r\n");
                break;
            }
            sentAfterGoAhead = c.bytesUntilHangUp(3000);
        });
        EXPECT_EQ(VMailSmtpConnectPortNo("127.0.0.1", server.port()), -1);
        server.finish();
        std::vector<std::string> lines = server.transcript();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0].compare(0, 5, "EHLO "), 0);
        EXPECT_EQ(lines[1], "STARTTLS");
        EXPECT_FALSE(anyLineStartsWith(lines, "AUTH"));
        EXPECT_FALSE(anyLineStartsWith(lines, "MAIL"));
        if (fault == AfterGoAhead::decline) {
            EXPECT_EQ(lines, (std::vector<std::string>{lines[0], "STARTTLS"}));
        }
        if (fault == AfterGoAhead::injectPlaintext) {
            EXPECT_EQ(sentAfterGoAhead, 0u) << "no handshake starts on a tampered stream";
        }
    }
}

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

TEST_F(TlsDialogueTest, Pop3NeverFallsBackToTheClearOnceStlsWasOffered)
{
    for (AfterGoAhead fault : {AfterGoAhead::decline, AfterGoAhead::injectPlaintext,
                               AfterGoAhead::answerGarbage, AfterGoAhead::stayQuiet}) {
        SCOPED_TRACE(static_cast<int>(fault));
        std::size_t sentAfterGoAhead = 0;
        ScriptServer server([&](ScriptConnection& c) {
            c.send("+OK ready <1.2@test.example>\r\n");
            c.reply("+OK capabilities\r\nUSER\r\nstls\r\nUIDL\r\n.\r\n");
            c.readLine();  // STLS
            switch (fault) {
            case AfterGoAhead::decline: c.send("-ERR not now\r\n"); break;
            case AfterGoAhead::injectPlaintext: c.send("+OK begin TLS\r\n+OK logged in\r\n"); break;
            case AfterGoAhead::answerGarbage: c.send("+OK begin TLS\r\nno TLS here\r\n"); break;
            case AfterGoAhead::stayQuiet: c.send("+OK begin TLS\r\n"); break;
            }
            sentAfterGoAhead = c.bytesUntilHangUp(3000);
        });
        EXPECT_EQ(VMailPop3ConnectPortNo("127.0.0.1", server.port()), -1);
        server.finish();
        std::vector<std::string> lines = server.transcript();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], "CAPA");
        EXPECT_EQ(lines[1], "STLS");
        EXPECT_FALSE(anyLineStartsWith(lines, "USER"));
        EXPECT_FALSE(anyLineStartsWith(lines, "APOP"));
        if (fault == AfterGoAhead::decline || fault == AfterGoAhead::injectPlaintext) {
            EXPECT_EQ(sentAfterGoAhead, 0u);
        }
    }
}

TEST_F(TlsDialogueTest, Pop3WithoutStlsLogsInInTheClearAsBefore)
{
    ScriptServer server([](ScriptConnection& c) {
        c.send("+OK ready\r\n");
        // A dot-stuffed line must not be taken for the end of the listing.
        c.reply("+OK\r\nUSER\r\n..STLS-NOT\r\nSASL PLAIN\r\n.\r\n");
        c.reply("+OK user\r\n");
        c.reply("+OK logged in\r\n");
        c.reply("+OK bye\r\n");
    });
    int32_t handle = VMailPop3ConnectPortNo("127.0.0.1", server.port());
    ASSERT_GE(handle, 1);
    EXPECT_EQ(VMailPop3Authenticate(handle, "taro", "secret", 0), 1);
    EXPECT_EQ(VMailPop3Close(handle), 1);
    server.finish();
    EXPECT_EQ(server.transcript(),
              (std::vector<std::string>{"CAPA", "USER taro", "PASS secret", "QUIT"}));
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
            c.stayQuiet(3000);
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
