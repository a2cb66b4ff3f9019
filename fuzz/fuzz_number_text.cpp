// Text to number and back. The input is read as text (textToNumber) and, when it holds eight
// bytes or more, its first eight bytes also as a double for numberToText. Checks what the
// header promises: a finite reading, the same reading as strtod on the whole decimal number,
// the text form's shape, that a text form reads back to a value that gives the same text form,
// and that the integer targets stay in range.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "check.h"
#include "common/number_text.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The straightforward reading of a decimal text: the whole number, every digit of it, handed to
// strtod, which rounds correctly; beyond the range it gives the largest value of that sign or
// zero, as textToNumber does. False for "&H" and "&O" texts, which it does not read.
bool referenceReading(std::string_view text, double& value)
{
    value = 0;
    std::size_t position = text.find_first_not_of(" \t");
    if (position == std::string_view::npos)
        return true;
    if (text[position] == '&')
        return false;
    const std::size_t start = position;
    auto skipDigits = [&] {
        const std::size_t first = position;
        while (position < text.size() && isDigit(text[position]))
            ++position;
        return position - first;
    };
    if (text[position] == '+' || text[position] == '-')
        ++position;
    std::size_t digits = skipDigits();
    if (position < text.size() && text[position] == '.') {
        ++position;
        digits += skipDigits();
    }
    if (digits == 0)
        return true;
    std::size_t end = position;
    if (position < text.size() && (text[position] == 'e' || text[position] == 'E')) {
        ++position;
        if (position < text.size() && (text[position] == '+' || text[position] == '-'))
            ++position;
        if (skipDigits() > 0)
            end = position;
    }
    value = std::strtod(std::string(text.substr(start, end - start)).c_str(), nullptr);
    if (std::isinf(value))
        value = std::copysign(DBL_MAX, value);
    return true;
}

// The shapes numberToText may give: "0", or an optional "-" then either plain decimal
// without trailing fraction zeros or "d.dddddddddddddde+XXX" / "d.dddddddddddddde-XX".
void checkShape(const std::string& text, double value)
{
    CHECK(!text.empty());
    if (text == "0") {
        CHECK(value == 0);
        return;
    }
    std::string_view rest = text;
    CHECK((rest.front() == '-') == (value < 0));
    if (rest.front() == '-')
        rest.remove_prefix(1);
    std::size_t e = rest.find('e');
    if (e != std::string_view::npos) {
        CHECK(rest.size() >= 20);
        CHECK(e == 16 && isDigit(rest[0]) && rest[0] != '0' && rest[1] == '.');
        for (std::size_t i = 2; i < 16; ++i)
            CHECK(isDigit(rest[i]));
        char sign = rest[17];
        CHECK(sign == '+' || sign == '-');
        std::string_view digits = rest.substr(18);
        CHECK(digits.size() >= (sign == '+' ? 3u : 2u) && digits.size() <= 3);
        for (char c : digits)
            CHECK(isDigit(c));
        const double magnitude = std::fabs(value);
        // Values just below 10^15 that round up to it take this form too.
        CHECK(magnitude >= 999999999999999.4 || magnitude < 0.0001);
        return;
    }
    // Plain decimal: at most 15 significant digits, no trailing fraction zeros or ".".
    std::size_t point = rest.find('.');
    std::size_t significant = 0;
    bool seen = false;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (i == point)
            continue;
        CHECK(isDigit(rest[i]));
        if (rest[i] != '0')
            seen = true;
        if (seen)
            ++significant;
    }
    CHECK(significant >= 1 && significant <= 15);
    if (point != std::string_view::npos) {
        CHECK(point > 0 && point + 1 < rest.size() && rest.back() != '0');
        CHECK(rest.find('.', point + 1) == std::string_view::npos);
    }
    CHECK(rest.size() == 1 || rest[0] != '0' || (point == 1));
}

void checkNumber(double value)
{
    const std::string text = numberToText(value);
    const double clamped = std::isnan(value) ? 0 : std::isinf(value) ? std::copysign(DBL_MAX, value) : value;
    checkShape(text, clamped);
    // 15 significant digits are fewer than a double holds, so the text reads back to a value
    // whose text is the same.
    const double back = textToNumber(text);
    CHECK(std::isfinite(back));
    CHECK(numberToText(back) == text);
    // And the reading is within half a unit of the fifteenth digit of the value.
    if (std::fabs(clamped) >= DBL_MIN)
        CHECK(std::fabs(back - clamped) <= std::fabs(clamped) * 1e-14);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = textToNumber(text);
    CHECK(std::isfinite(value));
    double reference;
    if (referenceReading(text, reference))
        CHECK(std::memcmp(&value, &reference, sizeof value) == 0);
    // Leading blanks are skipped and nothing else is looked at before the number.
    CHECK(textToNumber(" \t" + std::string(text)) == value ||
          (std::isnan(value) && std::isnan(textToNumber(" \t" + std::string(text)))));
    checkNumber(value);

    const std::int16_t small = truncateToInt16(value);
    const std::int32_t large = truncateToInt32(value);
    CHECK(std::trunc(value) == small || std::fabs(std::trunc(value)) > INT16_MAX - 1);
    CHECK(std::trunc(value) == large || std::fabs(std::trunc(value)) > INT32_MAX - 1.0);

    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        checkNumber(raw);
        (void)truncateToInt16(raw);
        (void)truncateToInt32(raw);
    }
    return 0;
}
