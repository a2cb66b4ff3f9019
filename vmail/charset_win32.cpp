// Code page 932 to UTF-8 through the system's tables: to UTF-16 and on to UTF-8.
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

}  // namespace vmail
