// The POP3 client: status lines and the APOP timestamp without sockets, then logins against a
// scripted server.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/vmail/script_server.h"
#include "tests/vmail/vmail_fixture.h"
#include "vmail/md5.h"
#include "vmail/pop3_client.h"

using vmail::Pop3Status;

namespace {

const char kStamp[] = "<1896.697170952@dbc.mtview.ca.us>";

std::string greetingWithStamp() { return std::string("+OK POP3 server ready ") + kStamp + "\r\n"; }

// The answer of a server from before CAPA, which refuses the client's question.
const char kNoCapa[] = "-ERR unknown command\r\n";

// The greeting of a server from before CAPA, and its answer to CAPA.
void greet(ScriptConnection& c, const std::string& greeting = "+OK ready\r\n")
{
    c.send(greeting);
    c.reply(kNoCapa);
}

}  // namespace

TEST(Pop3StatusLine, OkErrAndEverythingElse)
{
    EXPECT_EQ(vmail::classifyPop3Line("+OK"), Pop3Status::positive);
    EXPECT_EQ(vmail::classifyPop3Line("+OK logged in"), Pop3Status::positive);
    EXPECT_EQ(vmail::classifyPop3Line("-ERR"), Pop3Status::negative);
    EXPECT_EQ(vmail::classifyPop3Line("-ERR [AUTH] bad password"), Pop3Status::negative);
    EXPECT_EQ(vmail::classifyPop3Line("+OKAY"), Pop3Status::invalid);
    EXPECT_EQ(vmail::classifyPop3Line("+ok"), Pop3Status::invalid);
    EXPECT_EQ(vmail::classifyPop3Line("220 smtp here"), Pop3Status::invalid);
    EXPECT_EQ(vmail::classifyPop3Line(""), Pop3Status::invalid);
}

TEST(ApopTimestamp, IsTheFirstAngleBracketedIdWithAnAt)
{
    EXPECT_EQ(vmail::apopTimestamp(std::string("+OK ready ") + kStamp), kStamp);
    EXPECT_EQ(vmail::apopTimestamp("+OK <a@b> <c@d>"), "<a@b>");
    EXPECT_EQ(vmail::apopTimestamp("+OK Dovecot ready."), std::nullopt);
    EXPECT_EQ(vmail::apopTimestamp("+OK <no-at-sign>"), std::nullopt);
    EXPECT_EQ(vmail::apopTimestamp("+OK <open@only"), std::nullopt);
    EXPECT_EQ(vmail::apopTimestamp("+OK <with space@x>"), std::nullopt);
    EXPECT_EQ(vmail::apopTimestamp("+OK <<nested@x>"), std::nullopt);
    EXPECT_EQ(vmail::apopTimestamp(std::string("+OK <\x82\xa0@x>")), std::nullopt);
}

namespace {

// One login call of a POP3 dialogue, and its result.
struct Login {
    std::string user;
    std::string password;
    int32_t apop;
    int32_t result;
};

// A POP3 dialogue: the greeting, the server's answers to the client's lines in turn (CAPA
// first), the logins made over the one connection before it closes, and every line the client
// sent.
struct Pop3Dialogue {
    const char* name;
    std::string greeting;
    std::vector<std::string> answers;
    std::vector<Login> logins;
    std::vector<std::string> sent;
};

// gtest shows a row by its name, not by its bytes (string buffers and padding are unset).
void PrintTo(const Pop3Dialogue& row, std::ostream* out)
{
    *out << row.name;
}

const Pop3Dialogue kPop3Dialogues[] = {
    {"UserAndPassLogIn", "+OK ready\r\n",
     {kNoCapa, "+OK user\r\n", "+OK logged in\r\n", "+OK bye\r\n"},
     {{"taro", "secret", 0, 1}}, {"CAPA", "USER taro", "PASS secret", "QUIT"}},
    // The example of RFC 1939 section 7.
    {"ApopSendsTheDigestOfTimestampAndPassword", greetingWithStamp(),
     {kNoCapa, "+OK maildrop locked\r\n", "+OK bye\r\n"}, {{"mrose", "tanstaaf", 1, 1}},
     {"CAPA", "APOP mrose c4c9334bac560ecc979e58001b3e22fb", "QUIT"}},
    {"ApopWithoutATimestampIsRefusedWithoutSendingThePassword", "+OK ready\r\n",
     {kNoCapa, "+OK bye\r\n"}, {{"taro", "secret", 1, -2}}, {"CAPA", "QUIT"}},
    {"ARefusedUserIsALoginRefusal", "+OK ready\r\n",
     {kNoCapa, "-ERR no such user\r\n", "+OK bye\r\n"}, {{"taro", "wrong", 0, -2}},
     {"CAPA", "USER taro", "QUIT"}},
    {"ARefusedPasswordIsALoginRefusal", "+OK ready\r\n",
     {kNoCapa, "+OK\r\n", "-ERR [AUTH] Authentication failed.\r\n", "+OK bye\r\n"},
     {{"taro", "wrong", 0, -2}}, {"CAPA", "USER taro", "PASS wrong", "QUIT"}},
    {"ALineBreakInTheCredentialsNeverReachesTheServer", "+OK ready\r\n",
     {kNoCapa, "+OK bye\r\n"},
     {{"taro\r\nDELE 1", "secret", 0, -2}, {"taro", "secret\r\nDELE 1", 0, -2}}, {"CAPA", "QUIT"}},
    // Without STLS offered the login goes in the clear, as it always did; a dot-stuffed line
    // must not be taken for the end of the listing.
    {"WithoutStlsTheLoginGoesInTheClearAsBefore", "+OK ready\r\n",
     {"+OK\r\nUSER\r\n..STLS-NOT\r\nSASL PLAIN\r\n.\r\n", "+OK user\r\n", "+OK logged in\r\n",
      "+OK bye\r\n"},
     {{"taro", "secret", 0, 1}}, {"CAPA", "USER taro", "PASS secret", "QUIT"}},
};

class Pop3LoginTest : public VmailTest, public ::testing::WithParamInterface<Pop3Dialogue> {};

class Pop3DialogueTest : public VmailTest {};

}  // namespace

TEST_P(Pop3LoginTest, SendsItsLinesAndGivesItsResults)
{
    const Pop3Dialogue& dialogue = GetParam();
    ScriptServer server([&](ScriptConnection& c) {
        c.send(dialogue.greeting);
        for (const std::string& answer : dialogue.answers)
            c.reply(answer);
    });
    int32_t handle = VMailPop3ConnectPortNo("127.0.0.1", server.port());
    ASSERT_GE(handle, 1);
    for (const Login& login : dialogue.logins) {
        EXPECT_EQ(VMailPop3Authenticate(handle, login.user.c_str(), login.password.c_str(),
                                        login.apop),
                  login.result);
    }
    EXPECT_EQ(VMailPop3Close(handle), 1);
    server.finish();
    EXPECT_EQ(server.transcript(), dialogue.sent);
}

INSTANTIATE_TEST_SUITE_P(Dialogue, Pop3LoginTest, ::testing::ValuesIn(kPop3Dialogues),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Pop3DialogueTest, SilenceGarbageAndHangUpsHaveTheirOwnResults)
{
    const struct {
        const char* answer;  // to USER; null: say nothing; "": hang up
        int32_t expected;
    } cases[] = {
        {nullptr, -4},
        {"", -1},
        {"220 this is SMTP\r\n", -10},
    };
    for (const auto& entry : cases) {
        ScriptServer server([&](ScriptConnection& c) {
            greet(c);
            if (!entry.answer) {
                c.stayQuiet(5000);  // over three times the reply time-out
                return;
            }
            c.readLine();
            if (*entry.answer)
                c.send(entry.answer);
            c.stayQuiet(500);
        });
        int32_t handle = VMailPop3ConnectPortNo("127.0.0.1", server.port());
        ASSERT_GE(handle, 1);
        EXPECT_EQ(VMailPop3Authenticate(handle, "taro", "secret", 0), entry.expected);
        VMailPop3Close(handle);
    }
}

TEST_F(Pop3DialogueTest, AGreetingThatIsNoGreetingGivesNoHandle)
{
    for (const char* greeting : {"-ERR go away\r\n", "* OK IMAP4 ready\r\n"}) {
        ScriptServer server([&](ScriptConnection& c) { c.send(greeting); c.stayQuiet(500); });
        EXPECT_EQ(VMailPop3ConnectPortNo("127.0.0.1", server.port()), -1) << greeting;
    }
}

TEST_F(Pop3DialogueTest, AnUnsafeHostOrNoServerGivesNoHandle)
{
    ScriptServer server([](ScriptConnection&) {}, 1, 500);
    EXPECT_EQ(VMailPop3ConnectPortNo("127.0.0.1\r\nUSER x", server.port()), -1);
    EXPECT_EQ(VMailPop3ConnectPortNo("", server.port()), -1);
    EXPECT_EQ(VMailPop3ConnectPortNo(nullptr, server.port()), -1);
    EXPECT_EQ(server.finish(), 0);
    int port;
    {
        testnet::Listener closed;
        port = closed.port();
    }
    EXPECT_EQ(VMailPop3ConnectPortNo("127.0.0.1", port), -1);
    EXPECT_EQ(VMailPop3ConnectPortNo("no-such-host.invalid", 110), -1);
}

TEST_F(Pop3DialogueTest, ClosingNoHandleOrAQuitErrorIsReportedNotClean)
{
    EXPECT_NE(VMailPop3Close(-1), 1);
    EXPECT_EQ(VMailPop3Authenticate(-1, "u", "p", 0), -1);
    ScriptServer server([](ScriptConnection& c) {
        greet(c);
        c.reply("-ERR cannot quit\r\n");
    });
    int32_t handle = VMailPop3ConnectPortNo("127.0.0.1", server.port());
    EXPECT_NE(VMailPop3Close(handle), 1);
    EXPECT_NE(VMailPop3Close(handle), 1) << "a closed handle is gone";
}

TEST(WinSock, EndingAfterAFailedOrNoStartIsHarmless)
{
    VMailEndWinSock();
    ASSERT_NE(VMailInitializeWinSock(), 0);
    VMailEndWinSock();
    VMailEndWinSock();
}
