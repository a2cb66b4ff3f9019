// Number to text and text to number.
#include "common/number_text.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/number_scanner.h"

namespace {

constexpr int kSignificantDigits = 15;
constexpr int kPlainMinExponent = -4;   // 0.0001
constexpr int kPlainMaxExponent = 14;   // below 10^15

double clampToFinite(double value)
{
    if (std::isnan(value))
        return 0;
    if (std::isinf(value))
        return value > 0 ? DBL_MAX : -DBL_MAX;
    return value;
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
    NumberScanner scanner;
    for (char byte : text) {
        if (!scanner.take(byte))
            break;
    }
    return scanner.value();
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
