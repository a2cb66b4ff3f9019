// The Options dialog's window-free rules: the Windows version names, the opacity slider's
// position, the authentication check boxes and the recipient selection.
#include "options/options_logic.h"

#include <gtest/gtest.h>

#include <ostream>

#include "tests/support/test_files.h"

TEST(OsName, NamesTheVersionsItKnowsAndNothingNewer)
{
    const struct {
        unsigned long platform, major, minor;
        const char* name;
    } table[] = {
        {1, 4, 0, "Windows95/98/ME"}, {1, 4, 90, "Windows95/98/ME"}, {1, 0, 0, "Windows95/98/ME"},
        {2, 4, 0, "WindowsNT"},       {2, 4, 1, "WindowsNT"},        {2, 5, 0, "Windows2000"},
        {2, 5, 1, "WindowsXP"},       {2, 3, 51, ""},                {2, 6, 1, ""},
        {2, 10, 0, ""},               {0, 3, 10, ""},                {3, 5, 1, ""},
    };
    for (const auto& row : table)
        EXPECT_EQ(osNameFor(row.platform, row.major, row.minor), row.name)
            << row.platform << " " << row.major << "." << row.minor;
    EXPECT_EQ(osNameFor(2, 5, 2), cp932("不明"));
    EXPECT_EQ(osNameFor(2, 5, 0xffffffff), cp932("不明"));
}

TEST(OsName, OnlyWindows9xAndNt4LoseTheTranslucencyControls)
{
    EXPECT_FALSE(translucencyOffered("Windows95/98/ME"));
    EXPECT_FALSE(translucencyOffered("WindowsNT"));
    for (const char* name : {"Windows2000", "WindowsXP", "", "windowsnt", "WindowsNT "})
        EXPECT_TRUE(translucencyOffered(name)) << name;
    EXPECT_TRUE(translucencyOffered(cp932("不明")));
}

TEST(SliderPosition, FollowsThePercentTextHeldToTheSlidersRange)
{
    const struct {
        const char* text;
        int position;
    } table[] = {
        {"0", 0},     {"1", 1},      {"50", 50},  {"100", 100}, {"150", 100},
        {"-5", 0},    {"abc", 0},    {"", 0},     {"99.9", 99}, {"-0.5", 0},
        {"1e9", 100}, {"-1e300", 0}, {"&H40", 64}, {" 7x", 7},  {"255", 100},
    };
    for (const auto& row : table)
        EXPECT_EQ(sliderPositionFor(row.text), row.position) << row.text;
}

TEST(SliderPosition, OpensAtTheLowEightBitsOfTheOpacity)
{
    EXPECT_EQ(openingSliderPosition(0), 0);
    EXPECT_EQ(openingSliderPosition(80), 80);
    EXPECT_EQ(openingSliderPosition(100), 100);
    EXPECT_EQ(openingSliderPosition(150), 150);  // the slider itself stops at 100
    EXPECT_EQ(openingSliderPosition(300), 44);
    EXPECT_EQ(openingSliderPosition(-1), 255);
}

namespace {

// A click on one authentication box: the boxes as the click left them (the clicked one already
// toggled), and as the rule leaves them.
struct AuthClick {
    const char* name;
    AuthChecks clicked;
    AuthBox box;
    AuthChecks after;
};

// gtest shows a row by its name, not by its bytes (string buffers and padding are unset).
void PrintTo(const AuthClick& row, std::ostream* out)
{
    *out << row.name;
}

constexpr bool on = true, off = false;
const AuthClick kAuthClicks[] = {
    // A box the click checked becomes the only one.
    {"ApopCheckedUnchecksSmtpAuth", {off, on, on}, AuthBox::apopBeforeSmtp, {off, on, off}},
    {"PopCheckedUnchecksSmtpAuth", {on, off, on}, AuthBox::popBeforeSmtp, {on, off, off}},
    {"SmtpAuthCheckedUnchecksBothPop", {on, on, on}, AuthBox::smtpAuth, {off, off, on}},
    {"SmtpAuthCheckedAloneStays", {off, off, on}, AuthBox::smtpAuth, {off, off, on}},
    // A box the click unchecked is checked again and the others stay. Both POP boxes checked,
    // as settings may hold them: a click on either changes nothing.
    {"SmtpAuthUncheckedIsCheckedAgain", {off, off, off}, AuthBox::smtpAuth, {off, off, on}},
    {"PopUncheckedBesideApopIsCheckedAgain", {off, on, off}, AuthBox::popBeforeSmtp, {on, on, off}},
    {"ApopUncheckedBesidePopIsCheckedAgain", {on, off, off}, AuthBox::apopBeforeSmtp,
     {on, on, off}},
};

class AuthChecksTest : public ::testing::TestWithParam<AuthClick> {};

}  // namespace

TEST_P(AuthChecksTest, FollowTheRule)
{
    EXPECT_EQ(authChecksAfterClick(GetParam().clicked, GetParam().box), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Click, AuthChecksTest, ::testing::ValuesIn(kAuthClicks),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Flags, OnlyOneShowsCheckedAndEveryCheckedStateStoresOne)
{
    EXPECT_TRUE(checkedForFlag(1));
    for (std::int16_t flag : {0, 2, -1, 256, 32767})
        EXPECT_FALSE(checkedForFlag(flag)) << flag;
    EXPECT_EQ(flagForCheckState(0), 0);
    EXPECT_EQ(flagForCheckState(1), 1);
    EXPECT_EQ(flagForCheckState(2), 1);  // BST_INDETERMINATE
}

TEST(RecipientSelection, TakesTheSelectedItemAndKeepsTheEntryWhenThereIsNone)
{
    for (long item = 0; item < 5; ++item)
        EXPECT_EQ(recipientAfterSelection(item, 3), item);
    EXPECT_EQ(recipientAfterSelection(-1, 3), 3);  // CB_ERR: nothing selected
    EXPECT_EQ(recipientAfterSelection(5, 2), 2);
    EXPECT_EQ(recipientAfterSelection(1L << 20, 4), 4);
}
