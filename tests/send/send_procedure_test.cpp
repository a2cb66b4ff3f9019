// The send procedure against a scripted mail library: which calls it makes with which
// arguments, which status texts it shows in which order, what it logs and when it closes.
#include "send/send_procedure.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/send/fake_vmail.h"
#include "tests/send/send_fixture.h"

namespace {

using Lines = std::vector<std::string>;

class SendProcedureTest : public SendTest {
protected:
    void SetUp() override
    {
        SendTest::SetUp();
        fakeVmail = FakeVmail();
    }

    void answer(const std::string& name, std::initializer_list<std::int32_t> values)
    {
        fakeVmail.results[name].assign(values);
    }

    bool loggedFailure() const
    {
        return fileBytes("send-log.dat").find(cp932("エラーにより送信できませんでした")) !=
               std::string::npos;
    }
    bool loggedSent() const { return fileBytes("send-log.dat").find("\r\nFrom:Taro<taro@example.jp>\r\n") != std::string::npos; }
};

const std::string kOpen = cp932(">WinSock をオープン");
const std::string kSocket = cp932(">ソケットをオープン");
const std::string kPopDone = ">PopBeforSMTP OK";
const std::string kSending = cp932(">メールを送信中");
const std::string kAuthSending = cp932(">AUTHメールを送信中");
const std::string kWritingLog = cp932(">ログファイル書き込み");

// A step that fails before any mail goes out: the calls made up to it and the closing ones,
// the status texts shown, a failure logged and the Main window left open.
struct FailedStep {
    const char* name;
    std::int16_t smtpAuth;
    const char* operation;  // the call that fails, and its result
    std::int32_t result;
    Lines calls;
    Lines statuses;      // in UTF-8
    const char* detail;  // beside the status line, in UTF-8; empty for none
};

// gtest shows a row by its name, not by its bytes (string buffers and padding are unset).
void PrintTo(const FailedStep& row, std::ostream* out)
{
    *out << row.name;
}

const char kInit[] = "VMailInitializeWinSock()";
const char kEnd[] = "VMailEndWinSock()";
const char kPopConnect[] = "VMailPop3ConnectPortNo(pop.example.jp,110)";
const char kSmtpConnect[] = "VMailSmtpConnectPortNo(smtp.example.jp,587)";

// The POP3 login refused with result, and the text that says so; the library's reason is read
// before the session is closed.
FailedStep refusedLogin(const char* name, std::int32_t result, const char* text)
{
    return {name, 0, "VMailPop3Authenticate", result,
            {kInit, kPopConnect, "VMailPop3Authenticate(3,taro,secret,0)", "VMailLastError(3)",
             "VMailPop3Close(3)", kEnd},
            {">WinSock をオープン", ">ソケットをオープン", text},
            "POP3認証: 550 5.7.1 scripted refusal"};
}

const FailedStep kFailedSteps[] = {
    {"WinSockDoesNotStart", 0, "VMailInitializeWinSock", 0, {kInit, kEnd}, {">WinSock Open 失敗"}, ""},
    {"Pop3ConnectionFailsAndClosesNoHandle", 0, "VMailPop3ConnectPortNo", -1,
     {kInit, kPopConnect, "VMailLastError(-1)", "VMailPop3Close(-1)", kEnd},
     {">WinSock をオープン", ">POP3 接続エラー"}, "POP3接続: 550 5.7.1 scripted refusal"},
    refusedLogin("Pop3LoginConnectionError", -1, ">接続エラー"),
    refusedLogin("Pop3LoginRefused", -2, ">POPｻｰﾊﾞｰ認証に失敗"),
    refusedLogin("Pop3LoginTimedOut", -4, ">タイムアウト"),
    refusedLogin("Pop3LoginOtherError", -10, ">その他のエラー"),
    {"SmtpAuthConnectionFailsAndClosesNoHandle", 1, "VMailSmtpConnectPortNo", -1,
     {kInit, kSmtpConnect, "VMailLastError(-1)", "VMailSmtpClose(-1)", kEnd},
     {">WinSock をオープン", ">AUTHメールを送信中", ">SMTPサーバーに接続できません"},
     "SMTP接続: 550 5.7.1 scripted refusal"},
    {"SmtpAuthLoginRefused", 1, "VMailSmtpAuthenticate", -535,
     {kInit, kSmtpConnect, "VMailSmtpAuthenticate(5,smtp.example.jp,taro,secret,7)",
      "VMailLastError(5)", "VMailSmtpClose(5)", kEnd},
     {">WinSock をオープン", ">AUTHメールを送信中", ">SMTP認証に失敗"},
     "SMTP認証: 550 5.7.1 scripted refusal"},
};

class FailedStepTest : public SendProcedureTest, public ::testing::WithParamInterface<FailedStep> {};

}  // namespace

TEST_P(FailedStepTest, ShowsItsTextSendsNothingAndStaysOpen)
{
    settings.smtpAuth = GetParam().smtpAuth;
    answer(GetParam().operation, {GetParam().result});
    sendCurrentMessage();
    EXPECT_EQ(fakeVmail.calls, GetParam().calls);
    Lines statuses;
    for (const std::string& status : GetParam().statuses)
        statuses.push_back(cp932(status));
    EXPECT_EQ(recordingShell.statuses, statuses);
    // The last attempt's detail is removed first.
    Lines details{""};
    if (*GetParam().detail)
        details.push_back(cp932(GetParam().detail));
    EXPECT_EQ(recordingShell.failureDetails, details);
    EXPECT_TRUE(loggedFailure());
    EXPECT_EQ(recordingShell.closeRequests, 0);
}

INSTANTIATE_TEST_SUITE_P(Step, FailedStepTest, ::testing::ValuesIn(kFailedSteps),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(SendProcedureTest, PopBeforeSmtpThenThePlainSendInTheirOrder)
{
    sendCurrentMessage();
    EXPECT_EQ(fakeVmail.calls,
              (Lines{"VMailInitializeWinSock()",
                     "VMailPop3ConnectPortNo(pop.example.jp,110)",
                     "VMailPop3Authenticate(3,taro,secret,0)",
                     "VMailPop3Close(3)",
                     "VMailEndWinSock()",
                     "VMailInitializeWinSock()",
                     "VMailSmtpSendMail(smtp.example.jp,hanako@example.jp,null,null,taro@example.jp,"
                     "Subject,Body,X-Mailer: VelmorMail,null,0)",
                     "VMailEndWinSock()"}));
    EXPECT_EQ(recordingShell.statuses, (Lines{kOpen, kSocket, kPopDone, kOpen, kSending, kWritingLog}));
    EXPECT_EQ(recordingShell.failureDetails, Lines{""});
    EXPECT_TRUE(loggedSent());
    EXPECT_FALSE(loggedFailure());
    EXPECT_EQ(recordingShell.closeRequests, 1);
}

TEST_F(SendProcedureTest, ApopIsUsedOnlyForTheFlagValueOne)
{
    for (int flag : {1, 0, 2}) {
        fakeVmail = FakeVmail();
        settings.apopBeforeSmtp = static_cast<std::int16_t>(flag);
        sendCurrentMessage();
        EXPECT_EQ(fakeVmail.calls[2],
                  "VMailPop3Authenticate(3,taro,secret," + std::string(flag == 1 ? "1" : "0") + ")");
    }
}

TEST_F(SendProcedureTest, SmtpAuthMakesNoPop3CallAndUsesThePortAndAllMechanisms)
{
    settings.smtpAuth = 2;  // any value but 0 means on
    settings.popBeforeSmtp = 1;
    settings.smtpPort = 587.9;
    sendCurrentMessage();
    EXPECT_EQ(fakeVmail.calls,
              (Lines{"VMailInitializeWinSock()",
                     "VMailSmtpConnectPortNo(smtp.example.jp,587)",
                     "VMailSmtpAuthenticate(5,smtp.example.jp,taro,secret,7)",
                     "VMailSmtpSendMailEx(5,hanako@example.jp,null,null,taro@example.jp,Subject,"
                     "Body,X-Mailer: VelmorMail,0,0,0)",
                     "VMailSmtpClose(5)",
                     "VMailEndWinSock()"}));
    EXPECT_EQ(recordingShell.statuses, (Lines{kOpen, kAuthSending, kWritingLog}));
    EXPECT_EQ(recordingShell.closeRequests, 1);
}

TEST_F(SendProcedureTest, AnUnsetPortIsPassedAsZero)
{
    settings.smtpAuth = 1;
    settings.smtpPort = 0;
    sendCurrentMessage();
    EXPECT_EQ(fakeVmail.calls[1], "VMailSmtpConnectPortNo(smtp.example.jp,0)");
}

TEST_F(SendProcedureTest, WithoutSettingsThePlainPop3LoginIsTried)
{
    settings = Settings();
    messageSubject.clear();
    messageBody.clear();
    sendCurrentMessage();
    EXPECT_EQ(fakeVmail.calls[1], "VMailPop3ConnectPortNo(,110)");
    EXPECT_EQ(fakeVmail.calls[2], "VMailPop3Authenticate(3,,,0)");
    EXPECT_EQ(fakeVmail.calls[6], "VMailSmtpSendMail(,,null,null,,,,X-Mailer: VelmorMail,null,0)");
}

TEST_F(SendProcedureTest, AWinSockThatDoesNotStartForTheSendEndsTheStep)
{
    for (int smtpAuth : {0, 1}) {
        fakeVmail = FakeVmail();
        recordingShell = RecordingShell();
        settings.smtpAuth = static_cast<std::int16_t>(smtpAuth);
        answer("VMailInitializeWinSock", {1, 0});  // the plain send's start fails; AUTH's the first
        if (smtpAuth)
            answer("VMailInitializeWinSock", {0});
        sendCurrentMessage();
        EXPECT_EQ(recordingShell.statuses.back(), cp932(">WinSock Open 失敗"));
        EXPECT_EQ(fakeVmail.names().back(), "VMailEndWinSock");
        EXPECT_EQ(recordingShell.closeRequests, 0);
    }
}

TEST_F(SendProcedureTest, AnyOtherLoginResultCountsAsLoggedIn)
{
    answer("VMailPop3Authenticate", {-3});
    sendCurrentMessage();
    EXPECT_EQ(recordingShell.closeRequests, 1);
    EXPECT_TRUE(loggedSent());
}

TEST_F(SendProcedureTest, AnUncleanPop3CloseIsShownAndTheSendGoesOn)
{
    answer("VMailPop3Close", {0});
    sendCurrentMessage();
    EXPECT_EQ(recordingShell.statuses,
              (Lines{kOpen, kSocket, cp932(">Popｻｰﾊﾞｰ接続終了ｴﾗｰ"), kPopDone, kOpen, kSending, kWritingLog}));
    EXPECT_EQ(recordingShell.closeRequests, 1);
}

TEST_F(SendProcedureTest, ARefusedSendShowsTheResultTextAndStaysOpen)
{
    const struct {
        std::int32_t result;
        const char* text;
    } cases[] = {{-553, "ﾒｰﾙﾎﾞｯｸｽ名が不正"}, {-999, "何らかのエラー"}, {-4, "タイムアウト。"}, {-1, "接続等のエラー。"}};
    for (int smtpAuth : {0, 1}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.result);
            fakeVmail = FakeVmail();
            recordingShell = RecordingShell();
            settings.smtpAuth = static_cast<std::int16_t>(smtpAuth);
            answer(smtpAuth ? "VMailSmtpSendMailEx" : "VMailSmtpSendMail", {c.result});
            sendCurrentMessage();
            EXPECT_EQ(recordingShell.statuses.back(), cp932(c.text));
            EXPECT_EQ(recordingShell.failureDetails.back(), cp932("SMTP送信: 550 5.7.1 scripted refusal"));
            EXPECT_EQ(recordingShell.closeRequests, 0);
        }
    }
    EXPECT_TRUE(loggedFailure());
    EXPECT_FALSE(loggedSent());
}

TEST_F(SendProcedureTest, AnySendResultOfZeroOrMoreIsSent)
{
    answer("VMailSmtpSendMail", {250});
    sendCurrentMessage();
    EXPECT_EQ(recordingShell.closeRequests, 1);
    EXPECT_TRUE(loggedSent());
}

TEST_F(SendProcedureTest, SendingAgainAfterAFailureRunsEveryStepAgain)
{
    answer("VMailPop3Authenticate", {-2});
    sendCurrentMessage();
    EXPECT_EQ(recordingShell.closeRequests, 0);
    fakeVmail.calls.clear();
    sendCurrentMessage();
    EXPECT_EQ(fakeVmail.names().size(), 8u);
    EXPECT_EQ(fakeVmail.calls[1], "VMailPop3ConnectPortNo(pop.example.jp,110)");
    EXPECT_EQ(recordingShell.closeRequests, 1);
    // One failure record, then one sent record.
    std::string log = fileBytes("send-log.dat");
    EXPECT_LT(log.find(cp932("エラーにより")), log.find("From:Taro"));
}

TEST_F(SendProcedureTest, AnEmptyEditorSendsAnEmptySubjectAndBody)
{
    messageText.clear();
    messageSubject.clear();
    messageBody.clear();
    sendCurrentMessage();
    EXPECT_EQ(fakeVmail.calls[6],
              "VMailSmtpSendMail(smtp.example.jp,hanako@example.jp,null,null,taro@example.jp,,,"
              "X-Mailer: VelmorMail,null,0)");
    EXPECT_TRUE(loggedSent());
}
