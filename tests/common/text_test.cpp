// Bounded copies of code page 932 text.
#include "common/text.h"

#include <gtest/gtest.h>

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

TEST(CappedCp932, KeepsTextThatFits)
{
    bool cut = true;
    EXPECT_EQ(cappedCp932("abc", 3, &cut), "abc");
    EXPECT_FALSE(cut);
    EXPECT_EQ(cappedCp932("", 0, &cut), "");
    EXPECT_FALSE(cut);
}

TEST(CappedCp932, CutsSingleByteTextAtTheLimit)
{
    bool cut = false;
    EXPECT_EQ(cappedCp932("abcdef", 4, &cut), "abcd");
    EXPECT_TRUE(cut);
}

TEST(CappedCp932, NeverEndsOnALeadByte)
{
    const std::string text = "a" + cp932("漢字");  // 1 + 2 + 2 bytes
    bool cut = false;
    EXPECT_EQ(cappedCp932(text, 4, &cut), "a" + cp932("漢"));
    EXPECT_TRUE(cut);
    EXPECT_EQ(cappedCp932(text, 3), "a" + cp932("漢"));
    EXPECT_EQ(cappedCp932(text, 2), "a");
}

TEST(CappedCp932, TrailBytesThatLookLikeLeadBytesAreNotCharacterStarts)
{
    // "亜" is 0x88 0x9f: its trail byte is in the lead range, so only a scan from the start
    // tells where characters begin.
    const std::string text = cp932("亜亜亜");
    ASSERT_EQ(text, "\x88\x9f\x88\x9f\x88\x9f");
    EXPECT_EQ(cappedCp932(text, 5), "\x88\x9f\x88\x9f");
    EXPECT_EQ(cappedCp932(text, 3), "\x88\x9f");
}

TEST(CappedCp932, HalfWidthKatakanaAreSingleBytes)
{
    const std::string text = cp932("ｻｰﾋﾞｽ");
    ASSERT_EQ(text.size(), 5u);
    EXPECT_EQ(cappedCp932(text, 3), text.substr(0, 3));
}

TEST(CappedCp932, A255ByteCapOfDoubleByteTextKeeps254Bytes)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += cp932("あ");
    std::string capped = cappedCp932(text, 255);
    EXPECT_EQ(capped.size(), 254u);
    EXPECT_EQ(capped, text.substr(0, 254));
}
