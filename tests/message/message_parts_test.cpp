// Subject and body, the counter text, the label state, the warning sound and the title.
#include "message/message_parts.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace {

struct Split {
    const char* name;
    std::string text;
    std::string subject;
    std::string body;
};

// gtest shows a row by its name, not by its bytes (string buffers and padding are unset).
void PrintTo(const Split& row, std::ostream* out)
{
    *out << row.name;
}

const std::vector<Split>& splits()
{
    std::string wide = "x";
    while (wide.size() < 300)
        wide += cp932("字");
    static const std::vector<Split> rows = {
        {"FirstLineBecomesSubjectAndRestBody", "A\r\nB", "A", "B"},
        {"ASingleLineHasNoSubjectAndIsAllBody", cp932("一行だけ"), "", cp932("一行だけ")},
        {"ALineAndABreakGiveASubjectAndAnEmptyBody", "Hello\r\n", "Hello", ""},
        {"EmptyTextGivesEmptyParts", "", "", ""},
        {"LaterLinesStayInTheBodyWithTheirBreaks", cp932("件名\r\n一\r\n二\r\n"), cp932("件名"),
         cp932("一\r\n二\r\n")},
        // The two are found independently, as the editor's text always pairs them.
        {"SubjectEndsAtTheFirstCr", "a\rb\nc", "a", "c"},
        {"BodyStartsAfterTheFirstLf", "a\nb", "", "b"},
        {"ALongFirstLineGivesAt256Bytes", std::string(300, 's') + "\r\nbody",
         std::string(256, 's'), "body"},
        // Byte 256 would be half a character.
        {"ALongFirstLineIsCutWithoutSplittingACharacter", wide + "\r\nbody", wide.substr(0, 255),
         "body"},
        {"TextEndsAtAZeroByte", std::string("A\r\nB\0C", 6), "A", "B"},
    };
    return rows;
}

class SplitMessageTest : public ::testing::TestWithParam<Split> {};

}  // namespace

TEST_P(SplitMessageTest, GivesSubjectAndBody)
{
    MessageParts parts = splitMessage(GetParam().text);
    EXPECT_EQ(parts.subject, GetParam().subject);
    EXPECT_EQ(parts.body, GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(Text, SplitMessageTest, ::testing::ValuesIn(splits()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(CounterText, CountAndLimitInTheProgramsNumberForm)
{
    const std::string prefix = cp932("文字数:");
    ASSERT_EQ(prefix.size(), 7u);
    EXPECT_EQ(counterText(12, 50), prefix + "12/50");
    EXPECT_EQ(counterText(0, 0), prefix + "0/0");
    EXPECT_EQ(counterText(2, 50), prefix + "2/50");
    EXPECT_EQ(counterText(51, 50.5), prefix + "51/50.5");
    EXPECT_EQ(counterText(3, -1), prefix + "3/-1");
    EXPECT_EQ(counterText(1, 1e20), prefix + "1/1.00000000000000e+020");
}

TEST(SubjectLabel, BelowTheLimitOnlyWhileTheLimitIsGreater)
{
    EXPECT_EQ(subjectLabelFor(49, 50), SubjectLabel::belowLimit);
    EXPECT_EQ(subjectLabelFor(50, 50), SubjectLabel::atOrAboveLimit);
    EXPECT_EQ(subjectLabelFor(51, 50), SubjectLabel::atOrAboveLimit);
    EXPECT_EQ(subjectLabelFor(0, 0), SubjectLabel::atOrAboveLimit);
    EXPECT_EQ(subjectLabelFor(50, 50.5), SubjectLabel::belowLimit);
    EXPECT_EQ(subjectLabelFor(51, 50.5), SubjectLabel::atOrAboveLimit);
}

TEST(WarningSound, PlaysOnlyExactlyAtTheLimitWithTheSoundOn)
{
    EXPECT_TRUE(warningSoundDue(50, 50, 1));
    EXPECT_FALSE(warningSoundDue(49, 50, 1));
    EXPECT_FALSE(warningSoundDue(51, 50, 1));  // a double-byte character jumping past the limit
    EXPECT_FALSE(warningSoundDue(50, 50, 0));
    EXPECT_FALSE(warningSoundDue(50, 50, 2));  // only the value 1 turns it on
    EXPECT_TRUE(warningSoundDue(0, 0, 1));     // an empty editor with no limit
    EXPECT_FALSE(warningSoundDue(50, 50.5, 1));
    EXPECT_FALSE(warningSoundDue(51, 50.5, 1));
}

TEST(RecipientTitle, IsToAndTheName)
{
    EXPECT_EQ(recipientTitle(""), "To ");
    EXPECT_EQ(recipientTitle(cp932("花子")), "To " + cp932("花子"));
}

TEST(RecipientTitle, IsCutTo255BytesWithoutSplittingACharacter)
{
    EXPECT_EQ(recipientTitle(std::string(300, 'n')), "To " + std::string(252, 'n'));
    std::string wide;
    while (wide.size() < 260)
        wide += cp932("名");
    EXPECT_EQ(recipientTitle(wide), "To " + wide.substr(0, 252));
    EXPECT_EQ(recipientTitle("x" + wide), "To x" + wide.substr(0, 250));
}
