// Number to text and text to number.
#include "common/number_text.h"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace {

constexpr int kSignificantDigits = 15;
constexpr int kPlainMinExponent = -4;   // 0.0001
constexpr int kPlainMaxExponent = 14;   // below 10^15

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

double clampToFinite(double value)
{
    if (std::isnan(value))
        return 0;
    if (std::isinf(value))
        return value > 0 ? DBL_MAX : -DBL_MAX;
    return value;
}

// Digits after "&H" or "&O"; value accumulates as a double so that any number of digits is safe.
double readRadixDigits(std::string_view text, std::size_t position, int radix)
{
    double value = 0;
    for (; position < text.size() && digitValue(text[position]) < radix; ++position)
        value = value * radix + digitValue(text[position]);
    return clampToFinite(value);
}

// The decimal form at the start of text: sign, digits, fraction, exponent. Returns the value;
// the number ends at the first byte that does not fit.
double readDecimal(std::string_view text)
{
    std::size_t position = 0;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    const std::size_t mantissaStart = position;
    std::size_t integerDigits = 0;
    std::size_t leadingZeros = 0;  // zeros before the first significant digit
    bool significantSeen = false;
    for (; position < text.size() && isDigit(text[position]); ++position) {
        ++integerDigits;
        if (text[position] != '0')
            significantSeen = true;
        else if (!significantSeen)
            ++leadingZeros;
    }
    std::size_t fractionZeros = 0;  // zeros right after the point, before any significant digit
    std::size_t fractionDigits = 0;
    if (position < text.size() && text[position] == '.') {
        ++position;
        for (; position < text.size() && isDigit(text[position]); ++position) {
            ++fractionDigits;
            if (text[position] != '0')
                significantSeen = true;
            else if (!significantSeen)
                ++fractionZeros;
        }
    }
    if (integerDigits == 0 && fractionDigits == 0)
        return 0;
    std::size_t mantissaEnd = position;

    // The exponent counts only when at least one digit follows "e" and its sign.
    long long exponent = 0;
    bool exponentOverflow = false;
    if (position < text.size() && (text[position] == 'e' || text[position] == 'E')) {
        std::size_t exponentPosition = position + 1;
        bool exponentNegative = false;
        if (exponentPosition < text.size() &&
            (text[exponentPosition] == '+' || text[exponentPosition] == '-')) {
            exponentNegative = text[exponentPosition] == '-';
            ++exponentPosition;
        }
        if (exponentPosition < text.size() && isDigit(text[exponentPosition])) {
            for (; exponentPosition < text.size() && isDigit(text[exponentPosition]);
                 ++exponentPosition) {
                if (exponent < 1000000000LL)
                    exponent = exponent * 10 + (text[exponentPosition] - '0');
                else
                    exponentOverflow = true;
            }
            if (exponentNegative)
                exponent = -exponent;
            mantissaEnd = exponentPosition;
        }
    }
    if (!significantSeen)
        return negative ? -0.0 : 0.0;

    double value = 0;
    const char* first = text.data() + mantissaStart;
    const char* last = text.data() + mantissaEnd;
    std::from_chars_result result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range || exponentOverflow) {
        // Decimal position of the first significant digit decides between too large and too small.
        long long magnitude = integerDigits > leadingZeros
                                  ? static_cast<long long>(integerDigits - leadingZeros) - 1
                                  : -static_cast<long long>(fractionZeros) - 1;
        value = magnitude + exponent > 0 ? DBL_MAX : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0;
    }
    return negative ? -value : value;
}

// Truncates toward zero into [low, high]; used for the integer targets.
double truncateInto(double value, double low, double high)
{
    if (std::isnan(value))
        return 0;
    double whole = std::trunc(value);
    if (whole < low)
        return low;
    if (whole > high)
        return high;
    return whole;
}

}  // namespace

double textToNumber(std::string_view text)
{
    std::size_t position = 0;
    while (position < text.size() && isBlank(text[position]))
        ++position;
    text.remove_prefix(position);
    if (text.size() >= 2 && text[0] == '&') {
        if (text[1] == 'H' || text[1] == 'h')
            return readRadixDigits(text, 2, 16);
        if (text[1] == 'O' || text[1] == 'o')
            return readRadixDigits(text, 2, 8);
    }
    return clampToFinite(readDecimal(text));
}

std::int16_t truncateToInt16(double value)
{
    return static_cast<std::int16_t>(truncateInto(value, INT16_MIN, INT16_MAX));
}

std::int32_t truncateToInt32(double value)
{
    return static_cast<std::int32_t>(truncateInto(value, INT32_MIN, INT32_MAX));
}

Text numberToText(double value)
{
    value = clampToFinite(value);
    if (value == 0)
        return "0";

    // Rounding to 15 significant digits first decides the form: 999999999999999.9 rounds to
    // 1e15 and so takes the exponent form.
    // printf's correctly rounded conversion; std::to_chars would do the same but brings in
    // about 170 KB of library code.
    char scientific[40];
    std::snprintf(scientific, sizeof scientific, "%.*e", kSignificantDigits - 1, std::fabs(value));
    // scientific is "d.dddddddddddddde[+-]XX"
    char digits[kSignificantDigits];
    digits[0] = scientific[0];
    for (int i = 1; i < kSignificantDigits; ++i)
        digits[i] = scientific[i + 1];
    const int exponent = std::atoi(scientific + kSignificantDigits + 2);

    Text text = value < 0 ? "-" : "";
    if (exponent < kPlainMinExponent || exponent > kPlainMaxExponent) {
        char exponentText[16];
        std::snprintf(exponentText, sizeof exponentText, exponent >= 0 ? "e+%03d" : "e-%02d",
                      exponent >= 0 ? exponent : -exponent);
        text.append(scientific, kSignificantDigits + 1);
        text += exponentText;
        return text;
    }

    int lastSignificant = kSignificantDigits - 1;
    while (lastSignificant > 0 && digits[lastSignificant] == '0')
        --lastSignificant;
    if (exponent >= 0) {
        text.append(digits, exponent + 1);
        if (lastSignificant > exponent) {
            text += '.';
            text.append(digits + exponent + 1, lastSignificant - exponent);
        }
    } else {
        text += "0.";
        text.append(-exponent - 1, '0');
        text.append(digits, lastSignificant + 1);
    }
    return text;
}
