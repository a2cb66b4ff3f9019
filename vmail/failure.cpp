// The failure record and the lines it holds.
#include "vmail/failure.h"

#include <cstdio>
#include <cstring>

#include "vmail/charset.h"
#include "vmail/server_text.h"

namespace vmail {

namespace {

// The library's own words, in code page 932.
// "サーバー名が見つかりません"
constexpr char kNameNotFound[] =
    "\x83\x54\x81\x5b\x83\x6f\x81\x5b\x96\xbc\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8"
    "\x82\xdc\x82\xb9\x82\xf1";
// "接続を拒否されました"
constexpr char kRefused[] =
    "\x90\xda\x91\xb1\x82\xf0\x8b\x91\x94\xdb\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd";
// "接続できません"
constexpr char kConnectFailed[] = "\x90\xda\x91\xb1\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1";
// "応答がありません"
constexpr char kNoAnswer[] = "\x89\x9e\x93\x9a\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
constexpr char kConnecting[] = "\x90\xda\x91\xb1";  // "接続"
constexpr char kSeconds[] = "\x95\x62";  // "秒"
// "サーバーが接続を切りました"
constexpr char kClosed[] =
    "\x83\x54\x81\x5b\x83\x6f\x81\x5b\x82\xaa\x90\xda\x91\xb1\x82\xf0\x90\xd8\x82\xe8"
    "\x82\xdc\x82\xb5\x82\xbd";
// "TLSの接続に失敗しました"
constexpr char kTlsFailed[] =
    "TLS\x82\xcc\x90\xda\x91\xb1\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// "開始前に余分なデータ"
constexpr char kPlaintextBeforeTls[] =
    "\x8a\x4a\x8e\x6e\x91\x4f\x82\xc9\x97\x5d\x95\xaa\x82\xc8\x83\x66\x81\x5b\x83\x5e";
// "証明書の期限切れ"
constexpr char kExpired[] = "\x8f\xd8\x96\xbe\x8f\x91\x82\xcc\x8a\xfa\x8c\xc0\x90\xd8\x82\xea";
constexpr char kUntil[] = "\x82\xdc\x82\xc5";  // "まで"
// "証明書の有効期間前"
constexpr char kNotYetValid[] =
    "\x8f\xd8\x96\xbe\x8f\x91\x82\xcc\x97\x4c\x8c\xf8\x8a\xfa\x8a\xd4\x91\x4f";
constexpr char kSince[] = "\x82\xa9\x82\xe7";  // "から"
// "証明書の名前が違います"
constexpr char kOtherName[] =
    "\x8f\xd8\x96\xbe\x8f\x91\x82\xcc\x96\xbc\x91\x4f\x82\xaa\x88\xe1\x82\xa2\x82\xdc"
    "\x82\xb7";
constexpr char kCertificateNames[] = "\x8f\xd8\x96\xbe\x8f\x91: ";  // "証明書: "
// "証明書の発行元が信頼されていません"
constexpr char kUntrusted[] =
    "\x8f\xd8\x96\xbe\x8f\x91\x82\xcc\x94\xad\x8d\x73\x8c\xb3\x82\xaa\x90\x4d\x97\x8a"
    "\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1";
// "を拒否されました: "
constexpr char kTlsRefused[] = "\x82\xf0\x8b\x91\x94\xdb\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd: ";
// "共通の認証方式がありません"
constexpr char kNoMechanism[] =
    "\x8b\xa4\x92\xca\x82\xcc\x94\x46\x8f\xd8\x95\xfb\x8e\xae\x82\xaa\x82\xa0\x82\xe8"
    "\x82\xdc\x82\xb9\x82\xf1";
constexpr char kServerOffers[] = "\x83\x54\x81\x5b\x83\x6f\x81\x5b: ";  // "サーバー: "
constexpr char kNothing[] = "\x82\xc8\x82\xb5";  // "なし"
// "APOPを使えません (サーバーの挨拶にタイムスタンプがありません)"
constexpr char kNoApopTimestamp[] =
    "APOP\x82\xf0\x8e\x67\x82\xa6\x82\xdc\x82\xb9\x82\xf1 (\x83\x54\x81\x5b\x83\x6f"
    "\x81\x5b\x82\xcc\x88\xa5\x8e\x41\x82\xc9\x83\x5e\x83\x43\x83\x80\x83\x58\x83\x5e"
    "\x83\x93\x83\x76\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1)";
// "サーバーの応答が不正です"
constexpr char kGarbled[] =
    "\x83\x54\x81\x5b\x83\x6f\x81\x5b\x82\xcc\x89\x9e\x93\x9a\x82\xaa\x95\x73\x90\xb3"
    "\x82\xc5\x82\xb7";
// "サーバー名が正しくありません"
constexpr char kBadHost[] =
    "\x83\x54\x81\x5b\x83\x6f\x81\x5b\x96\xbc\x82\xaa\x90\xb3\x82\xb5\x82\xad\x82\xa0"
    "\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
// "宛先、差出人、件名、本文のどれかが送れない形です"
constexpr char kBadMail[] =
    "\x88\xb6\x90\xe6\x81\x41\x8d\xb7\x8f\x6f\x90\x6c\x81\x41\x8c\x8f\x96\xbc\x81\x41"
    "\x96\x7b\x95\xb6\x82\xcc\x82\xc7\x82\xea\x82\xa9\x82\xaa\x91\x97\x82\xea\x82\xc8"
    "\x82\xa2\x8c\x60\x82\xc5\x82\xb7";
// "ユーザー名かパスワードに使えない文字があります"
constexpr char kBadCredentials[] =
    "\x83\x86\x81\x5b\x83\x55\x81\x5b\x96\xbc\x82\xa9\x83\x70\x83\x58\x83\x8f\x81\x5b"
    "\x83\x68\x82\xc9\x8e\x67\x82\xa6\x82\xc8\x82\xa2\x95\xb6\x8e\x9a\x82\xaa\x82\xa0"
    "\x82\xe8\x82\xdc\x82\xb7";
// "接続が多すぎます"
constexpr char kTooManySessions[] =
    "\x90\xda\x91\xb1\x82\xaa\x91\xbd\x82\xb7\x82\xac\x82\xdc\x82\xb7";
// "メモリが足りません"
constexpr char kNoMemory[] =
    "\x83\x81\x83\x82\x83\x8a\x82\xaa\x91\xab\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
constexpr char kFailed[] = "\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd";  // "失敗しました"

constexpr std::size_t kMaxHostShown = 120;   // far beyond a real server name; keeps the line whole
constexpr std::size_t kMaxNamesShown = 180;  // a certificate's names, joined
constexpr std::size_t kMaxNameShown = 100;   // one of them, or an issuer, or a TLS reason
constexpr char kMoreNames[] = ", ...";

std::string inParentheses(std::string_view text)
{
    return text.empty() ? std::string() : " (" + std::string(text) + ")";
}

std::string shownHost(std::string_view host)
{
    return std::string(cp932Prefix(host, kMaxHostShown));
}

std::string dateText(const TlsFault& fault)
{
    if (fault.year <= 0)
        return {};
    char text[40];  // room for any int, as the compiler checks
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", fault.year, fault.month, fault.day);
    return text;
}

// "host, 2026/11/30まで": the host and, when known, the day with its word.
std::string hostAndDay(std::string_view host, const TlsFault& fault, const char* word)
{
    std::string date = dateText(fault);
    return shownHost(host) + (date.empty() ? std::string() : ", " + date + word);
}

// The names joined, as many as fit, then ", ..." for the rest.
std::string namesText(const std::vector<std::string>& names)
{
    std::string joined;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string name = serverText(names[i], kMaxNameShown);
        std::string next = (joined.empty() ? "" : ", ") + name;
        bool last = i + 1 == names.size();
        if (joined.size() + next.size() + (last ? 0 : sizeof kMoreNames - 1) > kMaxNamesShown) {
            joined += joined.empty() ? std::string(cp932Prefix(name, kMaxNamesShown)) : kMoreNames;
            break;
        }
        joined += next;
    }
    return joined;
}

}  // namespace

void Failure::set(std::int32_t newKind, std::string_view text) noexcept
{
    kind = newKind;
    std::string_view kept = cp932Prefix(text, kMaxFailureLine);
    if (!kept.empty())
        std::memmove(line, kept.data(), kept.size());
    line[kept.size()] = '\0';
}

std::int32_t Failure::copyTo(char* buffer, std::int32_t size) const noexcept
{
    if (buffer && size > 0) {
        std::string_view kept = cp932Prefix(line, static_cast<std::size_t>(size) - 1);
        std::memcpy(buffer, kept.data(), kept.size());
        buffer[kept.size()] = '\0';
    }
    return kind;
}

Failure failureOf(std::int32_t kind, std::string_view line)
{
    Failure failure;
    failure.set(kind, line);
    return failure;
}

std::string replyLine(int code, std::string_view text)
{
    std::string reply = std::to_string(code);
    if (!text.empty())
        reply += " " + std::string(text);
    return reply;
}

Failure smtpRefusal(int code, std::string_view text)
{
    return failureOf(VMAIL_FAILURE_REPLY, serverText(replyLine(code, text)));
}

Failure pop3Refusal(std::string_view line)
{
    return failureOf(VMAIL_FAILURE_REPLY, serverText(line));
}

Failure garbledReply(std::string_view text)
{
    std::string shown = serverText(text);
    return failureOf(VMAIL_FAILURE_OTHER,
                     std::string(kGarbled) + (shown.empty() ? "" : ": " + shown));
}

Failure connectFailure(ConnectFault fault, std::string_view host, int port, int timeoutMs)
{
    const std::string where = shownHost(host) + ":" + std::to_string(port);
    switch (fault) {
    case ConnectFault::noName:
        return failureOf(VMAIL_FAILURE_NAME, kNameNotFound + inParentheses(shownHost(host)));
    case ConnectFault::refused:
        return failureOf(VMAIL_FAILURE_REFUSED, kRefused + inParentheses(where));
    case ConnectFault::timedOut:
        return noAnswer(Waiting::connect, timeoutMs);
    case ConnectFault::none:
    case ConnectFault::other:
        break;
    }
    return failureOf(VMAIL_FAILURE_OTHER, kConnectFailed + inParentheses(where));
}

Failure noAnswer(Waiting waiting, int timeoutMs)
{
    // The time waited, in whole seconds, never shown shorter than it was.
    const int seconds = timeoutMs > 0 ? (timeoutMs + 999) / 1000 : 0;
    std::string waited = std::to_string(seconds) + kSeconds;
    if (waiting != Waiting::reply)
        waited = (waiting == Waiting::connect ? kConnecting : "TLS") + std::string(", ") + waited;
    return failureOf(VMAIL_FAILURE_NO_ANSWER, kNoAnswer + inParentheses(waited));
}

Failure connectionClosed() { return failureOf(VMAIL_FAILURE_CLOSED, kClosed); }

Failure tlsFailure(const TlsFault& fault, std::string_view host)
{
    switch (fault.kind) {
    case TlsFaultKind::expired:
        return failureOf(VMAIL_FAILURE_CERT_DATE,
                         kExpired + inParentheses(hostAndDay(host, fault, kUntil)));
    case TlsFaultKind::notYetValid:
        return failureOf(VMAIL_FAILURE_CERT_DATE,
                         kNotYetValid + inParentheses(hostAndDay(host, fault, kSince)));
    case TlsFaultKind::otherName: {
        std::string names = namesText(fault.names);
        if (!names.empty())
            names = kCertificateNames + names;
        return failureOf(VMAIL_FAILURE_CERT_NAME, kOtherName + inParentheses(names));
    }
    case TlsFaultKind::untrusted:
        return failureOf(VMAIL_FAILURE_CERT_UNTRUSTED,
                         kUntrusted + inParentheses(serverText(fault.reason, kMaxNameShown)));
    case TlsFaultKind::none:
    case TlsFaultKind::handshake:
        break;
    }
    return failureOf(VMAIL_FAILURE_TLS,
                     kTlsFailed + inParentheses(serverText(fault.reason, kMaxNameShown)));
}

Failure plaintextBeforeTls()
{
    return failureOf(VMAIL_FAILURE_TLS, kTlsFailed + inParentheses(kPlaintextBeforeTls));
}

Failure tlsRefused(std::string_view command, std::string_view refusal)
{
    return failureOf(VMAIL_FAILURE_TLS_REFUSED,
                     std::string(command) + kTlsRefused + serverText(refusal));
}

Failure noMechanism(const std::vector<std::string>& offered)
{
    std::string list;
    for (const std::string& mechanism : offered)
        list += (list.empty() ? "" : " ") + mechanism;
    list = serverText(list, kMaxNamesShown);
    if (list.empty())
        list = kNothing;
    return failureOf(VMAIL_FAILURE_NO_MECHANISM,
                     kNoMechanism + inParentheses(kServerOffers + list));
}

Failure noApopTimestamp() { return failureOf(VMAIL_FAILURE_NO_MECHANISM, kNoApopTimestamp); }

Failure badHost() { return failureOf(VMAIL_FAILURE_OTHER, kBadHost); }

Failure badMail() { return failureOf(VMAIL_FAILURE_OTHER, kBadMail); }

Failure badCredentials() { return failureOf(VMAIL_FAILURE_OTHER, kBadCredentials); }

Failure tooManySessions() { return failureOf(VMAIL_FAILURE_OTHER, kTooManySessions); }

Failure noMemory() { return failureOf(VMAIL_FAILURE_OTHER, kNoMemory); }

Failure unexplained(std::int32_t result)
{
    return failureOf(VMAIL_FAILURE_OTHER, kFailed + inParentheses(std::to_string(result)));
}

}  // namespace vmail
