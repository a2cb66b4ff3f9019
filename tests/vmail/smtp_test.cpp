// The SMTP client: reply lines classified without sockets, then whole dialogues against a
// scripted server, asserting what the client sent line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_files.h"
#include "tests/vmail/script_server.h"
#include "tests/vmail/vmail_fixture.h"
#include "vmail/base64.h"
#include "vmail/md5.h"
#include "vmail/sasl.h"
#include "vmail/smtp_client.h"
#include "vmail/smtp_reply.h"

using vmail::ReplyLineKind;

namespace {

const char kEhloAll[] = "250-test.example\r\n250-AUTH CRAM-MD5 LOGIN PLAIN\r\n250 8BITMIME\r\n";

// Greets and answers EHLO; the usual start of every script.
void greet(ScriptConnection& c, const std::string& ehloReply = kEhloAll)
{
    c.send("220 test.example ESMTP\r\n");
    c.reply(ehloReply);
}

// Takes one mail after the envelope: DATA's 354, the message up to ".", then 250.
void takeMessage(ScriptConnection& c)
{
    c.reply("354 go ahead\r\n");
    c.readUntil(".");
    c.send("250 2.0.0 queued\r\n");
}

void takeEnvelopeAndMessage(ScriptConnection& c)
{
    c.reply("250 2.1.0 ok\r\n");
    c.reply("250 2.1.5 ok\r\n");
    takeMessage(c);
    c.reply("221 bye\r\n");
}

int32_t sendEx(int32_t handle, const char* subject = "Hello", const char* body = "Body text")
{
    return VMailSmtpSendMailEx(handle, "hanako@example.jp", nullptr, nullptr, "taro@example.jp",
                               subject, body, "X-Mailer: VelmorMail", 0, 0, 0);
}

// The lines of a transcript from the first one starting with prefix onward.
std::vector<std::string> from(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(0, prefix.size(), prefix) == 0)
            return std::vector<std::string>(lines.begin() + static_cast<long>(i), lines.end());
    }
    return {};
}

}  // namespace

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

TEST(SmtpMechanism, PreferenceAndTheAllowedSetDecide)
{
    const std::vector<std::string> all = {"PLAIN", "LOGIN", "CRAM-MD5"};
    EXPECT_EQ(vmail::chooseMechanism(all, 7), "CRAM-MD5");
    EXPECT_EQ(vmail::chooseMechanism(all, 3), "LOGIN");
    EXPECT_EQ(vmail::chooseMechanism(all, 1), "PLAIN");
    EXPECT_EQ(vmail::chooseMechanism({"PLAIN", "LOGIN"}, 7), "LOGIN");
    EXPECT_EQ(vmail::chooseMechanism({"PLAIN"}, 6), "");
    EXPECT_EQ(vmail::chooseMechanism({"DIGEST-MD5", "GSSAPI"}, 7), "");
    EXPECT_EQ(vmail::chooseMechanism({}, 7), "");
}

TEST(DotStuffing, DoublesLeadingDotsAndEndsWithTheDotLine)
{
    EXPECT_EQ(vmail::dotStuffed("a\r\n.\r\n..b\r\n"), "a\r\n..\r\n...b\r\n.\r\n");
    EXPECT_EQ(vmail::dotStuffed(".start\r\nend"), "..start\r\nend\r\n.\r\n");
    EXPECT_EQ(vmail::dotStuffed(""), "\r\n.\r\n");
    EXPECT_EQ(vmail::dotStuffed("mid.dle\r\n"), "mid.dle\r\n.\r\n");
}

class SmtpDialogueTest : public VmailTest {};

TEST_F(SmtpDialogueTest, CramMd5IsPreferredAndAnsweredWithTheKeyedDigest)
{
    const std::string challenge = "<1896.697170952@postoffice.example.net>";
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.reply("334 " + vmail::base64Encode(challenge) + "\r\n");
        c.reply("235 2.7.0 ok\r\n");
        c.reply("221 bye\r\n");
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    ASSERT_GE(handle, 1);
    EXPECT_EQ(VMailSmtpAuthenticate(handle, "127.0.0.1", "taro", "secret", 7), 1);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = server.transcript();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 5), "EHLO ");
    EXPECT_EQ(lines[1], "AUTH CRAM-MD5");
    EXPECT_EQ(lines[2], vmail::base64Encode("taro " + vmail::toHex(vmail::hmacMd5("secret", challenge))));
    EXPECT_EQ(lines[3], "QUIT");
}

TEST_F(SmtpDialogueTest, LoginSendsTheUserAndPasswordAsTwoAnswers)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c, "250-test\r\n250 AUTH LOGIN PLAIN\r\n");
        c.reply("334 VXNlcm5hbWU6\r\n");
        c.reply("334 UGFzc3dvcmQ6\r\n");
        c.reply("235 ok\r\n");
        c.reply("221 bye\r\n");
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_EQ(VMailSmtpAuthenticate(handle, "127.0.0.1", "taro", "pass word", 7), 1);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = from(server.transcript(), "AUTH");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "AUTH LOGIN");
    EXPECT_EQ(lines[1], vmail::base64Encode("taro"));
    EXPECT_EQ(lines[2], vmail::base64Encode("pass word"));
}

TEST_F(SmtpDialogueTest, PlainSendsOneInitialResponse)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c, "250-test\r\n250-AUTH=PLAIN\r\n250 SIZE 1000\r\n");
        c.reply("235 ok\r\n");
        c.reply("221 bye\r\n");
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_EQ(VMailSmtpAuthenticate(handle, "127.0.0.1", "taro", cp932("秘密").c_str(), 7), 1);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = from(server.transcript(), "AUTH");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "AUTH PLAIN " + vmail::base64Encode(std::string("\0taro\0", 6) + cp932("秘密")));
}

TEST_F(SmtpDialogueTest, ARefusedLoginGivesTheServersCode)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.reply("334 PDEyMz4=\r\n");
        c.reply("535 5.7.8 authentication failed\r\n");
        c.reply("221 bye\r\n");
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_EQ(VMailSmtpAuthenticate(handle, "127.0.0.1", "taro", "wrong", 7), -535);
    VMailSmtpClose(handle);
}

TEST_F(SmtpDialogueTest, NoMechanismInCommonSendsNoAuthLine)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c, "250-test\r\n250 AUTH DIGEST-MD5\r\n");
        c.reply("221 bye\r\n");
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_EQ(VMailSmtpAuthenticate(handle, "127.0.0.1", "taro", "secret", 7), -504);
    VMailSmtpClose(handle);
    server.finish();
    EXPECT_TRUE(from(server.transcript(), "AUTH").empty());
}

TEST_F(SmtpDialogueTest, AnUnusableChallengeIsCancelled)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.reply("334 not*base64\r\n");
        c.reply("501 cancelled\r\n");
        c.reply("221 bye\r\n");
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_LT(VMailSmtpAuthenticate(handle, "127.0.0.1", "taro", "secret", 7), 0);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = from(server.transcript(), "AUTH");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "*");
}

TEST_F(SmtpDialogueTest, AMailGoesOutWithEnvelopeDataAndDotStuffing)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        takeEnvelopeAndMessage(c);
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_EQ(sendEx(handle, "Subject line", "line one\r\n.\r\n.. two"), 0);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = server.transcript();
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

TEST_F(SmtpDialogueTest, PipeliningSendsTheEnvelopeInOneGo)
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

TEST_F(SmtpDialogueTest, ARefusedRecipientGivesItsCodeAndNoMessage)
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

TEST_F(SmtpDialogueTest, ARefusedRecipientAfterAPipelinedDataDropsTheConnection)
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

TEST_F(SmtpDialogueTest, RefusalsAtEachStepGiveTheirCodes)
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

TEST_F(SmtpDialogueTest, HeloFollowsWhenEhloIsUnknown)
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

TEST_F(SmtpDialogueTest, ARefusingGreetingGivesNoHandle)
{
    ScriptServer server([&](ScriptConnection& c) { c.send("554 5.3.2 not now\r\n"); c.stayQuiet(1000); });
    EXPECT_EQ(VMailSmtpConnectPortNo("127.0.0.1", server.port()), -1);
}

TEST_F(SmtpDialogueTest, ASilentServerTimesOut)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.stayQuiet(4000);  // never answers MAIL
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

TEST_F(SmtpDialogueTest, AConnectionThatTimedOutIsNotUsedAgain)
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
    EXPECT_EQ(VMailSmtpAuthenticate(handle, "127.0.0.1", "u", "p", 7), -1);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = server.transcript();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("MAIL", 0) == 0; }),
              1);
}

TEST_F(SmtpDialogueTest, ADisconnectGarbageOrAHugeLineIsAConnectionFailure)
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
            c.stayQuiet(1000);
        });
        int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
        ASSERT_GE(handle, 1);
        EXPECT_EQ(sendEx(handle), -1) << answer.substr(0, 30);
        VMailSmtpClose(handle);
    }
}

TEST_F(SmtpDialogueTest, NothingListeningGivesNoHandleAndAFailedSend)
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

TEST_F(SmtpDialogueTest, TheOneCallSendConnectsSendsAndQuits)
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
// longer than any other (here 2.5 s against a reply time-out of 1.5 s), so a slow server does
// not turn a delivered mail into a failure that the user would answer by sending it again.
TEST_F(SmtpDialogueTest, TheReplyToTheEndOfTheDataMayTakeLongerThanAnyOther)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.reply("250 2.1.0 ok\r\n");
        c.reply("250 2.1.5 ok\r\n");
        c.reply("354 go ahead\r\n");
        c.readUntil(".");
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
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
// its Message-ID, so a copy that arrived despite the failure reads as the same mail; a changed
// text is a new message.
TEST_F(SmtpDialogueTest, AMailSentAgainKeepsItsMessageIdUntilItsTextChanges)
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
    auto send = [](const char* body) {
        return VMailSmtpSendMail("127.0.0.1", "hanako@example.jp", nullptr, nullptr,
                                 "taro@example.jp", "s", body, "X-Mailer: VelmorMail", nullptr, 0);
    };
    EXPECT_EQ(send("same text"), -1);
    EXPECT_EQ(send("same text"), 0);
    EXPECT_EQ(send("changed text"), 0);
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

TEST_F(SmtpDialogueTest, UnsafeParametersAreRefusedBeforeAnyConnection)
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

TEST_F(SmtpDialogueTest, AnInjectedSubjectStaysInsideItsHeader)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        takeEnvelopeAndMessage(c);
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_EQ(sendEx(handle, "Hi\r\nBcc: spy@evil.example", "x\r\n.\r\nMAIL FROM:<a@evil.example>"), 0);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = server.transcript();
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

TEST_F(SmtpDialogueTest, ClosingAcceptsNoHandleAndUnknownHandles)
{
    VMailSmtpClose(-1);
    VMailSmtpClose(0);
    VMailSmtpClose(999);
    EXPECT_EQ(VMailSmtpSendMailEx(-1, "a@example.jp", nullptr, nullptr, "b@example.jp", "s", "b",
                                  "X: y", 0, 0, 0),
              -1);
    EXPECT_EQ(VMailSmtpAuthenticate(-1, "h", "u", "p", 7), -1);
}

TEST_F(SmtpDialogueTest, RepliesSplitByteByByteAreReadWhole)
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

TEST_F(SmtpDialogueTest, AFlood5MbLongIsRefusedWithoutHanging)
{
    ScriptServer server([&](ScriptConnection& c) {
        greet(c);
        c.readLine();
        std::string flood(5 * 1024 * 1024, '2');
        c.send(flood);
        c.stayQuiet(1000);
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    ASSERT_GE(handle, 1);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(sendEx(handle), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    VMailSmtpClose(handle);
}

TEST_F(SmtpDialogueTest, AManyLineReplyIsCut)
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

TEST_F(SmtpDialogueTest, AHangUpAtEveryStepIsAFailureNeverASuccess)
{
    // The server follows a good dialogue and hangs up after its step-th reply.
    const std::vector<std::string> replies = {"220 hi\r\n", "250-test\r\n250 AUTH PLAIN\r\n",
                                              "235 ok\r\n", "250 ok\r\n", "250 ok\r\n",
                                              "354 go\r\n", "250 queued\r\n"};
    for (std::size_t step = 0; step < replies.size() - 1; ++step) {
        SCOPED_TRACE(step);
        ScriptServer server([&](ScriptConnection& c) {
            c.send(replies[0]);
            for (std::size_t i = 1; i <= step; ++i) {
                if (i == 6)
                    c.readUntil(".");
                else
                    c.readLine();
                c.send(replies[i]);
            }
        });
        int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
        int32_t result = -1;
        if (handle >= 1) {
            result = VMailSmtpAuthenticate(handle, "127.0.0.1", "u", "p", 7);
            if (result == 1)
                result = sendEx(handle);
            VMailSmtpClose(handle);
        }
        EXPECT_LT(result, 0);
        EXPECT_NE(result, 1);
    }
}
