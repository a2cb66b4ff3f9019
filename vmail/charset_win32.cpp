// Code page 932 and UTF-8 through the system's tables, by way of UTF-16.
#include "vmail/charset.h"

#include <windows.h>

#include <climits>
#include <vector>

namespace vmail {

std::optional<std::string> cp932ToUtf8(std::string_view text)
{
    if (!isCp932Shaped(text))
        return std::nullopt;
    if (text.empty())
        return std::string();
    if (text.size() > static_cast<std::size_t>(INT_MAX / 3))
        return std::nullopt;
    // MB_ERR_INVALID_CHARS makes an unassigned pair fail instead of becoming U+30FB.
    int length = static_cast<int>(text.size());
    int wideLength =
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (wideLength <= 0)
        return std::nullopt;
    std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
    if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(),
                            wideLength) != wideLength)
        return std::nullopt;
    int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr,
                                         nullptr);
    if (utf8Length <= 0)
        return std::nullopt;
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr,
                            nullptr) != utf8Length)
        return std::nullopt;
    return utf8;
}

std::optional<std::string> utf8CharacterToCp932(std::string_view character)
{
    wchar_t wide[4];
    int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, character.data(),
                                         static_cast<int>(character.size()), wide, 4);
    if (wideLength <= 0)
        return std::nullopt;
    // No best fit: a character the code page lacks is not replaced by a look-alike.
    char bytes[8];
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, wideLength, bytes,
                                     sizeof bytes, nullptr, &usedDefault);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    return std::string(bytes, static_cast<std::size_t>(length));
}

}  // namespace vmail
