// The number-to-text and text-to-number conversions, and the truncations to integer targets.
#include "common/number_text.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

// 1 + 2^-53, exactly halfway between 1 and the next double.
const std::string kHalfwayAfterOne = "1.00000000000000011102230246251565404236316680908203125";

struct NumberForm {
    double value;
    const char* text;
};

// Values and the texts numberToText gives them, a group for each rule.
struct FormGroup {
    const char* name;
    std::vector<NumberForm> forms;
};

// gtest shows a row by its name, not by its bytes (string buffers and padding are unset).
void PrintTo(const FormGroup& row, std::ostream* out)
{
    *out << row.name;
}

const FormGroup kFormGroups[] = {
    {"IntegralValuesHaveNoDecimalPoint",
     {
         {0.0, "0"}, {1.0, "1"}, {25.0, "25"}, {100.0, "100"}, {110.0, "110"}, {65535.0, "65535"},
         {2147483647.0, "2147483647"}, {100000000000000.0, "100000000000000"},
     }},
    {"NegativeValuesHaveALeadingMinus",
     {
         {-1.0, "-1"}, {-25.0, "-25"}, {-0.5, "-0.5"}, {-1234.5678, "-1234.5678"},
         {-999999999999999.0, "-999999999999999"}, {-0.0001, "-0.0001"},
     }},
    {"FractionsDropTrailingZerosAndKeepALeadingZero",
     {
         {0.5, "0.5"}, {0.25, "0.25"}, {1.5, "1.5"}, {10.25, "10.25"}, {1234.5678, "1234.5678"},
         {0.1, "0.1"}, {0.001, "0.001"},
     }},
    {"RoundsToFifteenSignificantDigits",
     {
         {0.1 + 0.2, "0.3"}, {0.1 + 0.7, "0.8"}, {1.0 / 3.0, "0.333333333333333"},
         {2.0 / 3.0, "0.666666666666667"}, {-1.0 / 3.0, "-0.333333333333333"},
         {100.0 / 3.0, "33.3333333333333"}, {1.005, "1.005"},
         {123456789012345.67, "123456789012346"}, {0.000123456789012345, "0.000123456789012345"},
     }},
    {"PlainDecimalRunsFromOneTenThousandthToBelowTenToTheFifteenth",
     {
         {0.0001, "0.0001"}, {0.00012345, "0.00012345"}, {999999999999999.0, "999999999999999"},
         {123456789012345.0, "123456789012345"}, {9.99999999999999e-05, "9.99999999999999e-05"},
         {1e15, "1.00000000000000e+015"},
     }},
    {"LargeMagnitudesUseAPlusExponentOfAtLeastThreeDigits",
     {
         {1e16, "1.00000000000000e+016"}, {-2.5e20, "-2.50000000000000e+020"},
         {123456789012345678.0, "1.23456789012346e+017"},
         {9.9999999999999995e20, "1.00000000000000e+021"}, {1e100, "1.00000000000000e+100"},
         {1.5e300, "1.50000000000000e+300"}, {kLargest, "1.79769313486232e+308"},
         {-kLargest, "-1.79769313486232e+308"},
     }},
    {"SmallMagnitudesUseAMinusExponentOfAtLeastTwoDigits",
     {
         {1.5e-5, "1.50000000000000e-05"}, {1e-5, "1.00000000000000e-05"},
         {-1e-5, "-1.00000000000000e-05"}, {9e-5, "9.00000000000000e-05"},
         {1.234e-7, "1.23400000000000e-07"}, {1e-10, "1.00000000000000e-10"},
         {1e-99, "1.00000000000000e-99"}, {1e-100, "1.00000000000000e-100"},
         {std::numeric_limits<double>::denorm_min(), "4.94065645841247e-324"},
     }},
};

struct ReadNumber {
    std::string text;
    double value;
};

// Texts and the values textToNumber gives them, a group for each rule; exact: the same to the
// last bit, for texts whose value rounds on digits far from their start.
struct ReadingGroup {
    const char* name;
    bool exact;
    std::vector<ReadNumber> readings;
};

// gtest shows a row by its name, not by its bytes (string buffers and padding are unset).
void PrintTo(const ReadingGroup& row, std::ostream* out)
{
    *out << row.name;
}

const std::vector<ReadingGroup>& readingGroups()
{
    const double afterOne = std::nextafter(1.0, 2.0);
    static const std::vector<ReadingGroup> groups = {
        {"ReadsSignedDecimalsWithFractions", false,
         {
             {"0", 0.0}, {"7", 7.0}, {"25", 25.0}, {"+5", 5.0}, {"-5", -5.0}, {"1.5", 1.5},
             {"-1234.5678", -1234.5678}, {".5", 0.5}, {"5.", 5.0}, {"007", 7.0}, {"0.1", 0.1},
             {"0.33333333333333333333333333", 1.0 / 3.0},
         }},
        {"ReadsExponentsInEitherCase", false,
         {
             {"1e3", 1000.0}, {"1E3", 1000.0}, {"2e+2", 200.0}, {"1.5e-2", 0.015},
             {"-2.5E-3", -0.0025}, {"1.00000000000000e+015", 1e15},
             {"1.50000000000000e-05", 1.5e-5}, {"1e308", 1e308}, {"1e-100", 1e-100},
             {"1e0000000000000003", 1000.0}, {"1e-0000002", 0.01},
         }},
        {"AnExponentWithoutDigitsIsNotPartOfTheNumber", false,
         {
             {"1e", 1.0}, {"1e+", 1.0}, {"1e-", 1.0}, {"1ex", 1.0}, {"2.5E+x", 2.5},
         }},
        {"SkipsLeadingSpacesAndTabsOnly", false,
         {
             {"  12", 12.0}, {"\t\t7", 7.0}, {" \t -3", -3.0}, {"   &H10", 16.0}, {"\n5", 0.0},
             {"\r5", 0.0},
         }},
        {"StopsAtTheFirstByteThatDoesNotFit", false,
         {
             {"12abc", 12.0}, {"1 2", 1.0}, {"1,5", 1.0}, {"3-", 3.0}, {"1.2.3", 1.2},
             {"- 5", 0.0}, {"--1", 0.0}, {"+-1", 0.0}, {"25\r\n", 25.0},
             {std::string("12\0" "3", 4), 12.0},
         }},
        {"TextWithoutDigitsGivesZero", false,
         {
             {"", 0.0}, {"   ", 0.0}, {"abc", 0.0}, {"-", 0.0}, {"+", 0.0}, {".", 0.0},
             {"-.", 0.0}, {"e5", 0.0}, {"\"12\"", 0.0},
             {"\x82\x50\x82\x51", 0.0},  // full-width "12" in code page 932
         }},
        {"ReadsHexadecimalAndOctalInEitherCase", false,
         {
             {"&H1F", 31.0}, {"&hff", 255.0}, {"&HfF", 255.0}, {"&H1e", 30.0}, {"&O17", 15.0},
             {"&o17", 15.0}, {"&H1G", 1.0}, {"&H1.5", 1.0}, {"&O78", 7.0},
             {"&HFFFFFFFF", 4294967295.0}, {"&HFFFFFFFFFFFFFFFF", 18446744073709551615.0},
         }},
        {"HexadecimalAndOctalTakeNoSignAndNeedDigits", false,
         {
             {"&H", 0.0}, {"&Hxyz", 0.0}, {"&O8", 0.0}, {"&", 0.0}, {"&X1", 0.0}, {"& H1", 0.0},
             {"&H-1", 0.0}, {"&H+1", 0.0}, {"-&H1F", 0.0},
         }},
        {"BeyondTheRangeGivesTheLargestFiniteValueOfThatSign", false,
         {
             {"1e400", kLargest}, {"-1e400", -kLargest}, {"1.8e308", kLargest},
             {"1e99999999999999999999", kLargest}, {"-1e99999999999999999999", -kLargest},
             {"&H" + std::string(300, 'F'), kLargest}, {"1.7976931348623157e308", kLargest},
         }},
        {"UnderflowGivesZero", false,
         {
             {"1e-400", 0.0}, {"-1e-400", 0.0}, {"1e-99999999999999999999", 0.0},
             {"0e99999999999999999999", 0.0}, {"0." + std::string(400, '0') + "1", 0.0},
         }},
        {"ReadsVeryLongDigitStrings", true,
         {
             {std::string(10000, '0') + "1", 1.0}, {"1" + std::string(300, '0'), 1e300},
             {"-1" + std::string(300, '0'), -1e300}, {std::string(400, '9'), kLargest},
             {"1" + std::string(100000, '0'), kLargest},
             {"1." + std::string(100000, '0') + "1", 1.0},
             {"-" + std::string(5000, '0') + "2.5", -2.5},
             {"7" + std::string(3000, '0') + "e-3000", 7.0},
             {std::string(4000, '9') + "e-3700", 1e300},
             {"0." + std::string(5000, '3'), 1.0 / 3.0},
             {"0." + std::string(5000, '0') + "25e5002", 25.0},
             {"1" + std::string(5000, '0') + "." + std::string(5000, '0') + "e-5000", 1.0},
             {"2.5e" + std::string(5000, '0') + "3", 2500.0},
             {"-4E-" + std::string(5000, '0') + "2", -0.04},
             {"&H" + std::string(5000, '0') + "1F", 31.0},
         }},
        {"DigitsFarBeyondTheFirstStillDecideAHalfway", true,
         {
             {kHalfwayAfterOne, 1.0},  // a tie goes to the even neighbour
             {kHalfwayAfterOne + std::string(3000, '0'), 1.0},
             {kHalfwayAfterOne + std::string(3000, '0') + "1", afterOne},
             {"-" + kHalfwayAfterOne + std::string(3000, '0') + "1e0", -afterOne},
             {"0.1" + kHalfwayAfterOne.substr(2) + std::string(3000, '0') + "1e1", afterOne},
             {kHalfwayAfterOne.substr(0, 54) + "4" + std::string(3000, '9'), 1.0},  // just below
         }},
    };
    return groups;
}

template <typename Group>
std::string groupName(const ::testing::TestParamInfo<Group>& group)
{
    return group.param.name;
}

class NumberToTextTest : public ::testing::TestWithParam<FormGroup> {};
class TextToNumberTest : public ::testing::TestWithParam<ReadingGroup> {};

}  // namespace

TEST_P(NumberToTextTest, WritesEachForm)
{
    for (const NumberForm& form : GetParam().forms)
        EXPECT_EQ(numberToText(form.value), form.text) << "expected " << form.text;
}

INSTANTIATE_TEST_SUITE_P(NumberToText, NumberToTextTest, ::testing::ValuesIn(kFormGroups),
                         groupName<FormGroup>);

TEST_P(TextToNumberTest, ReadsEachText)
{
    for (const ReadNumber& reading : GetParam().readings) {
        if (GetParam().exact) {
            EXPECT_EQ(textToNumber(reading.text), reading.value)
                << "reading \"" << reading.text.substr(0, 60) << "\" of " << reading.text.size()
                << " bytes";
        } else {
            EXPECT_DOUBLE_EQ(textToNumber(reading.text), reading.value)
                << "reading \"" << reading.text << "\"";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TextToNumber, TextToNumberTest, ::testing::ValuesIn(readingGroups()),
                         groupName<ReadingGroup>);

TEST(NumberToText, NegativeZeroIsWrittenAsZero)
{
    EXPECT_EQ(numberToText(-0.0), "0");
}

TEST(TextToNumber, NeverGivesInfinityOrNotANumber)
{
    const std::string kTexts[] = {"1e400", "-1e400", std::string(400, '9'),
                                  "&H" + std::string(300, 'F'), "inf", "-inf", "nan", "infinity"};
    for (const std::string& text : kTexts) {
        double value = textToNumber(text);
        EXPECT_TRUE(std::isfinite(value)) << "reading \"" << text << "\"";
    }
    EXPECT_EQ(textToNumber("inf"), 0.0);
    EXPECT_EQ(textToNumber("nan"), 0.0);
}

TEST(TruncateToInt16, TruncatesTowardZero)
{
    EXPECT_EQ(truncateToInt16(0.0), 0);
    EXPECT_EQ(truncateToInt16(3.9), 3);
    EXPECT_EQ(truncateToInt16(-3.9), -3);
    EXPECT_EQ(truncateToInt16(0.99), 0);
    EXPECT_EQ(truncateToInt16(-0.99), 0);
    EXPECT_EQ(truncateToInt16(32767.9), 32767);
    EXPECT_EQ(truncateToInt16(-32768.9), -32768);
}

TEST(TruncateToInt16, HoldsValuesToTheSixteenBitRange)
{
    EXPECT_EQ(truncateToInt16(32768.0), 32767);
    EXPECT_EQ(truncateToInt16(40000.0), 32767);
    EXPECT_EQ(truncateToInt16(-32769.0), -32768);
    EXPECT_EQ(truncateToInt16(-40000.0), -32768);
    EXPECT_EQ(truncateToInt16(1e300), 32767);
    EXPECT_EQ(truncateToInt16(kLargest), 32767);
    EXPECT_EQ(truncateToInt16(-kLargest), -32768);
}

TEST(TruncateToInt32, TruncatesTowardZero)
{
    EXPECT_EQ(truncateToInt32(0.0), 0);
    EXPECT_EQ(truncateToInt32(255.75), 255);
    EXPECT_EQ(truncateToInt32(-255.75), -255);
    EXPECT_EQ(truncateToInt32(-0.5), 0);
    EXPECT_EQ(truncateToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(truncateToInt32(-2147483648.9), std::numeric_limits<std::int32_t>::min());
}

TEST(TruncateToInt32, HoldsValuesToTheThirtyTwoBitRange)
{
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(truncateToInt32(2147483648.0), kMax);
    EXPECT_EQ(truncateToInt32(3e9), kMax);
    EXPECT_EQ(truncateToInt32(-2147483649.0), kMin);
    EXPECT_EQ(truncateToInt32(-3e9), kMin);
    EXPECT_EQ(truncateToInt32(kLargest), kMax);
    EXPECT_EQ(truncateToInt32(-kLargest), kMin);
}
