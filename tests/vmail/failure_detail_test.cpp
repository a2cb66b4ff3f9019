// Why an operation failed, as VMailLastError and VMailLastSendError tell it: one table of what a
// scripted server does and the kind and line the client then reports, in the server's words when
// it refused and in the library's own otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "tests/support/test_files.h"
#include "tests/vmail/last_error.h"
#include "tests/vmail/smtp_script.h"
#include "tests/vmail/vmail_fixture.h"
#include "vmail/failure.h"

namespace {

// What the client does against the row's server, ending with the detail it reports.
enum class Call { smtpConnect, smtpAuth, smtpSend, smtpSendAgain, smtpSendUnusable, oneCallSend,
                  pop3Connect, pop3Login, apopLogin };

struct DetailRow {
    const char* name;
    std::function<void(ScriptConnection&)> server;  // null: nothing listens
    Call call;
    int32_t kind;
    std::string line;  // UTF-8 here, code page 932 from the library; "{port}" is the server's
    const char* host = "127.0.0.1";
    bool libraryReason = false;  // the TLS library's reason follows in parentheses
};

void PrintTo(const DetailRow& row, std::ostream* out) { *out << row.name; }

const char kPlainOnly[] = "250-test.example\r\n250 AUTH PLAIN\r\n";
const char kEhloWithTls[] = "250-test.example\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n";
const char kNoCapa[] = "-ERR unknown command\r\n";

// The envelope up to the reply refusing the step-th command (MAIL 0, RCPT 1, DATA 2), then RSET.
std::function<void(ScriptConnection&)> refusingStep(int step, const char* refusal)
{
    return [=](ScriptConnection& c) {
        greet(c);
        for (int i = 0; i < step; ++i)
            c.reply("250 ok\r\n");
        c.reply(refusal);
        c.reply("250 reset\r\n");
        c.reply("221 bye\r\n");
    };
}

// STARTTLS offered and asked for, then answer.
std::function<void(ScriptConnection&)> afterStartTls(const char* answer, int quietMs = 5000)
{
    return [=](ScriptConnection& c) {
        c.send("220 test.example ESMTP\r\n");
        c.reply(kEhloWithTls);
        c.reply(answer);
        c.stayQuiet(quietMs);
    };
}

void pop3Greet(ScriptConnection& c)
{
    c.send("+OK ready\r\n");
    c.reply(kNoCapa);
}

// AUTH PLAIN offered, and refusal in answer to it.
std::function<void(ScriptConnection&)> refusingAuth(std::string refusal)
{
    return [=](ScriptConnection& c) {
        greet(c, kPlainOnly);
        c.reply(refusal + "\r\n");
    };
}

// The user name taken, and refusal in answer to the password.
std::function<void(ScriptConnection&)> refusingPass(std::string refusal)
{
    return [=](ScriptConnection& c) {
        pop3Greet(c);
        c.reply("+OK\r\n");
        c.reply(refusal + "\r\n");
    };
}

const std::function<void(ScriptConnection&)> kSilentAfterGreeting = [](ScriptConnection& c) {
    greet(c);
    c.stayQuiet(5000);
};

const std::function<void(ScriptConnection&)> kDelivering = [](ScriptConnection& c) {
    greet(c);
    takeEnvelopeAndMessage(c);
};

std::string repeated(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

const DetailRow kRows[] = {
    // The server refuses: its reply, first line only, without control characters, in code page
    // 932, at most 200 bytes.
    {"RefusedGreeting",
     [](ScriptConnection& c) { c.send("554 5.3.2 not now\r\n"); c.stayQuiet(1000); },
     Call::smtpConnect, VMAIL_FAILURE_REPLY, "554 5.3.2 not now"},
    {"EhloAndHeloRefused",
     [](ScriptConnection& c) {
         c.send("220 test.example\r\n");
         c.reply("502 5.5.1 EHLO not known\r\n");
         c.reply("550 5.7.1 go away\r\n");
     },
     Call::smtpConnect, VMAIL_FAILURE_REPLY, "550 5.7.1 go away"},
    {"MailRefused", refusingStep(0, "553 5.1.8 sender rejected\r\n"), Call::smtpSend,
     VMAIL_FAILURE_REPLY, "553 5.1.8 sender rejected"},
    {"RcptRefused", refusingStep(1, "550 5.1.1 <hanako@example.jp>: user unknown\r\n"),
     Call::smtpSend, VMAIL_FAILURE_REPLY, "550 5.1.1 <hanako@example.jp>: user unknown"},
    {"DataRefused", refusingStep(2, "451 4.3.0 try again later\r\n"), Call::smtpSend,
     VMAIL_FAILURE_REPLY, "451 4.3.0 try again later"},
    {"TheFirstRefusalOfAPipelineCounts",
     [](ScriptConnection& c) {
         greet(c, "250-test.example\r\n250 PIPELINING\r\n");
         c.readLine();
         c.readLine();
         c.readLine();
         c.send("250 ok\r\n550 5.1.1 unknown user\r\n554 5.5.1 no valid recipients\r\n");
         c.reply("250 reset\r\n");
     },
     Call::smtpSend, VMAIL_FAILURE_REPLY, "550 5.1.1 unknown user"},
    {"EndOfDataRefused",
     [](ScriptConnection& c) {
         greet(c);
         c.reply("250 ok\r\n");
         c.reply("250 ok\r\n");
         c.reply("354 go ahead\r\n");
         c.readUntil(".");
         c.send("554 5.7.1 message looks like spam\r\n");
         c.reply("221 bye\r\n");
     },
     Call::smtpSend, VMAIL_FAILURE_REPLY, "554 5.7.1 message looks like spam"},
    {"PasswordLoginsSwitchedOff",
     refusingAuth("535 5.7.139 Authentication unsuccessful, basic authentication is disabled."),
     Call::smtpAuth, VMAIL_FAILURE_REPLY,
     "535 5.7.139 Authentication unsuccessful, basic authentication is disabled."},
    {"TheFirstLineOfAMultiLineRefusal",
     refusingAuth("535-5.7.8 Username and Password not accepted.\r\n"
                  "535 5.7.8  https://support.example/?p=BadCredentials"),
     Call::smtpAuth, VMAIL_FAILURE_REPLY, "535 5.7.8 Username and Password not accepted."},
    {"ALoginStepRefused",
     [](ScriptConnection& c) {
         greet(c, "250-test.example\r\n250 AUTH LOGIN\r\n");
         c.reply("334 VXNlcm5hbWU6\r\n");
         c.reply("501 5.5.2 cannot decode\r\n");
     },
     Call::smtpAuth, VMAIL_FAILURE_REPLY, "501 5.5.2 cannot decode"},
    {"AUtf8RefusalInCodePage932", refusingAuth("535 5.7.8 パスワードが違います ①é😀"),
     Call::smtpAuth, VMAIL_FAILURE_REPLY, "535 5.7.8 パスワードが違います ①??"},
    {"ControlCharactersDropped", refusingAuth("535 5.7.8\tno\rpass\x1b[0m word\x7f"),
     Call::smtpAuth, VMAIL_FAILURE_REPLY, "535 5.7.8nopass[0m word"},
    {"AnOverlongRefusalCutAtACharacter", refusingAuth("535 x" + repeated("あ", 150)),
     Call::smtpAuth, VMAIL_FAILURE_REPLY, "535 x" + repeated("あ", 97)},
    {"AnOldJapaneseServersRefusalKept", refusingPass("-ERR " + cp932("パスワードが違います")),
     Call::pop3Login, VMAIL_FAILURE_REPLY, "-ERR パスワードが違います"},
    {"Pop3GreetingRefused",
     [](ScriptConnection& c) { c.send("-ERR go away\r\n"); c.stayQuiet(1000); },
     Call::pop3Connect, VMAIL_FAILURE_REPLY, "-ERR go away"},
    {"Pop3UserRefused", [](ScriptConnection& c) { pop3Greet(c); c.reply("-ERR no such user\r\n"); },
     Call::pop3Login, VMAIL_FAILURE_REPLY, "-ERR no such user"},
    {"Pop3PasswordRefused", refusingPass("-ERR [AUTH] Authentication failed."), Call::pop3Login, VMAIL_FAILURE_REPLY, "-ERR [AUTH] Authentication failed."},
    {"ApopRefused",
     [](ScriptConnection& c) {
         c.send("+OK ready <1.2@test.example>\r\n");
         c.reply(kNoCapa);
         c.reply("-ERR [AUTH] Authentication failed.\r\n");
     },
     Call::apopLogin, VMAIL_FAILURE_REPLY, "-ERR [AUTH] Authentication failed."},

    // The library's own reasons.
    {"NothingListening", nullptr, Call::smtpConnect, VMAIL_FAILURE_REFUSED,
     "接続を拒否されました (127.0.0.1:{port})"},
    {"NameNotFound", nullptr, Call::pop3Connect, VMAIL_FAILURE_NAME,
     "サーバー名が見つかりません (no-such-host.invalid)", "no-such-host.invalid"},
    {"UnusableServerName", nullptr, Call::smtpConnect, VMAIL_FAILURE_OTHER,
     "サーバー名が正しくありません", "bad host"},
    // Silence outlasts the tests' reply time-out of 1.5 s more than three times; the line gives
    // the time-out in whole seconds, rounded up.
    {"SilentGreeting", [](ScriptConnection& c) { c.stayQuiet(5000); }, Call::smtpConnect,
     VMAIL_FAILURE_NO_ANSWER, "応答がありません (2秒)"},
    {"SilenceAfterMail", kSilentAfterGreeting, Call::smtpSend, VMAIL_FAILURE_NO_ANSWER,
     "応答がありません (2秒)"},
    {"ABrokenSessionKeepsWhatBrokeIt", kSilentAfterGreeting, Call::smtpSendAgain, VMAIL_FAILURE_NO_ANSWER, "応答がありません (2秒)"},
    {"Pop3Silence", [](ScriptConnection& c) { pop3Greet(c); c.stayQuiet(5000); }, Call::pop3Login,
     VMAIL_FAILURE_NO_ANSWER, "応答がありません (2秒)"},
    {"HangUpAfterMail", [](ScriptConnection& c) { greet(c); c.readLine(); }, Call::smtpSend,
     VMAIL_FAILURE_CLOSED, "サーバーが接続を切りました"},
    {"Pop3HangUp", [](ScriptConnection& c) { pop3Greet(c); c.readLine(); }, Call::pop3Login,
     VMAIL_FAILURE_CLOSED, "サーバーが接続を切りました"},
    {"NotAReply",
     [](ScriptConnection& c) { greet(c); c.reply("hello there\r\n"); c.stayQuiet(1000); },
     Call::smtpSend, VMAIL_FAILURE_OTHER, "サーバーの応答が不正です: hello there"},
    {"AReplyLineNoServerSends",
     [](ScriptConnection& c) {
         greet(c);
         c.reply(std::string(2000, '2') + "\r\n");
         c.stayQuiet(1000);
     },
     Call::smtpSend, VMAIL_FAILURE_OTHER, "サーバーの応答が不正です"},
    {"Pop3SpeaksSmtp", [](ScriptConnection& c) { pop3Greet(c); c.reply("220 this is SMTP\r\n"); },
     Call::pop3Login, VMAIL_FAILURE_OTHER, "サーバーの応答が不正です: 220 this is SMTP"},
    {"AChallengeThatIsNotBase64",
     [](ScriptConnection& c) {
         greet(c, "250-test.example\r\n250 AUTH CRAM-MD5\r\n");
         c.reply("334 !!!\r\n");
         c.reply("501 5.7.0 cancelled\r\n");
     },
     Call::smtpAuth, VMAIL_FAILURE_OTHER, "サーバーの応答が不正です: 334 !!!"},
    {"StartTlsRefused", afterStartTls("454 4.7.0 TLS not available due to temporary reason\r\n"),
     Call::smtpConnect, VMAIL_FAILURE_TLS_REFUSED,
     "STARTTLSを拒否されました: 454 4.7.0 TLS not available due to temporary reason"},
    {"StlsRefused",
     [](ScriptConnection& c) {
         c.send("+OK ready\r\n");
         c.reply("+OK\r\nSTLS\r\n.\r\n");
         c.reply("-ERR not now\r\n");
     },
     Call::pop3Connect, VMAIL_FAILURE_TLS_REFUSED, "STLSを拒否されました: -ERR not now"},
    {"PlaintextBehindTheGoAhead", afterStartTls("220 2.0.0 go ahead\r\n250 AUTH PLAIN\r\n"),
     Call::smtpConnect, VMAIL_FAILURE_TLS, "TLSの接続に失敗しました (開始前に余分なデータ)"},
    // A TLS alert (protocol_version) in answer to the client's hello: the TLS library's reason
    // follows the line, in its own words.
    {"TheServerRefusesTheHandshake",
     [](ScriptConnection& c) {
         c.send("220 test.example ESMTP\r\n");
         c.reply(kEhloWithTls);
         c.reply("220 2.0.0 go ahead\r\n");
         c.receiveBytes();
         c.send(std::string("\x15\x03\x03\x00\x02\x02\x46", 7));
         c.stayQuiet(3000);
     },
     Call::smtpConnect, VMAIL_FAILURE_TLS, "TLSの接続に失敗しました", "127.0.0.1", true},
    {"SilenceAfterTheGoAhead", afterStartTls("220 2.0.0 go ahead\r\n"), Call::smtpConnect,
     VMAIL_FAILURE_NO_ANSWER, "応答がありません (TLS, 2秒)"},
    {"HangUpAfterTheGoAhead", afterStartTls("220 2.0.0 go ahead\r\n", 0), Call::smtpConnect,
     VMAIL_FAILURE_CLOSED, "サーバーが接続を切りました"},
    {"NoMechanismInCommon",
     [](ScriptConnection& c) { greet(c, "250-test\r\n250 AUTH GSSAPI XOAUTH2\r\n"); },
     Call::smtpAuth, VMAIL_FAILURE_NO_MECHANISM, "共通の認証方式がありません (サーバー: GSSAPI XOAUTH2)"},
    {"NoMechanismOffered", [](ScriptConnection& c) { greet(c, "250 test\r\n"); }, Call::smtpAuth,
     VMAIL_FAILURE_NO_MECHANISM, "共通の認証方式がありません (サーバー: なし)"},
    {"ApopWithoutATimestamp", [](ScriptConnection& c) { pop3Greet(c); c.reply("+OK bye\r\n"); },
     Call::apopLogin, VMAIL_FAILURE_NO_MECHANISM,
     "APOPを使えません (サーバーの挨拶にタイムスタンプがありません)"},
    {"AnUnusableAddress", [](ScriptConnection& c) { greet(c); c.reply("221 bye\r\n"); },
     Call::smtpSendUnusable, VMAIL_FAILURE_OTHER, "宛先、差出人、件名、本文のどれかが送れない形です"},

    // The one-call send has its own record; success leaves nothing recorded.
    {"OneCallSendRefused", refusingStep(1, "550 5.1.1 user unknown\r\n"), Call::oneCallSend,
     VMAIL_FAILURE_REPLY, "550 5.1.1 user unknown"},
    {"OneCallSendDelivered", kDelivering, Call::oneCallSend, VMAIL_FAILURE_NONE, ""},
    {"SessionSendDelivered", kDelivering, Call::smtpSend, VMAIL_FAILURE_NONE, ""},
};

class FailureDetailTest : public VmailTest, public ::testing::WithParamInterface<DetailRow> {
protected:
    // Makes the row's call; the detail the library reports after it.
    LastError call(const DetailRow& row, int port)
    {
        const char* host = row.host;
        switch (row.call) {
        case Call::smtpConnect:
            EXPECT_EQ(VMailSmtpConnectPortNo(host, port), -1);
            return lastError(-1);
        case Call::pop3Connect:
            EXPECT_EQ(VMailPop3ConnectPortNo(host, port), -1);
            return lastError(-1);
        case Call::oneCallSend:
            vmail::options().plainSmtpPort = port;
            VMailSmtpSendMail(host, "hanako@example.jp", nullptr, nullptr, "taro@example.jp", "s",
                              "b", "X-Mailer: VelmorMail", nullptr, 0);
            return lastSendError();
        case Call::pop3Login:
        case Call::apopLogin: {
            int32_t handle = VMailPop3ConnectPortNo(host, port);
            EXPECT_GE(handle, 1);
            VMailPop3Authenticate(handle, "taro", "secret", row.call == Call::apopLogin);
            LastError detail = lastError(handle);
            VMailPop3Close(handle);
            return detail;
        }
        default: break;
        }
        int32_t handle = VMailSmtpConnectPortNo(host, port);
        EXPECT_GE(handle, 1);
        if (row.call == Call::smtpAuth)
            VMailSmtpAuthenticate(handle, host, "taro", "secret", VMAIL_AUTH_ANY);
        if (row.call == Call::smtpSend || row.call == Call::smtpSendAgain)
            sendEx(handle);
        if (row.call == Call::smtpSendAgain) {
            EXPECT_EQ(sendEx(handle), -1);
        }
        if (row.call == Call::smtpSendUnusable) {
            EXPECT_EQ(VMailSmtpSendMailEx(handle, "not an address", nullptr, nullptr,
                                          "taro@example.jp", "s", "b", "", 0, 0, 0),
                      -501);
        }
        LastError detail = lastError(handle);
        VMailSmtpClose(handle);
        return detail;
    }
};

}  // namespace

TEST_P(FailureDetailTest, TellsWhyTheOperationFailed)
{
    const DetailRow& row = GetParam();
    std::optional<ScriptServer> server;
    int port;
    if (row.server) {
        port = server.emplace(row.server).port();
    } else {
        testnet::Listener closed;  // a port that was free a moment ago
        port = closed.port();
    }
    LastError detail = call(row, port);
    std::string expected = row.line;
    if (std::size_t at = expected.find("{port}"); at != std::string::npos)
        expected.replace(at, 6, std::to_string(port));
    EXPECT_EQ(detail.kind, row.kind);
    if (row.libraryReason) {
        EXPECT_TRUE(detail.line.starts_with(cp932(expected) + " (")) << detail.line;
        EXPECT_TRUE(detail.line.ends_with(")")) << detail.line;
    } else {
        EXPECT_EQ(detail.line, cp932(expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Server, FailureDetailTest, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

class FailureRecordTest : public VmailTest {};

TEST_F(FailureRecordTest, TheLineIsCutToTheBufferAtACharacter)
{
    EXPECT_EQ(VMailSmtpConnectPortNo("no-such-host.invalid", 25), -1);
    const std::string whole = cp932("サーバー名が見つかりません (no-such-host.invalid)");
    EXPECT_EQ(VMailLastError(-1, nullptr, 0), VMAIL_FAILURE_NAME);
    for (int32_t size : {1, 2, 3, 4, 5, 60}) {
        char buffer[64];
        std::fill(std::begin(buffer), std::end(buffer), 'X');
        EXPECT_EQ(VMailLastError(-1, buffer, size), VMAIL_FAILURE_NAME);
        const std::size_t kept = std::min<std::size_t>(whole.size(), (size - 1) / 2 * 2);
        EXPECT_EQ(std::string(buffer), whole.substr(0, kept)) << size;
    }
}

// Each thread has its own last connect and last send; the next success clears them.
TEST_F(FailureRecordTest, TheLastConnectAndSendAreTheCallingThreads)
{
    EXPECT_EQ(VMailSmtpConnectPortNo("no-such-host.invalid", 25), -1);
    EXPECT_EQ(VMailSmtpSendMail("bad host", "a@example.jp", nullptr, nullptr, "b@example.jp", "s",
                                "b", "", nullptr, 0),
              -501);
    LastError other[2];
    std::thread([&] { other[0] = lastError(-1); other[1] = lastSendError(); }).join();
    EXPECT_EQ(other[0].kind, VMAIL_FAILURE_NONE);
    EXPECT_EQ(other[1].kind, VMAIL_FAILURE_NONE);
    EXPECT_EQ(lastError(-1).kind, VMAIL_FAILURE_NAME);
    EXPECT_EQ(lastSendError().line, cp932("サーバー名が正しくありません"));

    ScriptServer server(kDelivering, 2);
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", server.port());
    EXPECT_EQ(lastError(-1).kind, VMAIL_FAILURE_NONE);
    VMailSmtpClose(handle);
    vmail::options().plainSmtpPort = server.port();
    EXPECT_EQ(VMailSmtpSendMail("127.0.0.1", "a@example.jp", nullptr, nullptr, "b@example.jp", "s",
                                "b", "", nullptr, 0),
              0);
    EXPECT_EQ(lastSendError().kind, VMAIL_FAILURE_NONE);
    EXPECT_EQ(lastSendError().line, "");
}

// What the engines found, as the line tells it where the rig cannot show it: a certificate of
// many names, and faults without their details.
TEST(TlsFailureLine, CutsTheNamesToFitAndLeavesOutWhatIsUnknown)
{
    vmail::TlsFault manyNames = vmail::tlsFaultOf(vmail::TlsFaultKind::otherName);
    for (int i = 0; i < 30; ++i)
        manyNames.names.push_back("host" + std::to_string(i) + ".example.jp");
    // The names take at most 180 bytes with the ", ..." after them: 9 of 16 bytes and their commas.
    std::string names;
    for (int i = 0; i < 9; ++i)
        names += (i ? ", host" : "host") + std::to_string(i) + ".example.jp";
    const struct {
        const char* meaning;
        vmail::TlsFault fault;
        int32_t kind;
        std::string line;
    } cases[] = {
        {"many names", manyNames, VMAIL_FAILURE_CERT_NAME,
         "証明書の名前が違います (証明書: " + names + ", ...)"},
        {"no names", vmail::tlsFaultOf(vmail::TlsFaultKind::otherName), VMAIL_FAILURE_CERT_NAME,
         "証明書の名前が違います"},
        {"no date", vmail::tlsFaultOf(vmail::TlsFaultKind::expired), VMAIL_FAILURE_CERT_DATE,
         "証明書の期限切れ (mail.example.jp)"},
        {"no issuer", vmail::tlsFaultOf(vmail::TlsFaultKind::untrusted),
         VMAIL_FAILURE_CERT_UNTRUSTED, "証明書の発行元が信頼されていません"},
        {"a reason with a control character",
         vmail::tlsFaultOf(vmail::TlsFaultKind::handshake, "bad\x01 record"), VMAIL_FAILURE_TLS,
         "TLSの接続に失敗しました (bad record)"},
    };
    for (const auto& c : cases) {
        vmail::Failure failure = vmail::tlsFailure(c.fault, "mail.example.jp");
        EXPECT_EQ(failure.kind, c.kind) << c.meaning;
        EXPECT_EQ(std::string(failure.line), cp932(c.line)) << c.meaning;
    }
}
