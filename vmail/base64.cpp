// Base64 with the standard alphabet and padding (RFC 4648 4).
#include "vmail/base64.h"

#include <cstdint>

namespace vmail {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of an alphabet character, -1 for anything else.
int sextet(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

bool isSkippedSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string base64Encode(std::string_view data)
{
    std::string text;
    text.reserve((data.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < data.size(); i += 3) {
        std::size_t count = data.size() - i < 3 ? data.size() - i : 3;
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << 16;
        if (count > 1)
            group |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i + 1])) << 8;
        if (count > 2)
            group |= static_cast<unsigned char>(data[i + 2]);
        text += kAlphabet[(group >> 18) & 0x3f];
        text += kAlphabet[(group >> 12) & 0x3f];
        text += count > 1 ? kAlphabet[(group >> 6) & 0x3f] : '=';
        text += count > 2 ? kAlphabet[group & 0x3f] : '=';
    }
    return text;
}

std::optional<std::string> base64Decode(std::string_view text)
{
    std::string symbols;
    symbols.reserve(text.size());
    for (char c : text) {
        if (isSkippedSpace(c))
            continue;
        if (c != '=' && sextet(c) < 0)
            return std::nullopt;
        symbols += c;
    }
    // RFC 4648 4: whole quanta of four, with one or two '=' only at the very end.
    if (symbols.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    while (padding < symbols.size() && symbols[symbols.size() - 1 - padding] == '=')
        ++padding;
    if (padding > 2 || symbols.find('=') < symbols.size() - padding)
        return std::nullopt;

    std::string data;
    data.reserve(symbols.size() / 4 * 3);
    for (std::size_t i = 0; i < symbols.size(); i += 4) {
        std::uint32_t group = 0;
        int bytes = 3;
        for (std::size_t j = 0; j < 4; ++j) {
            int value = sextet(symbols[i + j]);
            if (value < 0) {
                value = 0;
                --bytes;
            }
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        for (int k = 0; k < bytes; ++k)
            data += static_cast<char>((group >> (16 - 8 * k)) & 0xff);
    }
    return data;
}

}  // namespace vmail
