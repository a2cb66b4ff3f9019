// The portable half of the code page 932 conversion: the byte classes of the encoding.
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

}  // namespace vmail
