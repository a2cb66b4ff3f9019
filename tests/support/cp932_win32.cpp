// UTF-8 to code page 932 through the system's conversion tables.
#include "tests/support/test_files.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

std::string cp932(std::string_view utf8)
{
    if (utf8.empty())
        return std::string();
    int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                         static_cast<int>(utf8.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        wide.data(), wideLength);
    BOOL lossy = FALSE;
    int length = WideCharToMultiByte(932, 0, wide.data(), wideLength, nullptr, 0, nullptr, &lossy);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(932, 0, wide.data(), wideLength, bytes.data(), length, nullptr, &lossy);
    if (wideLength == 0 || lossy)
        throw std::runtime_error("text not representable in code page 932");
    return bytes;
}
