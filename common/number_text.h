// The one conversion from number to text and the one from text to number, used wherever the
// program shows, stores or reads a number.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/text.h"

// At most 15 significant digits, "-" before negative values and nothing before others.
// Magnitudes from 0.0001 to below 10^15 are plain decimal without trailing fraction zeros or a
// trailing ".", so 25 gives "25" and 0.5 gives "0.5"; zero gives "0". Other magnitudes are one
// digit, ".", fourteen digits, "e" and the exponent ("+" and at least three digits, or "-" and
// at least two): 1e15 gives "1.00000000000000e+015", 1e-5 gives "1.00000000000000e-05".
Text numberToText(double value);

// Skips leading spaces and tabs, then reads "&H" hexadecimal or "&O" octal digits (either case),
// or an optional sign, digits, an optional fraction and an optional exponent, stopping at the
// first byte that does not fit. Text without digits gives 0. The result is always finite:
// magnitudes beyond the range of a double give the largest finite value of that sign.
double textToNumber(std::string_view text);

// Integer targets take the value truncated toward zero, held to the target's range.
std::int16_t truncateToInt16(double value);
std::int32_t truncateToInt32(double value);
