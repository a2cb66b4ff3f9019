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
    // Code page 932 from an old Japanese server is kept as it is; UTF-8, and text that is
    // neither, is converted character by character, what is not a character becoming "?".
    std::string shown = !isUtf8(kept) && cp932ToUtf8(kept) ? kept : utf8ToCp932(kept);
    return std::string(cp932Prefix(shown, maxBytes));
}

}  // namespace vmail
