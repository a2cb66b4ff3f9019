// Bounded copies of code page 932 text.
#include "common/text.h"

std::size_t cp932PrefixLength(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text.size();
    std::size_t position = 0;
    while (position < maxBytes) {
        std::size_t width = isCp932LeadByte(static_cast<unsigned char>(text[position])) ? 2 : 1;
        if (position + width > maxBytes)
            break;
        position += width;
    }
    return position;
}

Text cappedCp932(std::string_view text, std::size_t maxBytes, bool* cut)
{
    std::size_t length = cp932PrefixLength(text, maxBytes);
    if (cut)
        *cut = length < text.size();
    return Text(text.substr(0, length));
}
