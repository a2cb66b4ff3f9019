// ToName.dat: five "name,address,limit" lines, written exactly and read back.
#include "settings/recipients.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/field_reader.h"
#include "tests/support/golden_files.h"
#include "tests/support/test_files.h"

namespace {

class RecipientsTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        recipients = {};
        currentRecipient = 0;
    }
    void TearDown() override
    {
        recipients = {};
        ScratchFolderTest::TearDown();
    }
};

}  // namespace

TEST_F(RecipientsTest, SavedFileHasFiveLinesInEntryOrder)
{
    fillSampleRecipients();
    saveRecipients();
    EXPECT_EQ(fileBytes("ToName.dat"), sampleRecipientsFile());
}

TEST_F(RecipientsTest, UntouchedEntriesSaveAsTwoCommasAndZero)
{
    saveRecipients();
    EXPECT_EQ(fileBytes("ToName.dat"), ",,0\r\n,,0\r\n,,0\r\n,,0\r\n,,0\r\n");
}

TEST_F(RecipientsTest, SaveThenLoadGivesBackEveryEntryInOrder)
{
    fillSampleRecipients();
    saveRecipients();
    recipients = {};
    loadRecipients();
    EXPECT_EQ(recipients[0].name, cp932("花子"));
    EXPECT_EQ(recipients[0].address, "hanako@example.ne.jp");
    EXPECT_EQ(recipients[0].charLimit, 50);
    EXPECT_EQ(recipients[1].name, "Boss");
    EXPECT_EQ(recipients[2].name, cp932("ｶﾅ名"));
    EXPECT_EQ(recipients[2].charLimit, 30.5);
    EXPECT_EQ(recipients[3].name, "");
    EXPECT_EQ(recipients[3].address, "");
    EXPECT_EQ(recipients[3].charLimit, 0);
    // Duplicates are both kept.
    EXPECT_EQ(recipients[4].name, "Boss");
    EXPECT_EQ(recipients[4].address, "boss@example.jp");
    EXPECT_EQ(recipients[4].charLimit, 1000);
}

TEST_F(RecipientsTest, MissingFileLeavesEmptyEntries)
{
    loadRecipients();
    for (const RecipientEntry& entry : recipients) {
        EXPECT_EQ(entry.name, "");
        EXPECT_EQ(entry.address, "");
        EXPECT_EQ(entry.charLimit, 0);
    }
    EXPECT_FALSE(fileExists("ToName.dat"));
}

TEST_F(RecipientsTest, AShortFileFillsOnlyWhatItHolds)
{
    writeFileBytes("ToName.dat", "A,a@example.jp,10\r\nB,b@exa");
    loadRecipients();
    EXPECT_EQ(recipients[0].name, "A");
    EXPECT_EQ(recipients[0].charLimit, 10);
    EXPECT_EQ(recipients[1].name, "B");
    EXPECT_EQ(recipients[1].address, "b@exa");
    EXPECT_EQ(recipients[1].charLimit, 0);
    EXPECT_EQ(recipients[2].name, "");
}

TEST_F(RecipientsTest, ExtraLinesAreIgnoredAndDisappearAtTheNextSave)
{
    std::string file = sampleRecipientsFile() + "Sixth,six@example.jp,6\r\n";
    writeFileBytes("ToName.dat", file);
    loadRecipients();
    EXPECT_EQ(recipients[4].charLimit, 1000);
    saveRecipients();
    EXPECT_EQ(fileBytes("ToName.dat"), sampleRecipientsFile());
}

TEST_F(RecipientsTest, ACommaInANameShiftsEveryLaterField)
{
    recipients[0] = {"Yamada, Taro", "taro@example.jp", 50};
    recipients[1] = {"B", "b@example.jp", 60};
    saveRecipients();
    EXPECT_EQ(fileBytes("ToName.dat").substr(0, 31), "Yamada, Taro,taro@example.jp,50");
    recipients = {};
    loadRecipients();
    EXPECT_EQ(recipients[0].name, "Yamada");
    EXPECT_EQ(recipients[0].address, "Taro");  // the leading blank is skipped
    EXPECT_EQ(recipients[0].charLimit, 0);     // "taro@example.jp" has no digits
    EXPECT_EQ(recipients[1].name, "50");
    EXPECT_EQ(recipients[1].address, "B");
}

TEST_F(RecipientsTest, ALimitWithoutDigitsReadsAsZero)
{
    writeFileBytes("ToName.dat", "A,a@example.jp,fifty\r\n");
    loadRecipients();
    EXPECT_EQ(recipients[0].charLimit, 0);
}

TEST_F(RecipientsTest, LongNamesAreKeptWhole)
{
    std::string name(5000, 'n');
    recipients[0] = {name, "a@example.jp", 1};
    saveRecipients();
    recipients = {};
    loadRecipients();
    EXPECT_EQ(recipients[0].name, name);
}

TEST_F(RecipientsTest, AnOverLongLineIsCutAndEveryLaterEntryReadsAsWritten)
{
    fillSampleRecipients();
    const auto sample = recipients;
    const std::string kanji = cp932("漢");
    std::string name = "a";  // then double-byte characters: the last byte that fits is a lead byte
    while (name.size() < 3 * 1024 * 1024)
        name += kanji;
    const std::string address(3 * 1024 * 1024, 'x');
    const std::string file = sampleRecipientsFile();
    writeFileBytes("ToName.dat", name + "," + address + "," + std::string(5000, '0') + "50" +
                                     file.substr(file.find("\r\n")));
    recipients = {};
    loadRecipients();
    EXPECT_TRUE(recipients[0].name == name.substr(0, kMaxFieldBytes - 1));
    EXPECT_EQ(recipients[0].address.size(), kMaxFieldBytes);
    EXPECT_EQ(recipients[0].address.find_first_not_of('x'), Text::npos);
    EXPECT_EQ(recipients[0].charLimit, 50);
    for (std::size_t i = 1; i < recipients.size(); ++i) {
        EXPECT_EQ(recipients[i].name, sample[i].name);
        EXPECT_EQ(recipients[i].address, sample[i].address);
        EXPECT_EQ(recipients[i].charLimit, sample[i].charLimit);
    }
}

TEST_F(RecipientsTest, HostileContentLoadsSafelyAndIsLeftUntouched)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 31 + 3) % 256);
    const std::string contents[] = {
        "", std::string("\0,\0,\0", 5), "\r", "\r\r\n\r", binary,
        std::string(10 * 1024 * 1024, 'x'), "A,b,1",
    };
    for (const std::string& content : contents) {
        recipients = {};
        writeFileBytes("ToName.dat", content);
        loadRecipients();
        EXPECT_EQ(fileBytes("ToName.dat"), content);
    }
    EXPECT_EQ(recipients[0].name, "A");
    EXPECT_EQ(recipients[0].charLimit, 1);
}

TEST_F(RecipientsTest, AFailedSaveKeepsTheOldFile)
{
    writeFileBytes("ToName.dat", sampleRecipientsFile());
    std::filesystem::create_directory("ToName.dat.new");
    recipients[0].name = "Changed";
    saveRecipients();
    EXPECT_EQ(fileBytes("ToName.dat"), sampleRecipientsFile());
}
