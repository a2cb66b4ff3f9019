// The send procedure and its three steps, over the mail library's C interface.
#include "send/send_procedure.h"

#include "common/number_text.h"
#include "log/send_log.h"
#include "message/message_texts.h"
#include "send/failure_detail.h"
#include "send/result_message.h"
#include "send/shell_operations.h"
#include "settings/settings.h"
#include "vmail/vmail.h"

namespace {

constexpr char kExtraHeader[] = "X-Mailer: VelmorMail";
constexpr std::int32_t kPop3Port = 110;
constexpr std::int32_t kAllMechanisms = VMAIL_AUTH_ANY;  // CRAM-MD5, LOGIN and PLAIN, in that order

// Status texts, code page 932.
constexpr char kWinSockFailed[] = ">WinSock Open \x8e\xb8\x94s";  // ">WinSock Open 失敗"
constexpr char kWinSockOpen[] = ">WinSock \x82\xf0\x83I\x81[\x83v\x83\x93";  // ">WinSock をオープン"
constexpr char kPop3ConnectFailed[] = ">POP3 \x90\xda\x91\xb1\x83G\x83\x89\x81[";  // ">POP3 接続エラー"
constexpr char kSocketOpen[] =
    ">\x83\x5c\x83P\x83" "b\x83g\x82\xf0\x83I\x81[\x83v\x83\x93";  // ">ソケットをオープン"
constexpr char kPop3ConnectionError[] = ">\x90\xda\x91\xb1\x83G\x83\x89\x81[";  // ">接続エラー"
constexpr char kPop3LoginRefused[] =
    ">POP\xbb\xb0\xca\xde\xb0\x94" "F\x8f\xd8\x82\xc9\x8e\xb8\x94s";  // ">POPｻｰﾊﾞｰ認証に失敗"
constexpr char kPop3Timeout[] = ">\x83^\x83" "C\x83\x80\x83" "A\x83" "E\x83g";  // ">タイムアウト"
constexpr char kPop3OtherError[] =
    ">\x82\xbb\x82\xcc\x91\xbc\x82\xcc\x83G\x83\x89\x81[";  // ">その他のエラー"
constexpr char kPop3CloseFailed[] =
    ">Pop\xbb\xb0\xca\xde\xb0\x90\xda\x91\xb1\x8fI\x97\xb9\xb4\xd7\xb0";  // ">Popｻｰﾊﾞｰ接続終了ｴﾗｰ"
constexpr char kPop3Done[] = ">PopBeforSMTP OK";
constexpr char kSending[] = ">\x83\x81\x81[\x83\x8b\x82\xf0\x91\x97\x90M\x92\x86";  // ">メールを送信中"
constexpr char kAuthSending[] =
    ">AUTH\x83\x81\x81[\x83\x8b\x82\xf0\x91\x97\x90M\x92\x86";  // ">AUTHメールを送信中"
constexpr char kWritingLog[] =
    ">\x83\x8d\x83O\x83t\x83@\x83" "C\x83\x8b\x8f\x91\x82\xab\x8d\x9e\x82\xdd";  // ">ログファイル書き込み"
constexpr char kSmtpConnectFailed[] =
    ">SMTP\x83T\x81[\x83o\x81[\x82\xc9\x90\xda\x91\xb1\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1";  // ">SMTPサーバーに接続できません"
constexpr char kSmtpAuthFailed[] = ">SMTP\x94" "F\x8f\xd8\x82\xc9\x8e\xb8\x94s";  // ">SMTP認証に失敗"

struct LoginFailure {
    std::int32_t code;
    const char* status;
};

constexpr LoginFailure kLoginFailures[] = {
    {-1, kPop3ConnectionError},
    {-2, kPop3LoginRefused},
    {-4, kPop3Timeout},
    {-10, kPop3OtherError},
};

// Room for the library's line of a failure: about 250 bytes at the most.
constexpr std::int32_t kDetailBytes = 512;

// Where the library keeps the reason of a failure: a session, by its handle (-1 for a connect
// that gave none), or the last one-call send.
constexpr std::int32_t kOneCallSend = -2;

// The library's reason why step failed, read before the session is closed, beside the status
// line.
void showLibraryDetail(SendStep step, std::int32_t source)
{
    char line[kDetailBytes] = {};
    std::int32_t kind = source == kOneCallSend ? VMailLastSendError(line, kDetailBytes)
                                               : VMailLastError(source, line, kDetailBytes);
    showFailureDetail(failureDetail(step, kind, line));
}

// Starts the socket layer for one step; on failure says so and ends it again.
bool startWinSock()
{
    if (VMailInitializeWinSock() == 0) {
        showStatus(kWinSockFailed);
        VMailEndWinSock();
        return false;
    }
    showStatus(kWinSockOpen);
    return true;
}

// The SMTP AUTH port: the stored number truncated toward zero, held to the 32-bit range.
std::int32_t smtpAuthPort() { return truncateToInt32(settings.smtpPort); }

}  // namespace

int loginPopBeforeSmtp()
{
    if (!startWinSock())
        return 1;
    std::int32_t handle = VMailPop3ConnectPortNo(settings.pop3Server.c_str(), kPop3Port);
    bool loggedIn = false;
    if (handle == -1) {
        showStatus(kPop3ConnectFailed);
        showLibraryDetail(SendStep::pop3Connect, handle);
    } else {
        showStatus(kSocketOpen);
        std::int32_t result = VMailPop3Authenticate(handle, settings.pop3UserId.c_str(),
                                                    settings.pop3Password.c_str(),
                                                    settings.apopBeforeSmtp == 1 ? 1 : 0);
        loggedIn = true;
        for (const LoginFailure& failure : kLoginFailures) {
            if (result == failure.code) {
                showStatus(failure.status);
                loggedIn = false;
            }
        }
        if (!loggedIn)
            showLibraryDetail(SendStep::pop3Login, handle);
    }
    if (!loggedIn) {
        VMailPop3Close(handle);
        VMailEndWinSock();
        return 1;
    }
    if (VMailPop3Close(handle) != 1)
        showStatus(kPop3CloseFailed);
    VMailEndWinSock();
    showStatus(kPop3Done);
    return 0;
}

SendOutcome sendByPlainSmtp()
{
    if (!startWinSock())
        return SendOutcome();
    showStatus(kSending);
    std::int32_t result = VMailSmtpSendMail(settings.smtpServer.c_str(), settings.toAddress.c_str(),
                                            nullptr, nullptr, settings.fromAddress.c_str(),
                                            messageSubject.c_str(), messageBody.c_str(),
                                            kExtraHeader, nullptr, 0);
    if (result < 0)
        showLibraryDetail(SendStep::smtpSend, kOneCallSend);
    VMailEndWinSock();
    return SendOutcome{true, result};
}

SendOutcome sendBySmtpAuth()
{
    if (!startWinSock())
        return SendOutcome();
    showStatus(kAuthSending);
    SendOutcome outcome;
    std::int32_t handle = VMailSmtpConnectPortNo(settings.smtpServer.c_str(), smtpAuthPort());
    if (handle == -1) {
        showStatus(kSmtpConnectFailed);
        showLibraryDetail(SendStep::smtpConnect, handle);
    } else if (VMailSmtpAuthenticate(handle, settings.smtpServer.c_str(), settings.pop3UserId.c_str(),
                                     settings.pop3Password.c_str(), kAllMechanisms) != 1) {
        showStatus(kSmtpAuthFailed);
        showLibraryDetail(SendStep::smtpLogin, handle);
    } else {
        outcome.handedOver = true;
        outcome.result = VMailSmtpSendMailEx(handle, settings.toAddress.c_str(), nullptr, nullptr,
                                             settings.fromAddress.c_str(), messageSubject.c_str(),
                                             messageBody.c_str(), kExtraHeader, 0, 0, 0);
        if (outcome.result < 0)
            showLibraryDetail(SendStep::smtpSend, handle);
    }
    VMailSmtpClose(handle);
    VMailEndWinSock();
    return outcome;
}

void sendCurrentMessage()
{
    showFailureDetail(Text());  // the last attempt's reason no longer holds
    SendOutcome outcome;
    if (settings.smtpAuth != 0) {
        outcome = sendBySmtpAuth();
    } else {
        if (loginPopBeforeSmtp() == 1) {
            appendFailureRecord();
            return;
        }
        outcome = sendByPlainSmtp();
    }
    if (!outcome.handedOver) {
        appendFailureRecord();
        return;
    }
    if (outcome.result < 0) {
        showStatus(resultMessage(outcome.result));
        appendFailureRecord();
        return;
    }
    showStatus(kWritingLog);
    appendSentRecord();
    closeMainWindow();
}
