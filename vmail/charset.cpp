// The portable half of the conversions: the byte classes of code page 932 and of UTF-8.
#include "vmail/charset.h"

namespace vmail {
namespace {

bool isLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
}

bool isTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xfc && byte != 0x7f; }

bool isSingleByte(unsigned char byte) { return byte <= 0x7f || (byte >= 0xa1 && byte <= 0xdf); }

}  // namespace

std::size_t cp932CharacterLength(std::string_view text)
{
    if (text.size() > 1 && isLeadByte(static_cast<unsigned char>(text[0])) &&
        isTrailByte(static_cast<unsigned char>(text[1])))
        return 2;
    return text.empty() ? 0 : 1;
}

bool isAscii(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) > 0x7f)
            return false;
    }
    return true;
}

bool isCp932Shaped(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (isSingleByte(byte))
            continue;
        if (!isLeadByte(byte) || i + 1 == text.size() ||
            !isTrailByte(static_cast<unsigned char>(text[i + 1])))
            return false;
        ++i;
    }
    return true;
}

std::size_t utf8CharacterLength(std::string_view text)
{
    if (text.empty())
        return 0;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    // RFC 3629 4: the second byte's range rules out overlong forms, surrogates and values
    // beyond U+10FFFF; every further byte is 0x80-0xBF.
    std::size_t length;
    unsigned char low = 0x80, high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf)
        length = 2;
    else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0)
            low = 0xa0;
        else if (lead == 0xed)
            high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0)
            low = 0x90;
        else if (lead == 0xf4)
            high = 0x8f;
    } else
        return 0;
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xbf)
            return 0;
    }
    return length;
}

bool isUtf8(std::string_view text)
{
    while (!text.empty()) {
        std::size_t length = utf8CharacterLength(text);
        if (length == 0)
            return false;
        text.remove_prefix(length);
    }
    return true;
}

std::string utf8ToCp932(std::string_view utf8)
{
    std::string text;
    while (!utf8.empty()) {
        std::size_t length = utf8CharacterLength(utf8);
        if (length == 0) {
            text += '?';
            utf8.remove_prefix(1);
            continue;
        }
        std::string_view character = utf8.substr(0, length);
        utf8.remove_prefix(length);
        if (length == 1) {
            text += character;
            continue;
        }
        std::optional<std::string> bytes = utf8CharacterToCp932(character);
        std::optional<std::string> back = bytes ? cp932ToUtf8(*bytes) : std::nullopt;
        text += back && *back == character ? *bytes : std::string("?");
    }
    return text;
}

std::string_view cp932Prefix(std::string_view text, std::size_t maxBytes)
{
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t width = isLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > maxBytes || end + width > text.size())
            break;
        end += width;
    }
    return text.substr(0, end);
}

}  // namespace vmail
