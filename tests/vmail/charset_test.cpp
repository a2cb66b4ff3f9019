// Code page 932 to UTF-8 as Windows converts it, identically in both builds, and UTF-8 from a
// server back to code page 932.
#include "vmail/charset.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/test_files.h"
#include "vmail/md5.h"
#include "vmail/server_text.h"

using vmail::cp932ToUtf8;

namespace {

std::string hexBytes(std::string_view bytes)
{
    std::string hex;
    for (char c : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
        hex += pair;
    }
    return hex;
}

}  // namespace

TEST(IsAscii, TellsSevenBitTextFromEightBit)
{
    EXPECT_TRUE(vmail::isAscii(std::string("\0\x01~\x7f", 4)));
    EXPECT_FALSE(vmail::isAscii("abc\x80"));
    EXPECT_FALSE(vmail::isAscii(cp932("ｱ")));
}

TEST(Cp932ToUtf8, ConvertsWithTheWindowsMapping)
{
    const struct {
        const char* meaning;
        std::string cp932, utf8;
    } cases[] = {
        {"empty", "", ""},
        {"ASCII, NUL and controls", std::string("a\0\x1b\r\n", 5), std::string("a\0\x1b\r\n", 5)},
        {"0x5C backslash, not yen; 0x7E tilde, not overline", "\\~", "\\~"},
        // Where JIS-based tables differ, the mail carries what the Windows user saw.
        {"0x8160 fullwidth tilde, not U+301C wave dash", "\x81\x60", "～"},
        {"0x815F 0x8161 0x817C: fullwidth reverse solidus, parallel to, fullwidth hyphen-minus",
         "\x81\x5f\x81\x61\x81\x7c", "＼∥－"},
        {"0x8191 0x8192 0x81CA: fullwidth cent, pound and not signs", "\x81\x91\x81\x92\x81\xca",
         "￠￡￢"},
        {"hiragana and kanji", cp932("日本語のテキスト"), "日本語のテキスト"},
        {"a trail byte in the lead range", "\x88\x9f", "亜"},
        {"half-width katakana", "\xbb\xb0\xcb\xde\xbd", "ｻｰﾋﾞｽ"},
        {"NEC special characters", "\x87\x40\x87\x53\x87\x54\x87\x82\x87\x8a", "①⑳Ⅰ№㈱"},
        {"NEC-selected IBM and IBM extensions", "\xed\x40\xfa\x40\xfb\xfc", "纊ⅰ髙"},
        {"user-defined area", "\xf0\x40\xf9\xfc", "\xee\x80\x80\xee\x9d\x97"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cp932ToUtf8(c.cp932), c.utf8) << c.meaning;
}

TEST(Cp932ToUtf8, RejectsTextThatIsNotCodePage932)
{
    const std::pair<const char*, std::string> rejected[] = {
        {"a lone lead byte", "\x82"},
        {"a lead byte at the end", "abc\x82"},
        {"a lead byte before a line break", "\x82\r\n"},
        {"trail byte 0x20", "\x81\x20"},
        {"trail byte 0x7F", "\x81\x7f"},
        {"trail byte 0xFD", "\x81\xfd"},
        {"an unassigned pair", "\x85\x40"},
        {"an unassigned lead byte", "\xeb\x40"},
        {"0x80, which Windows alone maps", "\x80"},
        {"0xA0", "\xa0"},
        {"0xFD", "\xfd"},
        {"0xFF", "\xff"},
        {"a bad byte inside good text", cp932("あ") + "\xa0" + cp932("い")},
    };
    for (const auto& [meaning, bytes] : rejected)
        EXPECT_FALSE(cp932ToUtf8(bytes)) << meaning;
}

TEST(Cp932ToUtf8, ConvertsEveryCodeExactlyAsTheWindowsTable)
{
    // Every single byte, and every pair after a byte that is not one, listed as "code utf-8" in
    // hex. The count and digest come from Windows' own conversion (MultiByteToWideChar, code
    // page 932) of the same list, less the single byte 0x80 that is refused here.
    std::string table;
    int accepted = 0;
    auto add = [&](const std::string& code) {
        std::optional<std::string> utf8 = cp932ToUtf8(code);
        if (utf8) {
            table += hexBytes(code) + " " + hexBytes(*utf8) + "\n";
            ++accepted;
        }
        return utf8.has_value();
    };
    for (int first = 0; first < 256; ++first) {
        std::string single(1, static_cast<char>(first));
        if (add(single))
            continue;
        for (int second = 0; second < 256; ++second)
            add(single + static_cast<char>(second));
    }
    EXPECT_EQ(accepted, 9795);
    EXPECT_EQ(vmail::toHex(vmail::md5(table)), "30e9db3e0a703771a811224773230528");
}

TEST(Utf8CharacterLength, TakesShortestFormsWithinUnicodeOnly)
{
    const struct {
        const char* meaning;
        std::string bytes;
        std::size_t length;
    } cases[] = {
        {"ASCII", "a", 1},
        {"two bytes", "é", 2},
        {"three bytes", "あ", 3},
        {"four bytes", "😀", 4},
        {"empty", "", 0},
        {"a continuation byte alone", "\x80", 0},
        {"an overlong two-byte form", "\xc0\xaf", 0},
        {"an overlong three-byte form", "\xe0\x80\xaf", 0},
        {"an overlong four-byte form", "\xf0\x80\x80\xaf", 0},
        {"a surrogate", "\xed\xa0\x80", 0},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", 0},
        {"cut short", "\xe3\x81", 0},
        {"a lead byte before ASCII", "\xe3" "a", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vmail::utf8CharacterLength(c.bytes), c.length) << c.meaning;
    EXPECT_TRUE(vmail::isUtf8("日本語 text 😀"));
    EXPECT_FALSE(vmail::isUtf8(cp932("日本語")));
}

TEST(Utf8ToCp932, GivesAQuestionMarkForWhatCodePage932Lacks)
{
    const struct {
        const char* meaning;
        std::string utf8;
        std::string cp932;
    } cases[] = {
        {"Japanese, half-width katakana, NEC specials", "日本語ｶﾅ①", cp932("日本語ｶﾅ①")},
        {"fullwidth tilde", "～", "\x81\x60"},
        {"wave dash: no look-alike stands in for it", "〜", "?"},
        {"accented Latin", "café", "caf?"},
        {"an emoji", "a😀b", "a?b"},
        {"a byte that starts no character", "a\xff" "b", "a?b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vmail::utf8ToCp932(c.utf8), c.cp932) << c.meaning;
}

// Text that is neither UTF-8 nor code page 932 as a whole: its UTF-8 characters still count.
TEST(ServerText, ConvertsTheUtf8InTextOfNoOneEncoding)
{
    EXPECT_EQ(vmail::serverText("-ERR 日本 \xff"), cp932("-ERR 日本 ?"));
}
