// Text to number, one byte at a time.
#include "common/number_scanner.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cstring>
#include <system_error>

namespace {

// Beyond this decimal position of its first significant digit a value is far outside the range
// of a double (about 10^-324 to 10^308), so it needs no conversion.
constexpr std::int64_t kFarOutOfRange = 400;

// The exponent stops growing at this value; one more digit marks it as too large to matter.
constexpr std::int64_t kExponentLimit = 1000000000;

bool isDigit(char byte) { return byte >= '0' && byte <= '9'; }

// Digit value in any radix up to 36; 99 for a byte that is no digit.
int digitValue(char byte)
{
    if (byte >= '0' && byte <= '9')
        return byte - '0';
    if (byte >= 'a' && byte <= 'z')
        return byte - 'a' + 10;
    if (byte >= 'A' && byte <= 'Z')
        return byte - 'A' + 10;
    return 99;
}

}  // namespace

bool NumberScanner::take(char byte)
{
    switch (part_) {
    case Part::blanks:
        if (byte == ' ' || byte == '\t')
            return true;
        if (byte == '&') {
            part_ = Part::ampersand;
            return true;
        }
        return takeDecimal(byte);
    case Part::ampersand:
        if (byte == 'H' || byte == 'h')
            radix_ = 16;
        else if (byte == 'O' || byte == 'o')
            radix_ = 8;
        else
            break;
        part_ = Part::radixDigits;
        return true;
    case Part::radixDigits:
        if (digitValue(byte) >= radix_)
            break;
        radixValue_ = radixValue_ * radix_ + digitValue(byte);
        return true;
    case Part::sign:
    case Part::integer:
    case Part::fraction:
        return takeDecimal(byte);
    case Part::exponentMark:
    case Part::exponentSign:
    case Part::exponentDigits:
        return takeExponent(byte);
    case Part::ended:
        return false;
    }
    part_ = Part::ended;
    return false;
}

bool NumberScanner::takeDecimal(char byte)
{
    if (isDigit(byte)) {
        if (part_ != Part::fraction)
            part_ = Part::integer;
        takeMantissaDigit(byte - '0');
        return true;
    }
    if (byte == '.' && part_ != Part::fraction) {
        part_ = Part::fraction;
        return true;
    }
    if ((byte == '+' || byte == '-') && part_ == Part::blanks) {
        negative_ = byte == '-';
        part_ = Part::sign;
        return true;
    }
    if ((byte == 'e' || byte == 'E') && digitsSeen_) {
        part_ = Part::exponentMark;
        return true;
    }
    part_ = Part::ended;
    return false;
}

bool NumberScanner::takeExponent(char byte)
{
    if (isDigit(byte)) {
        part_ = Part::exponentDigits;
        if (exponent_ < kExponentLimit)
            exponent_ = exponent_ * 10 + (byte - '0');
        else
            exponentOverflow_ = true;
        return true;
    }
    if ((byte == '+' || byte == '-') && part_ == Part::exponentMark) {
        exponentNegative_ = byte == '-';
        part_ = Part::exponentSign;
        return true;
    }
    part_ = Part::ended;
    return false;
}

// Zeros before the first significant digit are only counted; the first kKeptDigits
// significant digits are kept, and of the rest only whether one is nonzero.
void NumberScanner::takeMantissaDigit(int digit)
{
    digitsSeen_ = true;
    const bool inFraction = part_ == Part::fraction;
    if (!significantSeen_) {
        if (digit == 0) {
            if (inFraction)
                ++fractionZeros_;
            return;
        }
        significantSeen_ = true;
        position_ = inFraction ? -fractionZeros_ - 1 : 0;
    } else if (!inFraction) {
        ++position_;
    }
    if (keptDigits_ < kKeptDigits)
        digits_[keptDigits_++] = static_cast<char>('0' + digit);
    else if (digit != 0)
        droppedNonzero_ = true;
}

double NumberScanner::value() const
{
    if (radix_ != 0)
        return std::min(radixValue_, DBL_MAX);
    if (!digitsSeen_)
        return 0;
    if (!significantSeen_)
        return negative_ ? -0.0 : 0.0;
    const double magnitude = decimalValue();
    return negative_ ? -magnitude : magnitude;
}

// The magnitude from the kept digits, correctly rounded: the kept digits, a digit 1 for any
// nonzero digit dropped, and the exponent of the last of them, as one short decimal text.
double NumberScanner::decimalValue() const
{
    const std::int64_t exponent = exponentNegative_ ? -exponent_ : exponent_;
    // Decimal position of the value's first significant digit; a value too large or too small
    // for a double is decided by its sign alone.
    const std::int64_t leading = position_ + exponent;
    const double outOfRange = leading > 0 ? DBL_MAX : 0.0;
    if (exponentOverflow_ || leading > kFarOutOfRange || leading < -kFarOutOfRange)
        return outOfRange;

    char text[kKeptDigits + 32];
    std::memcpy(text, digits_, keptDigits_);
    std::size_t digitCount = keptDigits_;
    if (droppedNonzero_)
        text[digitCount++] = '1';
    text[digitCount] = 'e';
    const std::int64_t lastExponent = leading - static_cast<std::int64_t>(digitCount - 1);
    std::to_chars_result written = std::to_chars(text + digitCount + 1, text + sizeof text,
                                                 lastExponent);
    double value = 0;
    std::from_chars_result result =
        std::from_chars(text, written.ptr, value, std::chars_format::scientific);
    if (result.ec == std::errc::result_out_of_range)
        return outOfRange;
    if (result.ec != std::errc())
        return 0;
    return value;
}
