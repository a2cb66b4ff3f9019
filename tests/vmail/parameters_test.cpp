// What the library accepts as hosts and addresses before it talks to anyone.
#include "vmail/parameters.h"

#include <gtest/gtest.h>

// "　" is the full-width space 0x81 0x40; "＝" is 0x81 0x81 and "メ" 0x83 0x81, whose second byte
// is the first byte of "　", and "@" is 0x40, the second byte of "　".
TEST(WithoutBlanks, SpacesTabsAndWholeFullWidthSpacesGoFromBothEnds)
{
    const struct {
        std::string_view typed;
        std::string_view kept;
    } cases[] = {
        {"smtp.example.jp", "smtp.example.jp"},
        {" \tsmtp.example.jp\t ", "smtp.example.jp"},
        {"\x81\x40smtp.example.jp\x81\x40", "smtp.example.jp"},
        {"\x81\x40 \x81\x40\ttaro@example.jp \x81\x40\t\x81\x40", "taro@example.jp"},
        {"a \x81\x40 b", "a \x81\x40 b"},
        {"\x81\x40", ""},
        {" \x81\x40\t", ""},
        {"\x81\x81\x40", "\x81\x81\x40"},      // "＝@"
        {"a\x83\x81\x40", "a\x83\x81\x40"},    // "aメ@"
        {"a\x83\x81\x81\x40", "a\x83\x81"},    // "aメ　"
        {"\x81\x81\x81\x40", "\x81\x81"},      // "＝　"
        {"a\x81 ", "a\x81"},                   // a lone lead byte stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(vmail::withoutBlanks(c.typed), c.kept) << c.typed;
}

TEST(SafeHost, PrintableAsciiWithoutBlanks)
{
    EXPECT_TRUE(vmail::isSafeHost("smtp.example.jp"));
    EXPECT_TRUE(vmail::isSafeHost("127.0.0.1"));
    EXPECT_TRUE(vmail::isSafeHost("::1"));
    EXPECT_FALSE(vmail::isSafeHost(""));
    EXPECT_FALSE(vmail::isSafeHost("smtp.example.jp\r\n"));
    EXPECT_FALSE(vmail::isSafeHost("smtp example"));
    EXPECT_FALSE(vmail::isSafeHost("\x83z\x83X\x83g"));  // "ホスト" in code page 932
    EXPECT_TRUE(vmail::isSafeHost(std::string(253, 'a')));
    EXPECT_FALSE(vmail::isSafeHost(std::string(254, 'a')));
}

TEST(SafeAddress, OneAtWithTextOnBothSidesAndNothingThatBreaksAPath)
{
    EXPECT_TRUE(vmail::isSafeAddress("hanako@example.ne.jp"));
    EXPECT_TRUE(vmail::isSafeAddress("a.b+c@d"));
    for (const char* bad : {"", "@", "a@", "@b", "ab", "a@b@c", "a b@c", "a@b\r\n", "a@b>",
                            "<a@b", "a,b@c", "\"a\"@b", "a\\b@c", "\x82\xa0@b"})
        EXPECT_FALSE(vmail::isSafeAddress(bad)) << bad;
    EXPECT_TRUE(vmail::isSafeAddress(std::string(250, 'a') + "@b.c"));
    EXPECT_FALSE(vmail::isSafeAddress(std::string(251, 'a') + "@b.c"));
}

TEST(AddressList, CommasSeparateBlanksAreTrimmedEmptyEntriesSkipped)
{
    EXPECT_EQ(vmail::parseAddressList(nullptr), std::vector<std::string>{});
    EXPECT_EQ(vmail::parseAddressList(""), std::vector<std::string>{});
    EXPECT_EQ(vmail::parseAddressList("a@b"), std::vector<std::string>{"a@b"});
    EXPECT_EQ(vmail::parseAddressList(" a@b , c@d ,,"), (std::vector<std::string>{"a@b", "c@d"}));
    EXPECT_EQ(vmail::parseAddressList("\x81\x40" "a@b\x81\x40,\x81\x40"),
              std::vector<std::string>{"a@b"});
    EXPECT_EQ(vmail::parseAddressList("a@b, c@d\r\n"), std::nullopt);
    EXPECT_EQ(vmail::parseAddressList("a@b, nonsense"), std::nullopt);
}
