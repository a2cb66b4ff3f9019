// The password's file form: four decimal digits per byte, the byte value plus 2731.
#include "settings/settings_file.h"

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_files.h"

namespace {

struct ScrambledForm {
    Text plain;
    Text scrambled;
};

Text scramble(const Text& plain) { return scramblePassword(plain, false); }
Text unscramble(const Text& scrambled) { return scramblePassword(scrambled, true); }

bool onlyDigits(const Text& text)
{
    return text.find_first_not_of("0123456789") == Text::npos;
}

// Passwords and their file forms, a group for each rule; unscrambling: read back from the file
// form, otherwise written to it.
struct FormGroup {
    const char* name;
    bool unscrambling;
    std::vector<ScrambledForm> forms;
};

// gtest shows a row by its name, not by its bytes (string buffers and padding are unset).
void PrintTo(const FormGroup& row, std::ostream* out)
{
    *out << row.name;
}

const FormGroup kFormGroups[] = {
    {"WritesFourDigitsPerByte", false,
     {{"A", "2796"}, {"AB", "27962797"}, {"a", "2828"}, {"1", "2780"}, {" ", "2763"},
      {Text(1, '\0'), "2731"}, {"\x7f", "2858"}, {"\x80", "2859"}, {"\xff", "2986"},
      {"pass", "2843282828462846"}}},
    // 279 - 2731 = -2452, whose low 8 bits are 108; 27 - 2731 = -2704 gives 112;
    // 2 - 2731 = -2729 gives 87.
    {"UnscramblesAShortLastGroupLikeAFullOne", true,
     {{"A\x6c", "2796279"}, {"A\x70", "279627"}, {"A\x57", "27962"}, {"\x57", "2"}}},
    // Each group goes through the text-to-number conversion, so a group without digits counts
    // as 0, blanks before digits are skipped and "&H" reads hexadecimal; the value less 2731 is
    // truncated toward zero and only its low 8 bits are kept.
    {"UnscramblesEachGroupAsANumberOfItsOwn", true,
     {
         {"\x55", "abcd"},          // 0 - 2731 = -2731
         {"\x55\x41", "abcd2796"},  // the next group is read on its own
         {"\x61", "  12"},          // 12 - 2731 = -2719
         {"\x74", "&H1F"},          // 31 - 2731 = -2700
         {"\x3d", "1e3x"},          // 1000 - 2731 = -1731
         {"\x71", "27.9"},          // -2703.1 truncates to -2703
         {"\x64", "9999"},          // 9999 - 2731 = 7268
         {"\xff", "2730"},          // -1
         {Text(1, '\0'), "2987"},   // 256
         {"\xda", "-123"},          // -123 - 2731 = -2854
     }},
};

class ScrambleFormsTest : public ::testing::TestWithParam<FormGroup> {};

}  // namespace

TEST_P(ScrambleFormsTest, GiveEachOther)
{
    for (const ScrambledForm& form : GetParam().forms) {
        if (GetParam().unscrambling) {
            EXPECT_EQ(unscramble(form.scrambled), form.plain) << "unscrambling " << form.scrambled;
        } else {
            EXPECT_EQ(scramble(form.plain), form.scrambled) << "expected " << form.scrambled;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ScramblePassword, ScrambleFormsTest, ::testing::ValuesIn(kFormGroups),
                         [](const auto& group) { return std::string(group.param.name); });

TEST(ScramblePassword, WritesEachByteOfADoubleByteCharacter)
{
    const Text plain = cp932("あ");
    ASSERT_EQ(plain, "\x82\xa0");
    EXPECT_EQ(scramble(plain), "28612891");  // 0x82 + 2731, 0xa0 + 2731
}

TEST(ScramblePassword, EmptyTextStaysEmptyBothWays)
{
    EXPECT_EQ(scramble(""), "");
    EXPECT_EQ(unscramble(""), "");
}

TEST(ScramblePassword, EveryByteValueComesBack)
{
    for (int value = 0; value < 256; ++value) {
        const Text plain(1, static_cast<char>(value));
        const Text scrambled = scramble(plain);
        EXPECT_EQ(scrambled, std::to_string(value + 2731)) << "byte " << value;
        EXPECT_EQ(unscramble(scrambled), plain) << "byte " << value;
    }
}

TEST(ScramblePassword, A255BytePasswordComesBackFromItsThousandAndTwentyDigits)
{
    Text plain;
    for (int i = 0; i < 255; ++i)
        plain += static_cast<char>(255 - i);
    const Text scrambled = scramble(plain);
    EXPECT_EQ(scrambled.size(), 1020u);
    EXPECT_TRUE(onlyDigits(scrambled));
    EXPECT_EQ(unscramble(scrambled), plain);
}

TEST(ScramblePassword, APasswordWithDoubleByteCharactersComesBack)
{
    const Text plain = cp932("パス表ソ能abc漢字");
    const Text scrambled = scramble(plain);
    EXPECT_EQ(scrambled.size(), 4 * plain.size());
    EXPECT_TRUE(onlyDigits(scrambled));
    EXPECT_EQ(unscramble(scrambled), plain);
}

