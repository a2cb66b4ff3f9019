// velmor.exe end to end: started in a prepared folder, the message typed into its editor and
// Send clicked, against the real servers of the mail rig (and a silent scripted server). A
// sent mail arrives decoded to the editor's text and ends the program with exit code 0; a
// failure leaves it open with its status text and a failure record.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "settings/recipients.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/test_files.h"
#include "tests/vmail/listener.h"
#include "tests/vmail/mail_reader.h"
#include "tests/vmail/rig_env.h"
#include "tests/vmail/script_server.h"
#include "tests/win32/velmor_process.h"
#include "vmail/base64.h"

namespace {

constexpr DWORD kSendTimeoutMs = 30000;

// The editor's text: Japanese, half-width katakana, "①" and a line holding only ".".
const char kSubjectUtf8[] = "今夜の集合 ①";
const char kBodyUtf8[] = "7時に駅前で。ｶﾅもOK\r\n.\r\n遅れたら電話します";

std::string fileText(const std::string& path)
{
    std::ifstream in(rigPath(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

class SendEndToEndTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        env_ = loadRigEnv();
        ASSERT_TRUE(env_.loaded) << "VELMOR_RIG_ENV must name the mail rig's rig.env";
        settings = Settings();
        settings.smtpServer = env_["RIG_HOST"];
        settings.fromName = cp932("山田");
        settings.fromAddress = env_["RIG_ADDRESS"];
        settings.pop3Server = env_["RIG_HOST"];
        settings.pop3UserId = env_["RIG_USER"];
        settings.pop3Password = env_["RIG_PASSWORD"];
        settings.toName = cp932("花子");
        settings.toAddress = env_["RIG_RECIPIENT"];
        settings.charLimit = 50;
        settings.popBeforeSmtp = 1;
        settings.smtpPort = 25;
    }
    void TearDown() override
    {
        settings = Settings();
        ScratchFolderTest::TearDown();
    }

    std::string message() const { return cp932(kSubjectUtf8) + "\r\n" + cp932(kBodyUtf8); }

    // Starts the program with the settings as they stand, types the message and clicks Send.
    void startAndSend(const std::string& text)
    {
        saveSettings();
        ASSERT_NE(program_.start(), nullptr);
        program_.type(text);
        ASSERT_EQ(VelmorProcess::textOf(program_.control(1005)), text.substr(0, text.find('\r')));
        program_.click(1002);
    }

    // The delivered mail whose subject decodes to the one typed, waited for, bounded.
    Delivered delivered(const std::string& subjectUtf8)
    {
        for (int i = 0; i < 200; ++i) {
            for (const std::string& name : maildirMessages(env_["RIG_RECIPIENT_MAILDIR"])) {
                Delivered mail = parse(fileBytes(name.c_str()));
                if (decodeWords(mail.field("Subject")) == subjectUtf8 &&
                    seen_.find(name) == std::string::npos) {
                    seen_ += name + "\n";
                    return mail;
                }
            }
            Sleep(100);
        }
        return Delivered();
    }

    void expectDeliveredAndLogged(const std::string& subjectUtf8, const std::string& bodyUtf8,
                                  const std::string& typed)
    {
        EXPECT_EQ(program_.exitCode(kSendTimeoutMs), 0u);
        Delivered mail = delivered(subjectUtf8);
        lastDelivered_ = mail;
        ASSERT_FALSE(mail.headers.empty()) << "no delivery";
        EXPECT_EQ(mail.field("X-Mailer"), "VelmorMail");
        EXPECT_EQ(mail.field("From"), env_["RIG_ADDRESS"]);
        EXPECT_EQ(mail.field("To"), env_["RIG_RECIPIENT"]);
        std::optional<std::string> body = vmail::base64Decode(mail.body);
        ASSERT_TRUE(body);
        EXPECT_EQ(*body, bodyUtf8);
        // The last record of the log is the sent one.
        std::string log = fileBytes("send-log.dat");
        std::size_t last = log.rfind("#\r\nFrom:");
        ASSERT_NE(last, std::string::npos);
        log = log.substr(last);
        std::string expectedHead = "#\r\nFrom:" + cp932("山田") + "<" + env_["RIG_ADDRESS"] +
                                   ">\r\nTo:" + env_["RIG_RECIPIENT"] + "\r\nDate:";
        EXPECT_EQ(log.substr(0, expectedHead.size()), expectedHead);
        EXPECT_TRUE(log.ends_with("\r\nSubject:\r\n" + typed + "\r\n")) << log;
    }

    void expectFailureLeftOpen(const std::string& status, DWORD timeoutMs = 90000)
    {
        EXPECT_TRUE(program_.waitForStatus(status, timeoutMs))
            << "status: " << VelmorProcess::textOf(program_.control(1006));
        // The record follows the status text: wait for it, bounded.
        const std::string failure = cp932("エラーにより送信できませんでした") + "\r\n";
        for (int i = 0; i < 50 && !fileBytes("send-log.dat").ends_with(failure); ++i)
            Sleep(100);
        EXPECT_TRUE(fileBytes("send-log.dat").ends_with(failure));
        EXPECT_EQ(program_.exitCode(0), static_cast<DWORD>(STILL_ACTIVE));
    }

    RigEnv env_;
    VelmorProcess program_;
    std::string seen_;
    Delivered lastDelivered_;
};

// Forwards one connection at a time from a loopback port to the rig: the SMTP server as it
// is after "a restart".
class Relay {
public:
    Relay(int listenPort, int targetPort) : listener_(listenPort), targetPort_(targetPort)
    {
        thread_ = std::thread([this] {
            while (!stop_) {
                testnet::Peer client = listener_.accept(200);
                if (client != testnet::kNoPeer)
                    forward(client);
            }
        });
    }
    ~Relay()
    {
        stop_ = true;
        thread_.join();
    }
    int port() const { return listener_.port(); }

private:
    void forward(testnet::Peer client)
    {
        SOCKET server = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<u_short>(targetPort_));
        if (connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            char buffer[8192];
            for (int idle = 0; idle < 300 && !stop_;) {  // 30 s without traffic ends it
                long fromClient = testnet::receiveFrom(client, buffer, sizeof buffer, 50);
                if (fromClient == 0)
                    break;
                if (fromClient > 0)
                    testnet::sendTo(static_cast<testnet::Peer>(server), std::string_view(buffer, fromClient));
                long fromServer = testnet::receiveFrom(static_cast<testnet::Peer>(server), buffer, sizeof buffer, 50);
                if (fromServer == 0)
                    break;
                if (fromServer > 0)
                    testnet::sendTo(client, std::string_view(buffer, fromServer));
                idle = fromClient > 0 || fromServer > 0 ? 0 : idle + 1;
            }
        }
        closesocket(server);
        testnet::closePeer(client);
    }

    testnet::Listener listener_;
    int targetPort_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

TEST_F(SendEndToEndTest, PopBeforeSmtpWithAPlainLoginThenThePlainSend)
{
    startAndSend(message());
    expectDeliveredAndLogged(kSubjectUtf8, kBodyUtf8, message());
}

TEST_F(SendEndToEndTest, ApopBeforeSmtpThenThePlainSend)
{
    settings.popBeforeSmtp = 0;
    settings.apopBeforeSmtp = 1;
    startAndSend(message());
    expectDeliveredAndLogged(kSubjectUtf8, kBodyUtf8, message());
    EXPECT_NE(fileText(env_["RIG_DOVECOT_LOG"]).find("APOP"), std::string::npos);
}

TEST_F(SendEndToEndTest, SmtpAuthWithEachMechanism)
{
    const struct {
        const char* portKey;
        const char* method;
    } servers[] = {{"RIG_SUBMISSION_PORT", "CRAM-MD5"}, {"RIG_LOGIN_ONLY_PORT", "LOGIN"},
                   {"RIG_PLAIN_ONLY_PORT", "PLAIN"}};
    for (const auto& server : servers) {
        SCOPED_TRACE(server.method);
        VelmorProcess program;
        settings.smtpAuth = 1;
        settings.popBeforeSmtp = 0;
        settings.smtpPort = env_.port(server.portKey);
        saveSettings();
        ASSERT_NE(program.start(), nullptr);
        const std::string subject = std::string("AUTH ") + server.method + " " + uniqueMarker("e2e");
        program.type(subject + "\r\n" + cp932(kBodyUtf8));
        program.click(1002);
        EXPECT_EQ(program.exitCode(kSendTimeoutMs), 0u);
        Delivered mail = delivered(subject);
        ASSERT_FALSE(mail.headers.empty());
        EXPECT_EQ(mail.field("X-Mailer"), "VelmorMail");
        EXPECT_NE(fileText(env_["RIG_POSTFIX_LOG"]).find(std::string("sasl_method=") + server.method),
                  std::string::npos);
    }
}

// The servers' name first resolves to an IPv6 address that never answers: both ways of sending
// get through its IPv4 address. The same text sent by two runs of the program goes out as two
// mails with two Message-IDs: only a retry within one run is the same message.
TEST_F(SendEndToEndTest, ANameWhoseFirstAddressIsSilentStillSendsBothWays)
{
    settings.smtpServer = env_["RIG_DUAL_HOST"];
    settings.pop3Server = env_["RIG_DUAL_HOST"];
    startAndSend(message());
    expectDeliveredAndLogged(kSubjectUtf8, kBodyUtf8, message());
    const std::string firstId = lastDelivered_.field("Message-ID");

    settings.smtpAuth = 1;
    settings.popBeforeSmtp = 0;
    settings.smtpPort = env_.port("RIG_SUBMISSION_PORT");
    startAndSend(message());
    expectDeliveredAndLogged(kSubjectUtf8, kBodyUtf8, message());
    EXPECT_NE(lastDelivered_.field("Message-ID"), firstId);
}

// The send runs beside the window: while the server holds its reply to DATA (3 s), the Main
// window answers at once, stays disabled and refuses to close, and a shutdown waits; the mail
// then goes out once and the window closes. A machine under load may delay one answer past
// 100 ms, never past 1 s; a send that blocked the window would not answer for the whole 3 s.
TEST_F(SendEndToEndTest, TheWindowAnswersButNeitherTakesInputNorClosesWhileTheServerWaits)
{
    settings.smtpAuth = 1;
    settings.popBeforeSmtp = 0;
    settings.smtpPort = env_.port("RIG_SLOW_SUBMISSION_PORT");
    const std::string subject = uniqueMarker("answering");
    startAndSend(subject + "\r\n" + cp932(kBodyUtf8));
    ASSERT_TRUE(program_.waitForStatus(cp932(">AUTHメールを送信中"), 10000));
    const HWND window = program_.window();
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD_PTR mayEnd = TRUE;
    SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 1000, &mayEnd);
    EXPECT_EQ(mayEnd, static_cast<DWORD_PTR>(FALSE)) << "a shutdown must wait for the send";
    auto answers = [&](UINT timeoutMs) {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
    };
    int answered = 0;
    int late = 0;
    while (answered < 300 && IsWindow(window) && !IsWindowEnabled(window)) {
        if (!answers(100)) {
            ++late;
            if (!IsWindow(window) || !answers(1000))
                break;
        }
        ++answered;
        Sleep(20);
    }
    EXPECT_GE(answered, 10) << "the window must answer throughout the server's wait";
    EXPECT_LE(late, 1);
    EXPECT_EQ(program_.exitCode(kSendTimeoutMs), 0u);
    EXPECT_FALSE(delivered(subject).headers.empty());
    int copies = 0;
    for (const std::string& name : maildirMessages(env_["RIG_RECIPIENT_MAILDIR"]))
        copies += fileBytes(name.c_str()).find(subject) != std::string::npos ? 1 : 0;
    EXPECT_EQ(copies, 1);
}

TEST_F(SendEndToEndTest, AWrongPasswordLeavesTheProgramOpen)
{
    settings.pop3Password = "wrong-password";
    startAndSend(message());
    expectFailureLeftOpen(cp932(">POPｻｰﾊﾞｰ認証に失敗"));
    // The server's own words, beside the status line.
    EXPECT_EQ(program_.tooltipText(program_.window(), 1006),
              cp932("POP3認証: -ERR [AUTH] Authentication failed."));
}

TEST_F(SendEndToEndTest, AnUnknownRecipientShowsTheServersRefusal)
{
    settings.toAddress = env_["RIG_UNKNOWN"];
    startAndSend(message());
    expectFailureLeftOpen(cp932("送信先ﾒﾙｱﾄﾞ存在せず"));
}

TEST_F(SendEndToEndTest, NoServerListeningThenTheServerBackSendsOnTheSecondTry)
{
    int port;
    {
        testnet::Listener free;  // a port nothing listens on once this closes
        port = free.port();
    }
    settings.smtpAuth = 1;
    settings.popBeforeSmtp = 0;
    settings.smtpPort = port;
    startAndSend(message());
    expectFailureLeftOpen(cp932(">SMTPサーバーに接続できません"));
    // The server comes back on that port: the same window sends on the second click.
    Relay relay(port, env_.port("RIG_SUBMISSION_PORT"));
    ASSERT_EQ(relay.port(), port);
    program_.click(1002);
    expectDeliveredAndLogged(kSubjectUtf8, kBodyUtf8, message());
}

// The program gives up on a reply after 60 s; the server's silence, and the wait for the status
// text, are three times that.
TEST_F(SendEndToEndTest, AServerThatStopsAnsweringTimesOutAndTheProgramStaysOpen)
{
    constexpr DWORD kSilenceMs = 180000;
    ScriptServer silent([](ScriptConnection& c) {
        c.send("220 slow.example ESMTP\r\n");
        c.reply("250-slow.example\r\n250 AUTH PLAIN\r\n");
        c.reply("235 ok\r\n");
        c.stayQuiet(kSilenceMs);  // takes MAIL FROM and never answers
    });
    settings.smtpAuth = 1;
    settings.popBeforeSmtp = 0;
    settings.smtpPort = silent.port();
    startAndSend(message());
    expectFailureLeftOpen(cp932("タイムアウト。"), kSilenceMs);
}

// The send log is a record for the user, not part of the send: a log that cannot be written
// (a read-only file, a folder in its place) loses the record, and the sent program still closes.
TEST_F(SendEndToEndTest, AnUnwritableSendLogNeitherStopsTheSendNorTheClosing)
{
    for (bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly);
        if (readOnly) {
            writeFileBytes("send-log.dat", "#\r\nold record\r\n");
            ASSERT_TRUE(SetFileAttributesA("send-log.dat", FILE_ATTRIBUTE_READONLY));
        } else {
            ASSERT_TRUE(CreateDirectoryA("send-log.dat", nullptr));
        }
        startAndSend(message());
        EXPECT_EQ(program_.exitCode(kSendTimeoutMs), 0u);
        EXPECT_FALSE(delivered(kSubjectUtf8).headers.empty()) << "no delivery";
        if (readOnly) {
            // Whether the record was lost depends on the system: Wine running as root writes
            // read-only files all the same.
            SetFileAttributesA("send-log.dat", FILE_ATTRIBUTE_NORMAL);
            DeleteFileA("send-log.dat");
        } else {
            RemoveDirectoryA("send-log.dat");
        }
    }
}
