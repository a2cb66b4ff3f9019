// UTF-8 to code page 932 through iconv's CP932 table.
#include "tests/support/test_files.h"

#include <iconv.h>

#include <stdexcept>
#include <vector>

std::string cp932(std::string_view utf8)
{
    iconv_t converter = iconv_open("CP932", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv has no CP932");
    std::string input(utf8);
    std::vector<char> output(input.size() * 2 + 4);
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1))
        throw std::runtime_error("text not representable in CP932");
    return std::string(output.data(), output.size() - outLeft);
}
