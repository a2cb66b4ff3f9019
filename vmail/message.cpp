// Composition of the mail that goes out: RFC 5322 headers with MIME (RFC 2045, RFC 2047) and a
// text/plain body, every line ended by CR LF and no longer than 998 bytes.
#include "vmail/message.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "vmail/base64.h"
#include "vmail/charset.h"
#include "vmail/header_checks.h"

namespace vmail {
namespace {

constexpr std::size_t kFoldedLineLength = 78;   // RFC 5322 2.1.1: lines SHOULD be no longer
constexpr std::size_t kEncodedLineLength = 76;  // RFC 2047 2: a line holding encoded words
constexpr std::size_t kMaxEncodedWord = 75;     // RFC 2047 2
constexpr std::size_t kBase64LineLength = 76;   // RFC 2045 6.8
constexpr std::size_t kMaxDomainLength = 253;   // RFC 1035 2.3.4, without the final dot
constexpr char kCrLf[] = "\r\n";
constexpr std::string_view kWordStart = "=?UTF-8?B?";  // RFC 2047 2
constexpr std::string_view kWordEnd = "?=";
constexpr char kFallbackDomain[] = "velmor.invalid";  // RFC 2606: a name that is nobody's

// 0 for Sunday, by the Gregorian calendar; January and February count as months of the year
// before, so that its leap day is the last day of that year.
int dayOfWeek(int year, int month, int day)
{
    constexpr int kMonthShift[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        --year;
    return (year + year / 4 - year / 100 + year / 400 + kMonthShift[month - 1] + day) % 7;
}

bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xc0) == 0x80; }

// RFC 2047 B-encoded words for UTF-8 text: the first fits on a line of which `used` characters
// are taken, every further one on a folded line of its own (" word"), all within 76 characters.
// A word ends only between characters, as RFC 2047 5 requires of multi-byte text.
std::vector<std::string> encodedWords(std::string_view utf8, std::size_t used)
{
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < utf8.size()) {
        std::size_t room = std::min(kMaxEncodedWord, kEncodedLineLength - used);
        std::size_t capacity = (room - kWordStart.size() - kWordEnd.size()) / 4 * 3;
        std::size_t end = std::min(utf8.size(), start + capacity);
        while (end < utf8.size() && end > start + 1 && isUtf8Continuation(utf8[end]))
            --end;
        std::string word(kWordStart);
        word += base64Encode(utf8.substr(start, end - start));
        word += kWordEnd;
        words.push_back(std::move(word));
        start = end;
        used = 1;
    }
    return words;
}

// "Name: word" with each further word on a folded line.
std::string encodedField(std::string_view head, const std::vector<std::string>& words)
{
    std::string field(head);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0)
            field += kCrLf;
        field += ' ';
        field += words[i];
    }
    return field;
}

// "Name: text" folded before blanks (RFC 5322 3.2.2) to keep lines within 78 characters where
// the blanks allow. A fold goes only before a blank that follows a non-blank, so no folded line
// is all blanks and unfolding gives the text back. Nothing when a line still exceeds 998.
std::optional<std::string> foldedField(std::string_view head, std::string_view text)
{
    std::string field(head);
    field += ' ';
    std::size_t lineLength = field.size();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start + 1;
        while (end < text.size() && !(text[end] == ' ' && text[end - 1] != ' '))
            ++end;
        std::size_t length = end - start;
        if (start > 0 && lineLength + length > kFoldedLineLength) {
            field += kCrLf;
            lineLength = 0;
        }
        field.append(text, start, length);
        lineLength += length;
        if (lineLength > kMaxLineLength)
            return std::nullopt;
        start = end;
    }
    return field;
}

// Text that a reader shows exactly as written when sent bare: printable ASCII, no blank at either
// end (readers trim them) and nothing a reader could take for an encoded word (RFC 2047 6.1).
bool readsBackBare(std::string_view text)
{
    return !text.empty() && isPrintableAscii(text) && text.front() != ' ' && text.back() != ' ' &&
           text.find("=?") == std::string_view::npos;
}

std::optional<std::string> subjectField(std::string_view subject)
{
    constexpr std::string_view kHead = "Subject:";
    if (subject.empty())
        return std::string(kHead);
    if (readsBackBare(subject)) {
        if (std::optional<std::string> field = foldedField(kHead, subject))
            return field;
    }
    std::optional<std::string> utf8 = cp932ToUtf8(subject);
    if (!utf8)
        return std::nullopt;
    return encodedField(kHead, encodedWords(*utf8, kHead.size() + 1));
}

// RFC 5322 3.2.4 quoted-string, with '"' and '\' as quoted pairs.
std::string quoted(std::string_view text)
{
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    result += '"';
    return result;
}

// "From: address", or "From: name <address>" with the name quoted when it is printable ASCII
// short enough for one line, otherwise as encoded words.
std::optional<std::string> fromField(std::string_view address, std::string_view name)
{
    constexpr std::string_view kHead = "From:";
    std::string field(kHead);
    if (name.empty())
        return field + " " + std::string(address);
    std::string angleAddress = "<" + std::string(address) + ">";
    std::string phrase = quoted(name);
    std::size_t lineLimit = kFoldedLineLength;
    if (isPrintableAscii(name) && name.find("=?") == std::string_view::npos &&
        kHead.size() + 1 + phrase.size() <= kFoldedLineLength) {
        field += " " + phrase;
    } else {
        std::optional<std::string> utf8 = cp932ToUtf8(name);
        if (!utf8)
            return std::nullopt;
        field = encodedField(kHead, encodedWords(*utf8, kHead.size() + 1));
        lineLimit = kEncodedLineLength;
    }
    std::size_t newline = field.rfind('\n');
    std::size_t lastLine = newline == std::string::npos ? field.size() : field.size() - newline - 1;
    if (lastLine + 1 + angleAddress.size() > lineLimit)
        field += kCrLf;
    return field + " " + angleAddress;
}

// "To: a, b" with a fold after a comma where the next address would pass 78 characters.
std::string addressField(std::string_view head, const std::vector<std::string>& addresses)
{
    std::string field(head);
    std::size_t lineLength = field.size();
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        std::string piece = addresses[i];
        if (i + 1 < addresses.size())
            piece += ',';
        if (i > 0 && lineLength + 1 + piece.size() > kFoldedLineLength) {
            field += kCrLf;
            lineLength = 0;
        }
        field += ' ';
        field += piece;
        lineLength += 1 + piece.size();
    }
    return field;
}

// CR LF, a lone LF and a lone CR each become CR LF.
std::string withCrLf(std::string_view text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            result += kCrLf;
        } else {
            result += text[i];
        }
    }
    return result;
}

// RFC 2045 2.7: 7bit data is ASCII without NUL in lines of at most 998 bytes.
bool isSevenBit(std::string_view crLfText)
{
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < crLfText.size(); ++i) {
        char c = crLfText[i];
        if (c == '\0' || static_cast<unsigned char>(c) > 0x7f)
            return false;
        if (c == '\r') {
            lineStart = i + 2;
            ++i;
        } else if (i - lineStart >= kMaxLineLength) {
            return false;
        }
    }
    return true;
}

struct Body {
    std::string_view contentType;
    std::string_view transferEncoding;
    std::string text;  // each line ended by CR LF
};

std::optional<Body> composeBody(std::string_view cp932Body)
{
    if (isAscii(cp932Body)) {
        std::string text = withCrLf(cp932Body);
        if (isSevenBit(text)) {
            if (!text.empty() && text.back() != '\n')
                text += kCrLf;
            return Body{"text/plain; charset=us-ascii", "7bit", std::move(text)};
        }
    }
    std::optional<std::string> utf8 = cp932ToUtf8(cp932Body);
    if (!utf8)
        return std::nullopt;
    std::string encoded = base64Encode(withCrLf(*utf8));
    Body body{"text/plain; charset=UTF-8", "base64", std::string()};
    for (std::size_t i = 0; i < encoded.size(); i += kBase64LineLength) {
        body.text.append(encoded, i, kBase64LineLength);
        body.text += kCrLf;
    }
    return body;
}

void appendField(std::string& message, std::string_view field)
{
    message += field;
    message += kCrLf;
}

}  // namespace

std::optional<std::string> composeMessage(const MessageInput& input)
{
    auto plainAddresses = [](const std::vector<std::string>& list) {
        return std::all_of(list.begin(), list.end(), isPlainAddress);
    };
    if (!isPlainAddress(input.from) || input.to.empty() || !plainAddresses(input.to) ||
        !plainAddresses(input.cc) || !isPlainMessageId(input.messageId) ||
        !isValidDate(input.date) ||
        (!input.extraHeader.empty() && !isPlainExtraHeader(input.extraHeader)))
        return std::nullopt;
    std::optional<std::string> from = fromField(input.from, input.fromName);
    std::optional<std::string> subject = subjectField(input.subject);
    std::optional<Body> body = composeBody(input.body);
    if (!from || !subject || !body)
        return std::nullopt;

    std::string message;
    appendField(message, "Date: " + formatMailDate(input.date));
    appendField(message, *from);
    appendField(message, addressField("To:", input.to));
    if (!input.cc.empty())
        appendField(message, addressField("Cc:", input.cc));
    appendField(message, *subject);
    appendField(message, "Message-ID: " + input.messageId);
    appendField(message, "MIME-Version: 1.0");
    appendField(message, "Content-Type: " + std::string(body->contentType));
    appendField(message, "Content-Transfer-Encoding: " + std::string(body->transferEncoding));
    if (!input.extraHeader.empty())
        appendField(message, input.extraHeader);
    message += kCrLf;
    message += body->text;
    return message;
}

std::string formatMailDate(const MailDate& date)
{
    constexpr const char* kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!isValidDate(date))
        return std::string();
    int offset = date.utcOffsetMinutes < 0 ? -date.utcOffsetMinutes : date.utcOffsetMinutes;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02d%02d",
                  kDays[dayOfWeek(date.year, date.month, date.day)], date.day,
                  kMonths[date.month - 1], date.year, date.hour, date.minute, date.second,
                  date.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string makeMessageId(std::string_view fromAddress, const MailDate& date)
{
    static std::atomic<unsigned> counter{0};
    std::size_t at = fromAddress.rfind('@');
    std::string_view domain =
        at == std::string_view::npos ? std::string_view() : fromAddress.substr(at + 1);
    if (!isDotAtom(domain) || domain.size() > kMaxDomainLength)
        domain = kFallbackDomain;
    char left[96];
    std::snprintf(left, sizeof left, "%04d%02d%02d%02d%02d%02d.%u.%016llx", date.year, date.month,
                  date.day, date.hour, date.minute, date.second, counter.fetch_add(1),
                  static_cast<unsigned long long>(randomBits()));
    return "<" + std::string(left) + "@" + std::string(domain) + ">";
}

}  // namespace vmail
