// SMTP AUTH: the mechanism chosen by preference and the allowed set, then each mechanism's
// dialogue against a scripted server, asserting what the client sent line by line.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/vmail/smtp_script.h"
#include "tests/vmail/vmail_fixture.h"
#include "vmail/base64.h"
#include "vmail/md5.h"
#include "vmail/sasl.h"

namespace {

using vmail::base64Encode;

const std::string kChallenge = "<1896.697170952@postoffice.example.net>";
const std::string kSecret = "\x94\xe9\x96\xa7";  // "秘密" in code page 932

// The CRAM-MD5 answer of the user "taro": the keyed digest of the challenge (RFC 2195).
std::string cramMd5Answer(const std::string& password, const std::string& challenge)
{
    return base64Encode("taro " + vmail::toHex(vmail::hmacMd5(password, challenge)));
}

// One AUTH dialogue of the user "taro", every mechanism allowed.
struct AuthDialogue {
    const char* name;
    std::string ehloReply;
    std::vector<std::string> answers;  // the server's, to each line the client sends from AUTH on
    std::string password;
    std::int32_t result;
    std::vector<std::string> sent;  // the client's lines from AUTH on, before its QUIT
};

// gtest shows a row by its name, not by its bytes (string buffers and padding are unset).
void PrintTo(const AuthDialogue& row, std::ostream* out)
{
    *out << row.name;
}

const AuthDialogue kAuthDialogues[] = {
    {"CramMd5IsPreferredAndAnsweredWithTheKeyedDigest", kEhloAll,
     {"334 " + base64Encode(kChallenge) + "\r\n", "235 2.7.0 ok\r\n"}, "secret", 1,
     {"AUTH CRAM-MD5", cramMd5Answer("secret", kChallenge)}},
    {"LoginSendsTheUserAndPasswordAsTwoAnswers", "250-test\r\n250 AUTH LOGIN PLAIN\r\n",
     {"334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "235 ok\r\n"}, "pass word", 1,
     {"AUTH LOGIN", base64Encode("taro"), base64Encode("pass word")}},
    {"PlainSendsOneInitialResponse", "250-test\r\n250-AUTH=PLAIN\r\n250 SIZE 1000\r\n",
     {"235 ok\r\n"}, kSecret, 1,
     {"AUTH PLAIN " + base64Encode(std::string("\0taro\0", 6) + kSecret)}},
    {"ARefusedLoginGivesTheServersCode", kEhloAll,
     {"334 PDEyMz4=\r\n", "535 5.7.8 authentication failed\r\n"}, "wrong", -535,
     {"AUTH CRAM-MD5", cramMd5Answer("wrong", "<123>")}},
    {"NoMechanismInCommonSendsNoAuthLine", "250-test\r\n250 AUTH DIGEST-MD5\r\n", {}, "secret",
     -504, {}},
    {"AnUnusableChallengeIsCancelled", kEhloAll, {"334 not*base64\r\n", "501 cancelled\r\n"},
     "secret", -501, {"AUTH CRAM-MD5", "*"}},
};

class SmtpAuthTest : public VmailTest, public ::testing::WithParamInterface<AuthDialogue> {};

}  // namespace

TEST(SmtpMechanism, PreferenceAndTheAllowedSetDecide)
{
    const std::vector<std::string> all = {"PLAIN", "LOGIN", "CRAM-MD5"};
    EXPECT_EQ(vmail::chooseMechanism(all, VMAIL_AUTH_ANY), "CRAM-MD5");
    EXPECT_EQ(vmail::chooseMechanism(all, VMAIL_AUTH_LOGIN | VMAIL_AUTH_PLAIN), "LOGIN");
    EXPECT_EQ(vmail::chooseMechanism(all, VMAIL_AUTH_PLAIN), "PLAIN");
    EXPECT_EQ(vmail::chooseMechanism({"PLAIN", "LOGIN"}, VMAIL_AUTH_ANY), "LOGIN");
    EXPECT_EQ(vmail::chooseMechanism({"PLAIN"}, VMAIL_AUTH_CRAM_MD5 | VMAIL_AUTH_LOGIN), "");
    EXPECT_EQ(vmail::chooseMechanism({"DIGEST-MD5", "GSSAPI"}, VMAIL_AUTH_ANY), "");
    EXPECT_EQ(vmail::chooseMechanism({}, VMAIL_AUTH_ANY), "");
}

TEST_P(SmtpAuthTest, SendsItsLinesAndGivesItsResult)
{
    const AuthDialogue& dialogue = GetParam();
    ScriptServer server([&](ScriptConnection& c) {
        greet(c, dialogue.ehloReply);
        for (const std::string& answer : dialogue.answers)
            c.reply(answer);
        c.reply("221 bye\r\n");
    });
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    ASSERT_GE(handle, 1);
    EXPECT_EQ(VMailSmtpAuthenticate(handle, "127.0.0.1", "taro", dialogue.password.c_str(),
                                    VMAIL_AUTH_ANY),
              dialogue.result);
    VMailSmtpClose(handle);
    server.finish();
    std::vector<std::string> lines = server.transcript();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].substr(0, 5), "EHLO ");
    std::vector<std::string> expected = dialogue.sent;
    expected.push_back("QUIT");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected);
}

INSTANTIATE_TEST_SUITE_P(Dialogue, SmtpAuthTest, ::testing::ValuesIn(kAuthDialogues),
                         [](const auto& row) { return std::string(row.param.name); });
