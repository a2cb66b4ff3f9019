// The detail of a failed send.
#include "send/failure_detail.h"

#include "vmail/vmail.h"

namespace {

constexpr const char* kStepNames[] = {
    "POP3\x90\xda\x91\xb1",    // "POP3接続"
    "POP3\x94" "F\x8f\xd8",    // "POP3認証"
    "SMTP\x90\xda\x91\xb1",    // "SMTP接続"
    "SMTP\x94" "F\x8f\xd8",    // "SMTP認証"
    "SMTP\x91\x97\x90M",       // "SMTP送信"
};

// "このサーバーはパスワードでの送信を受け付けません。アプリパスワードかOAuth2対応のソフトが必要です。"
constexpr char kNoPasswordLogins[] =
    "\x82\xb1\x82\xcc\x83T\x81[\x83o\x81[\x82\xcd\x83p\x83X\x83\x8f\x81[\x83h\x82\xc5\x82\xcc"
    "\x91\x97\x90M\x82\xf0\x8e\xf3\x82\xaf\x95t\x82\xaf\x82\xdc\x82\xb9\x82\xf1\x81" "B"
    "\x83" "A\x83v\x83\x8a\x83p\x83X\x83\x8f\x81[\x83h\x82\xa9OAuth2\x91\xce\x89\x9e\x82\xcc"
    "\x83\x5c\x83t\x83g\x82\xaa\x95K\x97v\x82\xc5\x82\xb7\x81" "B";
// "サーバー名が証明書の名前と違います。"
constexpr char kCertificateForAnotherName[] =
    "\x83T\x81[\x83o\x81[\x96\xbc\x82\xaa\x8f\xd8\x96\xbe\x8f\x91\x82\xcc\x96\xbc\x91O\x82\xc6"
    "\x88\xe1\x82\xa2\x82\xdc\x82\xb7\x81" "B";

// The enhanced status codes (RFC 3463) by which providers refuse password logins as such rather
// than a wrong password: switched off for the tenant (5.7.30, 5.7.139), a mechanism too weak
// for the account (5.7.9, RFC 4954: an app password or OAuth2 is wanted), a sign-in in the
// browser wanted first (5.7.14).
constexpr std::string_view kPasswordLoginsOff[] = {"5.7.30", "5.7.139", "5.7.9", "5.7.14"};

// The enhanced status code of a reply line: "5.7.139" of "535 5.7.139 Authentication
// unsuccessful", and of a multi-line reply's first line "534-5.7.9 Application-specific ...".
std::string_view enhancedCode(std::string_view reply)
{
    if (reply.size() < 4 || (reply[3] != ' ' && reply[3] != '-'))
        return {};
    reply.remove_prefix(4);
    return reply.substr(0, reply.find(' '));
}

bool refusesPasswordLogins(std::string_view reply)
{
    const std::string_view code = enhancedCode(reply);
    for (std::string_view off : kPasswordLoginsOff) {
        if (code == off)
            return true;
    }
    return false;
}

}  // namespace

Text failureDetail(SendStep step, std::int32_t kind, std::string_view line)
{
    if (kind == VMAIL_FAILURE_NONE || line.empty())
        return Text();
    Text detail;
    if (kind == VMAIL_FAILURE_REPLY) {
        detail = kStepNames[static_cast<int>(step)];
        detail += ": ";
    }
    detail += line;
    if (kind == VMAIL_FAILURE_REPLY && refusesPasswordLogins(line))
        detail.append("\r\n").append(kNoPasswordLogins);
    else if (kind == VMAIL_FAILURE_CERT_NAME)
        detail.append("\r\n").append(kCertificateForAnotherName);
    return detail;
}
