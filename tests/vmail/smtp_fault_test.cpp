// The SMTP client against servers that refuse, stay silent, hang up, flood or trickle: every
// fault is a failure with its result, within a bounded time, never a success.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/vmail/smtp_script.h"
#include "tests/vmail/vmail_fixture.h"

class SmtpFaultTest : public VmailTest {};

TEST_F(SmtpFaultTest, ARefusingGreetingGivesNoHandle)
{
    ScriptServer server([&](ScriptConnection& c) { c.send("554 5.3.2 not now\r\n"); c.stayQuiet(1000); });
    EXPECT_EQ(VMailSmtpConnectPortNo("127.0.0.1", server.port()), -1);
}

TEST_F(SmtpFaultTest, ASilentServerTimesOut)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.stayQuiet(5000);  // never answers MAIL: over three times the reply time-out
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    ASSERT_GE(handle, 1);
    EXPECT_EQ(sendEx(handle), -4);
    // A server that stopped answering gets no QUIT to wait for once more.
    auto closing = std::chrono::steady_clock::now();
    VMailSmtpClose(handle);
    EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::milliseconds(500));
    server.finish();
    std::vector<std::string> lines = server.transcript();
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "QUIT"), lines.end());
}

TEST_F(SmtpFaultTest, AConnectionThatTimedOutIsNotUsedAgain)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        // Records whatever comes and never answers.
        for (int i = 0; i < 10 && c.readLine(2500); ++i) {
        }
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    ASSERT_GE(handle, 1);
    EXPECT_EQ(sendEx(handle), -4);
    EXPECT_EQ(sendEx(handle), -1);
    EXPECT_EQ(VMailSmtpAuthenticate(handle, "127.0.0.1", "u", "p", VMAIL_AUTH_ANY), -1);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = server.transcript();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("MAIL", 0) == 0; }),
              1);
}

TEST_F(SmtpFaultTest, ADisconnectGarbageOrAHugeLineIsAConnectionFailure)
{
    const std::string answers[] = {
        "",                                  // the server hangs up
        "hello there\r\n",                   // not a reply
        "250-first\r\n251 mixed codes\r\n",  // a multi-line reply must keep its code
        std::string(100000, 'x') + "\r\n",   // a line no server sends
    };
    for (const std::string& answer : answers) {
        ScriptServer server([&](ScriptConnection& c) {
            greet(c);
            if (answer.empty()) {
                c.readLine();
                return;
            }
            c.reply(answer);
            // Longer than three reply time-outs: a client still waiting would time out (-4).
            c.stayQuiet(5000);
        });
        int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
        ASSERT_GE(handle, 1);
        EXPECT_EQ(sendEx(handle), -1) << answer.substr(0, 30);
        VMailSmtpClose(handle);
    }
}

TEST_F(SmtpFaultTest, NothingListeningGivesNoHandleAndAFailedSend)
{
    int port;
    {
        testnet::Listener closed;  // a port that was free a moment ago
        port = closed.port();
    }
    EXPECT_EQ(VMailSmtpConnectPortNo("127.0.0.1", port), -1);
    vmail::options().plainSmtpPort = port;
    EXPECT_EQ(VMailSmtpSendMail("127.0.0.1", "a@example.jp", nullptr, nullptr, "b@example.jp", "s",
                                "b", "X-Mailer: VelmorMail", nullptr, 0),
              -1);
}

TEST_F(SmtpFaultTest, ClosingAcceptsNoHandleAndUnknownHandles)
{
    VMailSmtpClose(-1);
    VMailSmtpClose(0);
    VMailSmtpClose(999);
    EXPECT_EQ(VMailSmtpSendMailEx(-1, "a@example.jp", nullptr, nullptr, "b@example.jp", "s", "b",
                                  "X: y", 0, 0, 0),
              -1);
    EXPECT_EQ(VMailSmtpAuthenticate(-1, "h", "u", "p", VMAIL_AUTH_ANY), -1);
}

TEST_F(SmtpFaultTest, RepliesSplitByteByByteAreReadWhole)
{
    auto trickle = [](ScriptConnection& c, const std::string& text) {
        for (char byte : text) {
            c.send(std::string(1, byte));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    ScriptServer server([&](ScriptConnection& c) {
        trickle(c, "220 slow\r\n");
        c.readLine();
        trickle(c, "250-slow\r\n250 PIPELINING\r\n");
        c.readLine();
        c.readLine();
        c.readLine();
        trickle(c, "250 ok\r\n250 ok\r\n354 go\r\n");
        c.readUntil(".");
        trickle(c, "250 queued\r\n");
        c.reply("221 bye\r\n");
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    ASSERT_GE(handle, 1);
    EXPECT_EQ(sendEx(handle), 0);
    VMailSmtpClose(handle);
}

TEST_F(SmtpFaultTest, AFlood5MbLongIsRefusedWithoutHanging)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.readLine();
        std::string flood(5 * 1024 * 1024, '2');
        c.send(flood);
        c.stayQuiet(5000);  // a client still reading would time out (-4)
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    ASSERT_GE(handle, 1);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(sendEx(handle), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    VMailSmtpClose(handle);
}

TEST_F(SmtpFaultTest, AManyLineReplyIsCut)
{
    ScriptServer server([&](ScriptConnection& c) {
        c.send("220 hi\r\n");
        c.readLine();
        std::string lines;
        for (int i = 0; i < 5000; ++i)
            lines += "250-capability " + std::to_string(i) + "\r\n";
        c.send(lines + "250 end\r\n");
        c.stayQuiet(1000);
    });
    EXPECT_EQ(VMailSmtpConnectPortNo("127.0.0.1", server.port()), -1);
}

TEST_F(SmtpFaultTest, AHangUpAtEveryStepIsAFailureNeverASuccess)
{
    // The server follows a good dialogue and hangs up after its step-th reply, before the one
    // that accepts the mail: the connect, the login or the send fails with a connection error.
    const std::vector<std::string> replies = {"220 hi\r\n", "250-test\r\n250 AUTH PLAIN\r\n",
                                              "235 ok\r\n", "250 ok\r\n", "250 ok\r\n",
                                              "354 go\r\n"};
    for (std::size_t step = 0; step < replies.size(); ++step) {
        SCOPED_TRACE(step);
        ScriptServer server([&](ScriptConnection& c) {
            c.send(replies[0]);
            for (std::size_t i = 1; i <= step; ++i) {
                c.readLine();
                c.send(replies[i]);
            }
        });
        int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
        if (step == 0) {
            EXPECT_EQ(handle, -1);
            continue;
        }
        ASSERT_GE(handle, 1);
        int32_t result = VMailSmtpAuthenticate(handle, "127.0.0.1", "u", "p", VMAIL_AUTH_ANY);
        if (step >= 2) {
            EXPECT_EQ(result, 1);
            result = sendEx(handle);
        }
        EXPECT_EQ(result, -1);
        VMailSmtpClose(handle);
    }
}
