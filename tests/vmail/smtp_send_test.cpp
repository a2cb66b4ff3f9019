// Sending with the SMTP client: reply lines classified and dot-stuffing without sockets, then
// whole sends against a scripted server, asserting what the client sent line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_files.h"
#include "tests/vmail/smtp_script.h"
#include "tests/vmail/vmail_fixture.h"
#include "vmail/smtp_client.h"
#include "vmail/smtp_reply.h"

using vmail::ReplyLineKind;

TEST(SmtpReplyLine, ClassifiesLastContinuationAndInvalidLines)
{
    const struct {
        const char* line;
        ReplyLineKind kind;
        int code;
        const char* text;
    } table[] = {
        {"250 OK", ReplyLineKind::last, 250, "OK"},
        {"250-PIPELINING", ReplyLineKind::continuation, 250, "PIPELINING"},
        {"354", ReplyLineKind::last, 354, ""},
        {"554 5.7.1 no", ReplyLineKind::last, 554, "5.7.1 no"},
        {"199 low", ReplyLineKind::invalid, 0, ""},
        {"600 high", ReplyLineKind::invalid, 0, ""},
        {"260 second digit", ReplyLineKind::invalid, 0, ""},
        {"25", ReplyLineKind::invalid, 0, ""},
        {"2500 long", ReplyLineKind::invalid, 0, ""},
        {"abc def", ReplyLineKind::invalid, 0, ""},
        {"", ReplyLineKind::invalid, 0, ""},
    };
    for (const auto& entry : table) {
        vmail::ReplyLine line = vmail::classifyReplyLine(entry.line);
        EXPECT_EQ(line.kind, entry.kind) << entry.line;
        EXPECT_EQ(line.code, entry.code) << entry.line;
        if (entry.kind != ReplyLineKind::invalid) {
            EXPECT_EQ(line.text, entry.text) << entry.line;
        }
    }
}

TEST(DotStuffing, DoublesLeadingDotsAndEndsWithTheDotLine)
{
    EXPECT_EQ(vmail::dotStuffed("a\r\n.\r\n..b\r\n"), "a\r\n..\r\n...b\r\n.\r\n");
    EXPECT_EQ(vmail::dotStuffed(".start\r\nend"), "..start\r\nend\r\n.\r\n");
    EXPECT_EQ(vmail::dotStuffed(""), "\r\n.\r\n");
    EXPECT_EQ(vmail::dotStuffed("mid.dle\r\n"), "mid.dle\r\n.\r\n");
}

class SmtpSendTest : public VmailTest {
protected:
    // Sends one mail with sendEx to a server that takes it: the lines the client sent.
    std::vector<std::string> sentLines(const char* subject, const char* body)
    {
        ScriptServer server([&](ScriptConnection& c) {
            greet(c);
            takeEnvelopeAndMessage(c);
        });
        int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
        EXPECT_EQ(sendEx(handle, subject, body), 0);
        VMailSmtpClose(handle);
        server.finish();
        return server.transcript();
    }
};

TEST_F(SmtpSendTest, AMailGoesOutWithEnvelopeDataAndDotStuffing)
{
    std::vector<std::string> lines = sentLines("Subject line", "line one\r\n.\r\n.. two");
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[1], "MAIL FROM:<taro@example.jp>");
    EXPECT_EQ(lines[2], "RCPT TO:<hanako@example.jp>");
    EXPECT_EQ(lines[3], "DATA");
    std::vector<std::string> body = from(lines, "line one");
    ASSERT_GE(body.size(), 4u);
    EXPECT_EQ(body[1], "..");
    EXPECT_EQ(body[2], "... two");
    EXPECT_EQ(body[3], ".");
    EXPECT_EQ(lines.back(), "QUIT");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "X-Mailer: VelmorMail"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Subject: Subject line"), lines.end());
}

TEST_F(SmtpSendTest, PipeliningSendsTheEnvelopeInOneGo)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c, "250-test\r\n250 PIPELINING\r\n");
        // All three commands arrive before any reply is written.
        EXPECT_TRUE(c.readLine());
        EXPECT_TRUE(c.readLine());
        EXPECT_TRUE(c.readLine());
        c.send("250 ok\r\n250 ok\r\n354 go\r\n");
        c.readUntil(".");
        c.send("250 queued\r\n");
        c.reply("221 bye\r\n");
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_EQ(sendEx(handle), 0);
    VMailSmtpClose(handle);
}

TEST_F(SmtpSendTest, ARefusedRecipientGivesItsCodeAndNoMessage)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.reply("250 ok\r\n");
        c.reply("550 5.1.1 no such user\r\n");
        c.reply("250 reset\r\n");
        c.reply("221 bye\r\n");
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_EQ(sendEx(handle), -550);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = server.transcript();
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "DATA"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "RSET"), lines.end());
}

TEST_F(SmtpSendTest, ARefusedRecipientAfterAPipelinedDataDropsTheConnection)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c, "250-test\r\n250 PIPELINING\r\n");
        c.readLine();
        c.readLine();
        c.readLine();
        c.send("250 ok\r\n553 5.1.3 bad address\r\n354 go\r\n");
        EXPECT_FALSE(c.readLine(2000)) << "the message must not follow a refused recipient";
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_EQ(sendEx(handle), -553);
    VMailSmtpClose(handle);
}

TEST_F(SmtpSendTest, RefusalsAtEachStepGiveTheirCodes)
{
    const struct {
        const char* greeting;
        const char* mailReply;
        const char* dataReply;
        const char* finalReply;
        int32_t expected;
    } cases[] = {
        {"220 hi\r\n", "451 4.3.0 try later\r\n", "", "", -451},
        {"220 hi\r\n", "250 ok\r\n", "554 5.5.1 no valid recipients\r\n", "", -554},
        {"220 hi\r\n", "250 ok\r\n", "354 go\r\n", "552 5.3.4 too big\r\n", -552},
    };
    for (const auto& c : cases) {
        ScriptServer server([&](ScriptConnection& connection) {
            connection.send(c.greeting);
            connection.reply("250 test\r\n");
            connection.reply(c.mailReply);
            if (*c.dataReply) {
                connection.reply("250 ok\r\n");
                connection.reply(c.dataReply);
            }
            if (*c.finalReply) {
                connection.readUntil(".");
                connection.send(c.finalReply);
            }
            connection.stayQuiet(1000);
        });
        int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
        EXPECT_EQ(sendEx(handle), c.expected);
        VMailSmtpClose(handle);
    }
}

TEST_F(SmtpSendTest, HeloFollowsWhenEhloIsUnknown)
{
    ScriptServer server([&](ScriptConnection& c) {
        c.send("220 old server\r\n");
        c.reply("502 5.5.2 what?\r\n");
        c.reply("250 hello\r\n");
        takeEnvelopeAndMessage(c);
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    ASSERT_GE(handle, 1);
    EXPECT_EQ(sendEx(handle), 0);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = server.transcript();
    EXPECT_EQ(lines[0].substr(0, 5), "EHLO ");
    EXPECT_EQ(lines[1].substr(0, 5), "HELO ");
}

TEST_F(SmtpSendTest, TheOneCallSendConnectsSendsAndQuits)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        takeEnvelopeAndMessage(c);
    });
    vmail::options().plainSmtpPort = server.port();
    EXPECT_EQ(VMailSmtpSendMail("127.0.0.1", "hanako@example.jp", nullptr, nullptr,
                                "taro@example.jp", cp932("件名").c_str(), cp932("本文").c_str(),
                                "X-Mailer: VelmorMail", nullptr, 0),
              0);
    server.finish();
    std::vector<std::string> lines = server.transcript();
    EXPECT_EQ(lines.back(), "QUIT");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "MAIL FROM:<taro@example.jp>"), lines.end());
}

// By the end of the data the server holds the mail and may be scanning it: its reply is awaited
// longer than any other (here 3 s, three times the reply time-out and a third of the time-out
// for it), so a slow server does not turn a delivered mail into a failure that the user would
// answer by sending it again.
TEST_F(SmtpSendTest, TheReplyToTheEndOfTheDataMayTakeLongerThanAnyOther)
{
    vmail::options().replyMs = 1000;
    vmail::options().dataEndMs = 9000;
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.reply("250 2.1.0 ok\r\n");
        c.reply("250 2.1.5 ok\r\n");
        c.reply("354 go ahead\r\n");
        c.readUntil(".");
        std::this_thread::sleep_for(std::chrono::milliseconds(3000));
        c.send("250 2.0.0 queued after scanning\r\n");
        c.reply("221 bye\r\n");
    });
    vmail::options().plainSmtpPort = server.port();
    EXPECT_EQ(VMailSmtpSendMail("127.0.0.1", "hanako@example.jp", nullptr, nullptr,
                                "taro@example.jp", "s", "b", "X-Mailer: VelmorMail", nullptr, 0),
              0);
    EXPECT_EQ(server.finish(), 1);
    EXPECT_EQ(server.transcript().back(), "QUIT");
}

// A mail sent again after a failed attempt is a retransmission of the same message and keeps
// its Message-ID, so a copy that arrived despite the failure reads as the same mail; once sent,
// the same text sent again is a second mail with an id of its own.
TEST_F(SmtpSendTest, AMailSentAgainKeepsItsMessageIdUntilItIsSent)
{
    std::atomic<int> connection{0};
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.reply("250 2.1.0 ok\r\n");
        c.reply("250 2.1.5 ok\r\n");
        if (connection++ == 0) {
            c.reply("354 go ahead\r\n");
            c.readUntil(".");  // takes the mail, then the line drops before the 250
            return;
        }
        takeMessage(c);
        c.reply("221 bye\r\n");
    }, 3);
    vmail::options().plainSmtpPort = server.port();
    auto send = [] {
        return VMailSmtpSendMail("127.0.0.1", "hanako@example.jp", nullptr, nullptr,
                                 "taro@example.jp", "s", "same text", "X-Mailer: VelmorMail",
                                 nullptr, 0);
    };
    EXPECT_EQ(send(), -1);
    EXPECT_EQ(send(), 0);
    EXPECT_EQ(send(), 0);
    server.finish();
    std::vector<std::string> ids;
    for (const std::string& line : server.transcript()) {
        if (line.compare(0, 12, "Message-ID: ") == 0)
            ids.push_back(line);
    }
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0], ids[1]);
    EXPECT_NE(ids[1], ids[2]);
}

TEST_F(SmtpSendTest, UnsafeParametersAreRefusedBeforeAnyConnection)
{
    ScriptServer server([](ScriptConnection&) {}, 1, 500);
    vmail::options().plainSmtpPort = server.port();
    auto send = [](const char* host, const char* to, const char* from, const char* header,
                   const char* cc = nullptr) {
        return VMailSmtpSendMail(host, to, cc, nullptr, from, "s", "b", header, nullptr, 0);
    };
    EXPECT_EQ(send("127.0.0.1", "a@example.jp\r\nRCPT TO:<x@evil.example>", "b@example.jp", "X: y"), -501);
    EXPECT_EQ(send("127.0.0.1", "a@example.jp", "b@example.jp\nDATA", "X: y"), -501);
    EXPECT_EQ(send("127.0.0.1\r\n", "a@example.jp", "b@example.jp", "X: y"), -501);
    EXPECT_EQ(send("127.0.0.1", "a@example.jp", "b@example.jp", "X: y\r\nBcc: x@evil.example"), -501);
    EXPECT_EQ(send("127.0.0.1", "a@example.jp", "b@example.jp", "X: y", "c@example.jp\r\n"), -501);
    EXPECT_EQ(send("127.0.0.1", "", "b@example.jp", "X: y"), -501);
    EXPECT_EQ(send("127.0.0.1", "a@example.jp", "", "X: y"), -501);
    EXPECT_EQ(send(nullptr, "a@example.jp", "b@example.jp", "X: y"), -501);
    EXPECT_EQ(send("127.0.0.1", cp932("宛先@example.jp").c_str(), "b@example.jp", "X: y"), -501);
    EXPECT_EQ(VMailSmtpSendMail("127.0.0.1", "a@example.jp", nullptr, nullptr, "b@example.jp", "s",
                                "b", "X: y", "file.txt", 0),
              -501);
    EXPECT_EQ(VMailSmtpConnectPortNo("127.0.0.1\r\nQUIT", server.port()), -1);
    EXPECT_EQ(server.finish(), 0) << "a refused call must not reach the server";
}

TEST_F(SmtpSendTest, AnInjectedSubjectStaysInsideItsHeader)
{
    std::vector<std::string> lines =
        sentLines("Hi\r\nBcc: spy@evil.example", "x\r\n.\r\nMAIL FROM:<a@evil.example>");
    for (const std::string& line : lines)
        EXPECT_NE(line.compare(0, 4, "Bcc:"), 0) << line;
    // The body's "." was stuffed, so the only "." line ends the message and the line that
    // looks like a command is message text, sent between DATA and that end.
    ASSERT_EQ(std::count(lines.begin(), lines.end(), "."), 1);
    auto data = std::find(lines.begin(), lines.end(), "DATA");
    auto end = std::find(lines.begin(), lines.end(), ".");
    auto lookalike = std::find(lines.begin(), lines.end(), "MAIL FROM:<a@evil.example>");
    EXPECT_TRUE(data < lookalike && lookalike < end);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "MAIL FROM:<taro@example.jp>"), 1);
}
