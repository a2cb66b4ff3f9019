// Reading mails back.
#include "tests/vmail/mail_reader.h"

#include "vmail/base64.h"

namespace {

constexpr std::size_t kMaxLine = 998;           // RFC 5322 2.1.1
constexpr std::size_t kMaxEncodedWord = 75;     // RFC 2047 2
constexpr std::size_t kEncodedLineLength = 76;  // RFC 2047 2
constexpr std::size_t kBase64LineLength = 76;   // RFC 2045 6.8
constexpr std::string_view kWordStart = "=?UTF-8?B?";
constexpr std::string_view kWordEnd = "?=";

bool isFolded(std::string_view line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }

// The bytes of one "=?UTF-8?B?...?=" word; nothing when it is none or does not decode.
std::optional<std::string> decodeWord(std::string_view word)
{
    if (word.size() < kWordStart.size() + kWordEnd.size() || !word.starts_with(kWordStart) ||
        !word.ends_with(kWordEnd))
        return std::nullopt;
    std::string_view payload =
        word.substr(kWordStart.size(), word.size() - kWordStart.size() - kWordEnd.size());
    if (payload.find_first_of(" \t\r\n") != std::string_view::npos)
        return std::nullopt;
    return vmail::base64Decode(payload);
}

// Encoded words, one on each line after a blank: the joined bytes. RFC 2047 5 forbids a word
// that begins inside a character, which is what splitting a character would leave.
std::optional<std::string> decodeWordLines(const std::vector<std::string>& lines,
                                           std::string& problem)
{
    std::string text;
    for (std::string_view line : lines) {
        std::optional<std::string> bytes;
        if (line.size() <= kEncodedLineLength && line.size() - 1 <= kMaxEncodedWord &&
            line.starts_with(' '))
            bytes = decodeWord(line.substr(1));
        if (!bytes) {
            problem = "not one encoded word of at most 75 characters on a line: " + std::string(line);
            return std::nullopt;
        }
        if (!bytes->empty() && (static_cast<unsigned char>((*bytes)[0]) & 0xc0) == 0x80) {
            problem = "an encoded word that starts inside a character";
            return std::nullopt;
        }
        text += *bytes;
    }
    return text;
}

// "\"...\"" with quoted pairs undone; nothing when text is not one quoted string.
std::optional<std::string> unquote(std::string_view text)
{
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
        return std::nullopt;
    std::string result;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '\\') {
            if (i + 2 >= text.size())
                return std::nullopt;
            ++i;
        } else if (text[i] == '"') {
            return std::nullopt;
        }
        result += text[i];
    }
    return result;
}

// The lines of text split at CR LF and each at most 998 bytes; the problem when not.
std::string crLfLines(std::string_view text, std::vector<std::string_view>& lines)
{
    std::size_t start = 0;
    for (std::size_t end; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (line.find_first_of("\r\n") != std::string_view::npos)
            return "a CR or LF outside a CR LF";
        if (line.size() > kMaxLine)
            return "a line of " + std::to_string(line.size()) + " bytes";
        if (end == std::string_view::npos)
            return "the last line has no CR LF";
        lines.push_back(line);
    }
    return "";
}

// The one field of that name; null when it is missing or repeated.
const Header* onlyField(const Delivered& mail, std::string_view name)
{
    const Header* found = nullptr;
    for (const Header& header : mail.headers) {
        if (header.name == name) {
            if (found)
                return nullptr;
            found = &header;
        }
    }
    return found;
}

// From: " address", " \"name\" <address>", or encoded words and then " <address>", on the same
// line as the last word or on one of its own.
std::string readFrom(const Header& from, DecodedMail& decoded)
{
    std::vector<std::string> lines = from.lines;
    std::string_view last = lines.back();
    std::size_t angle = last.rfind(" <");
    if (angle == std::string_view::npos || !last.ends_with('>')) {
        if (lines.size() != 1 || !last.starts_with(' '))
            return "a From field that is neither an address nor a name with one";
        decoded.fromAddress = last.substr(1);
        return "";
    }
    decoded.fromAddress = last.substr(angle + 2, last.size() - angle - 3);
    if (angle == 0)
        lines.pop_back();
    else
        lines.back().resize(angle);
    if (lines.empty())
        return "a From field without a name before its address";
    std::string problem;
    if (lines[0].starts_with(" " + std::string(kWordStart))) {
        decoded.fromName = decodeWordLines(lines, problem);
    } else if (lines.size() != 1 || !lines[0].starts_with(' ')) {
        problem = "a quoted display name that is folded";
    } else if (!(decoded.fromName = unquote(std::string_view(lines[0]).substr(1)))) {
        problem = "a display name that is not one quoted string";
    }
    return problem;
}

// Subject: empty, bare text folded at blanks, or encoded words only.
std::string readSubject(const Header& subject, DecodedMail& decoded)
{
    std::string problem;
    if (subject.lines.size() == 1 && subject.lines[0].empty()) {
        decoded.subject.clear();
    } else if (subject.lines[0].starts_with(" " + std::string(kWordStart))) {
        decoded.subject = decodeWordLines(subject.lines, problem).value_or("");
    } else {
        std::string unfolded;
        for (const std::string& line : subject.lines)
            unfolded += line;
        if (unfolded.starts_with(' '))
            decoded.subject = unfolded.substr(1);
        else
            problem = "no blank after Subject:";
    }
    return problem;
}

// The body by its transfer encoding: 7bit as it is, base64 in lines of 76 but the last.
std::string readBody(std::string_view body, const std::vector<std::string_view>& lines,
                     DecodedMail& decoded)
{
    if (decoded.transferEncoding == "7bit") {
        decoded.text = body;
        return "";
    }
    if (decoded.transferEncoding != "base64")
        return "an unknown transfer encoding " + decoded.transferEncoding;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].size() > kBase64LineLength ||
            (i + 1 < lines.size() && lines[i].size() != kBase64LineLength))
            return "a base64 line of " + std::to_string(lines[i].size()) + " characters";
    }
    std::optional<std::string> bytes = vmail::base64Decode(body);
    if (!bytes)
        return "a base64 body that does not decode";
    decoded.text = *bytes;
    return "";
}

// A content header's value: one line, without its leading blanks.
std::optional<std::string> contentValue(const Header* header)
{
    if (!header || header->lines.size() != 1)
        return std::nullopt;
    return header->value;
}

}  // namespace

std::string Delivered::field(const std::string& name) const
{
    for (const Header& header : headers) {
        if (header.name == name)
            return header.value;
    }
    return "<none>";
}

std::vector<std::string> Delivered::names() const
{
    std::vector<std::string> result;
    for (const Header& header : headers)
        result.push_back(header.name);
    return result;
}

Delivered parse(std::string_view message)
{
    Delivered delivered;
    std::size_t position = 0;
    while (position < message.size()) {
        std::size_t lineEnd = message.find('\n', position);
        std::size_t next = lineEnd == std::string_view::npos ? message.size() : lineEnd + 1;
        std::string_view line = message.substr(position, next - position);
        position = next;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        if (line.empty())
            break;
        if (isFolded(line) && !delivered.headers.empty()) {
            delivered.headers.back().lines.emplace_back(line);
            continue;
        }
        std::size_t colon = line.find(':');
        std::string_view rest = colon == std::string_view::npos ? "" : line.substr(colon + 1);
        delivered.headers.push_back({std::string(line.substr(0, colon)), {std::string(rest)}, ""});
    }
    for (Header& header : delivered.headers) {
        for (const std::string& line : header.lines)
            header.value += line;
        header.value.erase(0, header.value.find_first_not_of(" \t"));
    }
    delivered.body = message.substr(position);
    return delivered;
}

std::string decodeWords(const std::string& value)
{
    std::string decoded;
    std::size_t start = value.find_first_not_of(" \t");
    while (start != std::string::npos) {
        std::size_t end = value.find_first_of(" \t", start);
        std::optional<std::string> bytes = decodeWord(std::string_view(value).substr(start, end - start));
        if (!bytes)
            return value;
        decoded += *bytes;
        start = value.find_first_not_of(" \t", end);
    }
    return decoded.empty() ? value : decoded;
}

std::optional<DecodedMail> decodeMail(std::string_view mail, std::string& problem)
{
    std::size_t split = mail.find("\r\n\r\n");
    std::vector<std::string_view> headerLines, bodyLines;
    std::string_view body = split == std::string_view::npos ? "" : mail.substr(split + 4);
    if (split == std::string_view::npos)
        problem = "no empty line after the headers";
    else if (problem = crLfLines(mail.substr(0, split + 2), headerLines); problem.empty())
        problem = crLfLines(body, bodyLines);
    for (std::size_t i = 0; i < headerLines.size() && problem.empty(); ++i) {
        std::size_t colon = headerLines[i].find(':');
        if (isFolded(headerLines[i]) ? i == 0 : colon == std::string_view::npos || colon == 0)
            problem = "a header line that is not a field: " + std::string(headerLines[i]);
    }
    if (!problem.empty())
        return std::nullopt;

    DecodedMail decoded;
    decoded.mail = parse(mail);
    const Header* from = onlyField(decoded.mail, "From");
    const Header* subject = onlyField(decoded.mail, "Subject");
    std::optional<std::string> type = contentValue(onlyField(decoded.mail, "Content-Type"));
    std::optional<std::string> encoding =
        contentValue(onlyField(decoded.mail, "Content-Transfer-Encoding"));
    bool complete = from && subject && type && encoding;
    for (const char* name : {"Date", "To", "Message-ID", "MIME-Version"})
        complete = complete && onlyField(decoded.mail, name);
    if (!complete) {
        problem = "a header missing, repeated or a content header folded";
        return std::nullopt;
    }
    decoded.contentType = *type;
    decoded.transferEncoding = *encoding;
    problem = readSubject(*subject, decoded);
    if (problem.empty())
        problem = readFrom(*from, decoded);
    if (problem.empty())
        problem = readBody(body, bodyLines, decoded);
    if (!problem.empty())
        return std::nullopt;
    return decoded;
}
