// Code page 932 and UTF-8 through iconv, whose "CP932" table follows the Windows mapping.
#include "vmail/charset.h"

#include <iconv.h>

namespace vmail {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// text converted from the encoding from to the encoding to, which takes at most maxOutput
// bytes; nothing when a byte does not convert. A converter per call: an iconv_t keeps state and
// must not be shared between threads.
std::optional<std::string> converted(const char* to, const char* from, std::string_view text,
                                     std::size_t maxOutput)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == kNoConverter)
        return std::nullopt;
    std::string input(text);
    std::string output(maxOutput, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    output.resize(output.size() - outLeft);
    return output;
}

}  // namespace

std::optional<std::string> cp932ToUtf8(std::string_view text)
{
    if (!isCp932Shaped(text))
        return std::nullopt;
    if (text.empty())
        return std::string();
    // One code page 932 byte gives at most 3 bytes.
    return converted("UTF-8", "CP932", text, text.size() * 3);
}

std::optional<std::string> utf8CharacterToCp932(std::string_view character)
{
    return converted("CP932", "UTF-8", character, 8);
}

}  // namespace vmail
