// Bounded copies of code page 932 text.
#include "common/text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

TEST(Cp932LeadByte, CoversBothLeadRanges)
{
    EXPECT_FALSE(isCp932LeadByte(0x80));
    EXPECT_TRUE(isCp932LeadByte(0x81));
    EXPECT_TRUE(isCp932LeadByte(0x9f));
    EXPECT_FALSE(isCp932LeadByte(0xa0));
    EXPECT_FALSE(isCp932LeadByte(0xdf));  // half-width katakana are single bytes
    EXPECT_TRUE(isCp932LeadByte(0xe0));
    EXPECT_TRUE(isCp932LeadByte(0xfc));
    EXPECT_FALSE(isCp932LeadByte(0xfd));
    EXPECT_FALSE(isCp932LeadByte('A'));
}

namespace {

// A text capped at a number of bytes: what is kept, and whether the cap cut it.
struct Cap {
    const char* name;
    std::string text;
    std::size_t maxBytes;
    std::string kept;
    bool cut;
};

// gtest shows a row by its name, not by its bytes (string buffers and padding are unset).
void PrintTo(const Cap& row, std::ostream* out)
{
    *out << row.name;
}

const std::vector<Cap>& caps()
{
    std::string doubleByte;
    for (int i = 0; i < 200; ++i)
        doubleByte += cp932("あ");
    const std::string kanji = "a" + cp932("漢字");  // 1 + 2 + 2 bytes
    // "亜" is 0x88 0x9f: its trail byte is in the lead range, so only a scan from the start
    // tells where characters begin.
    const std::string trailsLikeLeads = "\x88\x9f\x88\x9f\x88\x9f";
    static const std::vector<Cap> rows = {
        {"KeepsTextThatFits", "abc", 3, "abc", false},
        {"KeepsAnEmptyText", "", 0, "", false},
        {"CutsSingleByteTextAtTheLimit", "abcdef", 4, "abcd", true},
        {"NeverEndsOnALeadByte", kanji, 4, "a" + cp932("漢"), true},
        {"KeepsAWholeCharacterAtTheLimit", kanji, 3, "a" + cp932("漢"), true},
        {"DropsACharacterThatDoesNotFit", kanji, 2, "a", true},
        {"TrailBytesThatLookLikeLeadBytesAreNotCharacterStarts", trailsLikeLeads, 5,
         "\x88\x9f\x88\x9f", true},
        {"TrailBytesThatLookLikeLeadBytesEndACharacter", trailsLikeLeads, 3, "\x88\x9f", true},
        {"HalfWidthKatakanaAreSingleBytes", cp932("ｻｰﾋﾞｽ"), 3, cp932("ｻｰﾋ"), true},
        {"A255ByteCapOfDoubleByteTextKeeps254Bytes", doubleByte, 255, doubleByte.substr(0, 254),
         true},
    };
    return rows;
}

class CappedCp932Test : public ::testing::TestWithParam<Cap> {};

}  // namespace

TEST_P(CappedCp932Test, KeepsWholeCharactersWithinTheLimit)
{
    bool cut = !GetParam().cut;
    EXPECT_EQ(cappedCp932(GetParam().text, GetParam().maxBytes, &cut), GetParam().kept);
    EXPECT_EQ(cut, GetParam().cut);
}

INSTANTIATE_TEST_SUITE_P(Text, CappedCp932Test, ::testing::ValuesIn(caps()),
                         [](const auto& row) { return std::string(row.param.name); });
