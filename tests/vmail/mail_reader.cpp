// Reading delivered messages.
#include "tests/vmail/mail_reader.h"

#include <optional>

#include "vmail/base64.h"

std::string Delivered::field(const std::string& name) const
{
    for (const Header& header : headers) {
        if (header.name == name)
            return header.value;
    }
    return "<none>";
}

Delivered parse(const std::string& message)
{
    Delivered delivered;
    std::size_t position = 0;
    while (position < message.size()) {
        std::size_t lineEnd = message.find('\n', position);
        std::size_t next = lineEnd == std::string::npos ? message.size() : lineEnd + 1;
        std::string line = message.substr(position, next - position);
        position = next;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line.empty())
            break;
        if ((line[0] == ' ' || line[0] == '\t') && !delivered.headers.empty()) {
            delivered.headers.back().value += line;
            continue;
        }
        std::size_t colon = line.find(':');
        delivered.headers.push_back({line.substr(0, colon),
                                     colon + 2 <= line.size() ? line.substr(colon + 2) : ""});
    }
    delivered.body = message.substr(position);
    return delivered;
}

// RFC 2047 B-encoded words, as the library writes them: joined, then decoded.
std::string decodeWords(const std::string& value)
{
    std::string decoded;
    std::size_t position = 0;
    for (;;) {
        std::size_t start = value.find("=?UTF-8?B?", position);
        if (start == std::string::npos)
            break;
        std::size_t end = value.find("?=", start + 10);
        std::optional<std::string> part = vmail::base64Decode(value.substr(start + 10, end - start - 10));
        decoded += part ? *part : "<bad>";
        position = end + 2;
    }
    return position == 0 ? value : decoded;
}
