// Code page 932 and UTF-8 through iconv, whose "CP932" table follows the Windows mapping.
#include "vmail/charset.h"

#include <iconv.h>

namespace vmail {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

}  // namespace

std::optional<std::string> cp932ToUtf8(std::string_view text)
{
    if (!isCp932Shaped(text))
        return std::nullopt;
    if (text.empty())
        return std::string();
    // A converter per call: an iconv_t keeps state and must not be shared between threads.
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == kNoConverter)
        return std::nullopt;
    std::string input(text);
    std::string output(input.size() * 3, '\0');  // one code page 932 byte gives at most 3 bytes
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

std::optional<std::string> utf8CharacterToCp932(std::string_view character)
{
    iconv_t converter = iconv_open("CP932", "UTF-8");
    if (converter == kNoConverter)
        return std::nullopt;
    std::string input(character);
    char output[8];
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output;
    std::size_t outLeft = sizeof output;
    std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    return std::string(output, sizeof output - outLeft);
}

}  // namespace vmail
