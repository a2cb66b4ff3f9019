// Reads the number a text begins with from its bytes given one at a time, in a fixed amount of
// memory however long the text: the one reading behind textToNumber and the settings files.
#pragma once

#include <cstddef>
#include <cstdint>

// Skips leading spaces and tabs, then reads "&H" hexadecimal or "&O" octal digits (either case),
// or an optional sign, digits, an optional fraction and an optional exponent; the number ends at
// the first byte that does not fit. Text without digits gives 0. The value is always finite:
// magnitudes beyond the range of a double give the largest finite value of that sign.
class NumberScanner {
public:
    // Significant digits kept for the decimal value. A double is correctly rounded from the first
    // 767 significant digits of a decimal (no halfway point between two doubles has more) and
    // whether any later digit is nonzero; a dropped nonzero digit is kept as one digit 1.
    static constexpr std::size_t kKeptDigits = 800;

    // Takes the next byte of the text. Answers false once the number has ended: this byte and
    // every later one are not part of it, and taking more changes nothing.
    bool take(char byte);

    // The value of the number the bytes taken so far begin with.
    double value() const;

private:
    enum class Part {
        blanks, ampersand, radixDigits, sign, integer, fraction, exponentMark, exponentSign,
        exponentDigits, ended,
    };

    bool takeDecimal(char byte);
    bool takeExponent(char byte);
    void takeMantissaDigit(int digit);
    double decimalValue() const;

    Part part_ = Part::blanks;
    int radix_ = 0;          // 16 or 8 after "&H" or "&O"
    double radixValue_ = 0;  // accumulates as a double, so that any number of digits is safe

    bool negative_ = false;
    bool digitsSeen_ = false;       // any digit before or after the point
    bool significantSeen_ = false;  // a digit other than 0
    // Decimal position of the first significant digit: 0 for units, -1 for tenths.
    std::int64_t position_ = 0;
    std::int64_t fractionZeros_ = 0;  // zeros after the point before any significant digit
    char digits_[kKeptDigits];        // the first significant digits, '0' to '9'
    std::size_t keptDigits_ = 0;
    bool droppedNonzero_ = false;     // a nonzero digit after the kept ones

    bool exponentNegative_ = false;
    std::int64_t exponent_ = 0;       // stays 0 unless a digit follows "e" and its sign
    bool exponentOverflow_ = false;
};
