// A server's words for the failure detail.
#include "vmail/server_text.h"

#include "vmail/charset.h"

namespace vmail {

namespace {

std::string withoutControls(std::string_view text)
{
    std::string kept;
    kept.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f)
            kept += c;
    }
    return kept;
}

// Neither UTF-8 nor code page 932 as a whole: the UTF-8 characters in it still say something.
std::string mixedToCp932(std::string_view text)
{
    std::string converted;
    while (!text.empty()) {
        std::size_t length = utf8CharacterLength(text);
        converted += length == 0 ? std::string("?") : utf8ToCp932(text.substr(0, length));
        text.remove_prefix(length == 0 ? 1 : length);
    }
    return converted;
}

}  // namespace

std::string serverText(std::string_view text, std::size_t maxBytes)
{
    std::string kept = withoutControls(text);
    // Converting more than can be shown would be wasted: a character gives at least one byte
    // and takes at most 4. The cut goes before a UTF-8 continuation byte, not after it.
    if (kept.size() > maxBytes * 4) {
        std::size_t end = maxBytes * 4;
        auto continuation = [&](std::size_t at) {
            return (static_cast<unsigned char>(kept[at]) & 0xc0) == 0x80;
        };
        for (int i = 0; i < 3 && end > 0 && continuation(end); ++i)
            --end;
        kept.resize(end);
    }
    std::string shown;
    if (isAscii(kept))
        shown = kept;
    else if (isUtf8(kept))
        shown = utf8ToCp932(kept);
    else if (cp932ToUtf8(kept))
        shown = kept;
    else
        shown = mixedToCp932(kept);
    return std::string(cp932Prefix(shown, maxBytes));
}

}  // namespace vmail
