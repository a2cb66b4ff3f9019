// Reading back a composed mail.
#include "mail_decoder.h"

#include <vector>

#include "vmail/base64.h"

namespace {

constexpr std::size_t kMaxLine = 998;
constexpr std::string_view kWordStart = "=?UTF-8?B?";
constexpr std::string_view kWordEnd = "?=";

// The lines of text split at CR LF; false when a CR or LF stands alone.
bool splitCrLf(std::string_view text, std::vector<std::string_view>& lines)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            return false;
        if (text[i] == '\r') {
            if (i + 1 == text.size() || text[i + 1] != '\n')
                return false;
            lines.push_back(text.substr(start, i - start));
            start = i + 2;
            ++i;
        }
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return true;
}

struct Field {
    std::string name;
    std::vector<std::string_view> lines;  // the first line after "Name:", then each folded line
};

// Encoded words separated by folding white space: the concatenated decoded bytes.
std::optional<std::string> decodeWords(const std::vector<std::string_view>& lines,
                                       std::string& problem)
{
    std::string text;
    for (std::string_view line : lines) {
        if (line.size() > 76) {
            problem = "a line of encoded words is longer than 76";
            return std::nullopt;
        }
        if (line.empty() || line.front() != ' ') {
            problem = "an encoded word not preceded by a blank";
            return std::nullopt;
        }
        line.remove_prefix(1);
        if (line.size() > 75 || line.substr(0, kWordStart.size()) != kWordStart ||
            line.size() < kWordStart.size() + kWordEnd.size() ||
            line.substr(line.size() - kWordEnd.size()) != kWordEnd) {
            problem = "not one encoded word of at most 75 characters: " + std::string(line);
            return std::nullopt;
        }
        std::string_view payload =
            line.substr(kWordStart.size(), line.size() - kWordStart.size() - kWordEnd.size());
        std::optional<std::string> bytes = vmail::base64Decode(payload);
        if (!bytes || payload.find_first_of(" \t\r\n") != std::string_view::npos) {
            problem = "an encoded word whose base64 does not decode";
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

}  // namespace

std::optional<DecodedMail> decodeMail(std::string_view mail, std::string& problem)
{
    std::size_t split = mail.find("\r\n\r\n");
    if (split == std::string_view::npos) {
        problem = "no empty line after the headers";
        return std::nullopt;
    }
    std::vector<std::string_view> headerLines;
    std::vector<std::string_view> bodyLines;
    std::string_view bodyText = mail.substr(split + 4);
    if (!splitCrLf(mail.substr(0, split + 2), headerLines) || !splitCrLf(bodyText, bodyLines)) {
        problem = "a CR or LF outside a CR LF";
        return std::nullopt;
    }
    for (const auto* group : {&headerLines, &bodyLines}) {
        for (std::string_view line : *group) {
            if (line.size() > kMaxLine) {
                problem = "a line of " + std::to_string(line.size()) + " bytes";
                return std::nullopt;
            }
        }
    }
    if (!bodyText.empty() && bodyText.substr(bodyText.size() - 2) != "\r\n") {
        problem = "the body's last line has no CR LF";
        return std::nullopt;
    }

    std::vector<Field> fields;
    for (std::string_view line : headerLines) {
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            if (fields.empty()) {
                problem = "a folded line before any field";
                return std::nullopt;
            }
            fields.back().lines.push_back(line);
            continue;
        }
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            problem = "a header line without a field name";
            return std::nullopt;
        }
        fields.push_back({std::string(line.substr(0, colon)), {line.substr(colon + 1)}});
    }
    auto find = [&](std::string_view name) -> const Field* {
        const Field* found = nullptr;
        for (const Field& field : fields) {
            if (field.name == name) {
                if (found)
                    return nullptr;
                found = &field;
            }
        }
        return found;
    };

    DecodedMail decoded;
    const Field* from = find("From");
    const Field* subject = find("Subject");
    const Field* type = find("Content-Type");
    const Field* encoding = find("Content-Transfer-Encoding");
    if (!from || !subject || !type || !encoding || !find("Date") || !find("To") ||
        !find("Message-ID") || !find("MIME-Version")) {
        problem = "a header missing or repeated";
        return std::nullopt;
    }
    if (type->lines.size() != 1 || encoding->lines.size() != 1) {
        problem = "a folded content header";
        return std::nullopt;
    }
    decoded.contentType = std::string(type->lines[0].substr(type->lines[0].find_first_not_of(' ')));
    decoded.transferEncoding =
        std::string(encoding->lines[0].substr(encoding->lines[0].find_first_not_of(' ')));

    // Subject: bare and folded, or encoded words only.
    if (subject->lines.size() == 1 && subject->lines[0].empty()) {
        decoded.subject.clear();
    } else if (subject->lines[0].substr(0, 1 + kWordStart.size()) == " " + std::string(kWordStart)) {
        std::optional<std::string> text = decodeWords(subject->lines, problem);
        if (!text)
            return std::nullopt;
        decoded.subject = *text;
    } else {
        std::string unfolded;
        for (std::string_view line : subject->lines)
            unfolded += line;
        if (unfolded.empty() || unfolded.front() != ' ') {
            problem = "no blank after Subject:";
            return std::nullopt;
        }
        decoded.subject = unfolded.substr(1);
    }

    // From: " address", " \"name\" <address>" or encoded words then " <address>".
    std::vector<std::string_view> fromLines = from->lines;
    std::string_view last = fromLines.back();
    std::size_t angle = last.rfind(" <");
    if (angle == std::string_view::npos || last.back() != '>') {
        if (fromLines.size() != 1 || last.empty() || last.front() != ' ') {
            problem = "a From field that is neither an address nor a name with one";
            return std::nullopt;
        }
        decoded.fromAddress = std::string(last.substr(1));
    } else {
        decoded.fromAddress = std::string(last.substr(angle + 2, last.size() - angle - 3));
        if (angle == 0)
            fromLines.pop_back();  // the address went on a folded line of its own
        else
            fromLines.back() = last.substr(0, angle);
        if (fromLines.empty()) {
            problem = "a From field without a name before its address";
            return std::nullopt;
        }
        if (fromLines[0].substr(0, 1 + kWordStart.size()) == " " + std::string(kWordStart)) {
            decoded.fromName = decodeWords(fromLines, problem);
            if (!decoded.fromName)
                return std::nullopt;
        } else {
            if (fromLines.size() != 1 || fromLines[0].empty() || fromLines[0].front() != ' ') {
                problem = "a quoted display name that is folded";
                return std::nullopt;
            }
            decoded.fromName = unquote(fromLines[0].substr(1));
            if (!decoded.fromName) {
                problem = "a display name that is not one quoted string";
                return std::nullopt;
            }
        }
    }

    if (decoded.transferEncoding == "7bit") {
        decoded.body = std::string(bodyText);
    } else if (decoded.transferEncoding == "base64") {
        for (std::string_view line : bodyLines) {
            if (line.size() > 76) {
                problem = "a base64 line longer than 76";
                return std::nullopt;
            }
        }
        std::optional<std::string> bytes = vmail::base64Decode(bodyText);
        if (!bytes) {
            problem = "a base64 body that does not decode";
            return std::nullopt;
        }
        decoded.body = *bytes;
    } else {
        problem = "an unknown transfer encoding " + decoded.transferEncoding;
        return std::nullopt;
    }
    return decoded;
}
