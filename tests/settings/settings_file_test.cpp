// velmor.ini: the exact bytes written, and what reading gives back for whole, short, hand-edited
// and hostile files.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "tests/support/golden_files.h"
#include "tests/support/test_files.h"

namespace {

// The Settings record's texts and numbers, each in the order of the file.
std::vector<std::string> texts()
{
    return {settings.smtpServer.str(), settings.fromName.str(),   settings.fromAddress.str(),
            settings.pop3Server.str(), settings.pop3UserId.str(), settings.pop3Password.str(),
            settings.toName.str(),     settings.toAddress.str()};
}

std::vector<double> numbers()
{
    return {settings.charLimit,           double(settings.opacity),
            double(settings.translucent),   double(settings.warnSound),
            double(settings.popBeforeSmtp), double(settings.apopBeforeSmtp),
            double(settings.smtpAuth),      settings.smtpPort};
}

const std::vector<std::string> kNoTexts(8);
const std::vector<double> kZeros(8);

void expectSample()
{
    EXPECT_EQ(texts(), (std::vector<std::string>{"smtp.example.jp", cp932("山田太郎"),
                                                 "taro@example.jp", "pop.example.jp", "taro",
                                                 "ab", cp932("花子"), "hanako@example.ne.jp"}));
    EXPECT_EQ(numbers(), (std::vector<double>{50, 80, 1, 0, 1, 0, 0, 25}));
}

class SettingsFileTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        settings = Settings();
    }
    void TearDown() override
    {
        settings = Settings();
        ScratchFolderTest::TearDown();
    }
};

}  // namespace

TEST_F(SettingsFileTest, SavedFileHasSixteenLabelledLinesInOrder)
{
    fillSampleSettings();
    saveSettings();
    EXPECT_EQ(fileBytes("velmor.ini"), settingsFile(kSampleSettingsValues));
}

TEST_F(SettingsFileTest, StartValuesSaveAsEmptyTextsAndZeros)
{
    saveSettings();
    const std::string values[16] = {"", "", "", "", "", "", "", "", "0", "0", "0", "0", "0", "0", "0", "0"};
    EXPECT_EQ(fileBytes("velmor.ini"), settingsFile(values));
}

TEST_F(SettingsFileTest, FractionsAndNegativeNumbersKeepTheirForm)
{
    settings.charLimit = 50.5;
    settings.smtpPort = 587.25;
    settings.opacity = -3;
    settings.translucent = 2;
    saveSettings();
    const std::string values[16] = {"", "", "", "", "", "", "", "", "50.5", "-3", "2", "0", "0", "0", "0", "587.25"};
    EXPECT_EQ(fileBytes("velmor.ini"), settingsFile(values));
}

TEST_F(SettingsFileTest, PasswordLineHoldsFourDigitsPerByte)
{
    settings.pop3Password = cp932("秘密") + "x";
    ASSERT_EQ(settings.pop3Password, "\x94\xe9\x96\xa7x");
    saveSettings();
    std::string values[16] = {"", "", "", "", "",
                              "2879" "2964" "2881" "2898" "2851",  // 148 233 150 167 120, plus 2731
                              "", "", "0", "0", "0", "0", "0", "0", "0", "0"};
    EXPECT_EQ(fileBytes("velmor.ini"), settingsFile(values));
}

TEST_F(SettingsFileTest, SaveThenLoadGivesBackEveryField)
{
    fillSampleSettings();
    saveSettings();
    settings = Settings();
    loadSettings();
    expectSample();
}

TEST_F(SettingsFileTest, LongestAndDoubleBytePasswordsSurviveTheRoundTrip)
{
    std::string longest;
    for (int i = 0; i < 255; ++i)
        longest += static_cast<char>(1 + (i * 37) % 255);  // every byte value but 0 occurs
    for (const std::string& password : {longest, cp932("パスワード秘密ｶﾅ"), std::string("a b,c\"d")}) {
        settings = Settings();
        settings.pop3Password = password;
        ASSERT_EQ(settings.pop3Password, password);
        saveSettings();
        settings = Settings();
        loadSettings();
        EXPECT_EQ(settings.pop3Password, password);
    }
}

TEST_F(SettingsFileTest, LongestTextsSurviveTheRoundTrip)
{
    std::string text255(255, 'a');
    std::string doubleByte;
    while (doubleByte.size() < 254)
        doubleByte += cp932("漢");
    settings.smtpServer = text255;
    settings.fromName = doubleByte;
    settings.toAddress = text255;
    saveSettings();
    settings = Settings();
    loadSettings();
    EXPECT_EQ(settings.smtpServer, text255);
    EXPECT_EQ(settings.fromName, doubleByte);
    EXPECT_EQ(settings.toAddress, text255);
}

TEST_F(SettingsFileTest, MissingFileLeavesStartValues)
{
    loadSettings();
    EXPECT_EQ(texts(), kNoTexts);
    EXPECT_EQ(numbers(), kZeros);
    EXPECT_FALSE(fileExists("velmor.ini"));
}

TEST_F(SettingsFileTest, LabelsAreNotLookedAt)
{
    std::string file;
    for (int i = 0; i < 16; ++i)
        file += "x," + kSampleSettingsValues[i] + "\r\n";
    writeFileBytes("velmor.ini", file);
    loadSettings();
    expectSample();
}

TEST_F(SettingsFileTest, SwappedLinesSwapTheirValues)
{
    std::string values[16] = {"a.example", "", "", "b.example", "", "", "", "", "70", "20", "0", "0", "0", "0", "0", "0"};
    std::string file = settingsFile(values);
    // Swap the two text lines 1 and 4, and the number lines 9 and 10.
    std::string lines[16];
    std::size_t start = 0;
    for (std::string& line : lines) {
        std::size_t end = file.find("\r\n", start) + 2;
        line = file.substr(start, end - start);
        start = end;
    }
    std::swap(lines[0], lines[3]);
    std::swap(lines[8], lines[9]);
    std::string swapped;
    for (const std::string& line : lines)
        swapped += line;
    writeFileBytes("velmor.ini", swapped);
    loadSettings();
    EXPECT_EQ(texts(), (std::vector<std::string>{"b.example", "", "", "a.example", "", "", "", ""}));
    EXPECT_EQ(numbers(), (std::vector<double>{20, 70, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SettingsFileTest, ACommaInATextShiftsEveryLaterField)
{
    fillSampleSettings();
    settings.fromName = "Yamada, Taro";
    saveSettings();
    settings = Settings();
    loadSettings();
    EXPECT_EQ(settings.smtpServer, "smtp.example.jp");
    EXPECT_EQ(settings.fromName, "Yamada");
    // " Taro" is read as the next line's label, that line's label as its value, and so on.
    EXPECT_EQ(settings.fromAddress, cp932("送信元アドレス"));
}

TEST_F(SettingsFileTest, BlanksBeforeAValueAreSkippedAndAfterItKept)
{
    std::string values[16] = {"  \tsmtp.example.jp  ", "", "", "", "", "", "", "", "  50", "\t80", " \t1", "0", "0", "0", "0", "25"};
    writeFileBytes("velmor.ini", settingsFile(values));
    loadSettings();
    EXPECT_EQ(settings.smtpServer, "smtp.example.jp  ");
    EXPECT_EQ(numbers(), (std::vector<double>{50, 80, 1, 0, 0, 0, 0, 25}));
}

TEST_F(SettingsFileTest, FlagsOtherThanZeroOrOneAreKeptAsRead)
{
    std::string values[16] = {"", "", "", "", "", "", "", "", "12.75", "150", "2", "-1", "7", "1.9", "&H10", "abc"};
    writeFileBytes("velmor.ini", settingsFile(values));
    loadSettings();
    // 1.9 truncated toward zero, "&H10" read as hexadecimal, "abc" without digits.
    EXPECT_EQ(numbers(), (std::vector<double>{12.75, 150, 2, -1, 7, 1, 16, 0}));
}

TEST_F(SettingsFileTest, AShortFileLeavesTheMissingFieldsAtTheirStartValues)
{
    std::string file = settingsFile(kSampleSettingsValues);
    // Keep lines 1 to 3 only: every later text field must stay empty rather than repeat a text.
    std::size_t third = 0;
    for (int i = 0; i < 3; ++i)
        third = file.find("\r\n", third) + 2;
    writeFileBytes("velmor.ini", file.substr(0, third));
    loadSettings();
    EXPECT_EQ(texts(), (std::vector<std::string>{"smtp.example.jp", cp932("山田太郎"),
                                                 "taro@example.jp", "", "", "", "", ""}));
    EXPECT_EQ(numbers(), kZeros);
}

TEST_F(SettingsFileTest, AFileEndingAfterALabelGivesThatFieldNoValue)
{
    writeFileBytes("velmor.ini", cp932("SMTPサーバー名") + "," + "smtp.example.jp\r\n" +
                                     cp932("送信元名称") + ",");
    loadSettings();
    EXPECT_EQ(settings.smtpServer, "smtp.example.jp");
    EXPECT_EQ(settings.fromName, "");
}

TEST_F(SettingsFileTest, TooLongTextsKeepTheirFirst255BytesWithoutSplittingACharacter)
{
    std::string values[16] = {std::string(300, 'h'), "", "", "", "", "", "", "", "0", "0", "0", "0", "0", "0", "0", "0"};
    std::string name = "a";
    while (name.size() < 400)
        name += cp932("名");
    values[1] = name;  // 'a' then double-byte characters: byte 255 is a lead byte
    std::string password;
    for (int i = 0; i < 300; ++i)
        password += "2828";  // 300 times 'a'
    values[5] = password;
    writeFileBytes("velmor.ini", settingsFile(values));
    loadSettings();
    EXPECT_EQ(settings.smtpServer, std::string(255, 'h'));
    EXPECT_EQ(settings.fromName, name.substr(0, 255));
    EXPECT_EQ(settings.pop3Password, std::string(255, 'a'));

    std::string cut = "ab";
    while (cut.size() < 400)
        cut += cp932("名");
    values[1] = cut;  // "ab" then double-byte characters: byte 255 would split one
    writeFileBytes("velmor.ini", settingsFile(values));
    loadSettings();
    EXPECT_EQ(settings.fromName, cut.substr(0, 254));
}

TEST_F(SettingsFileTest, OverLongLinesAreCutAsBeforeAndEveryOtherLineReadsAsWritten)
{
    const std::string kanji = cp932("漢");
    std::string name;
    while (name.size() < 3 * 1024 * 1024)
        name += kanji;
    std::string a254;  // 254 times 'a', scrambled
    for (int i = 0; i < 254; ++i)
        a254 += "2828";
    struct PasswordLine {
        std::string digits;
        std::string password;
    };
    const PasswordLine kPasswords[] = {
        // Then "あ" (0x82 0xa0): 256 bytes, cut before the character that would be split.
        {a254 + "2861" "2891", std::string(254, 'a')},
        {a254 + "2861" "2891" + std::string(3 * 1024 * 1024, '1'), std::string(254, 'a')},
        {a254 + "2828" + std::string(3 * 1024 * 1024, '2'), std::string(255, 'a')},
    };
    for (const PasswordLine& line : kPasswords) {
        std::string values[16];
        std::copy(std::begin(kSampleSettingsValues), std::end(kSampleSettingsValues), values);
        values[1] = name;
        values[5] = line.digits;
        writeFileBytes("velmor.ini", settingsFile(values));
        settings = Settings();
        loadSettings();
        EXPECT_EQ(settings.fromName, name.substr(0, 254));
        EXPECT_EQ(settings.pop3Password, line.password);
        settings.fromName = cp932("山田太郎");
        settings.pop3Password = "ab";
        expectSample();
    }
}

TEST_F(SettingsFileTest, HostileContentLoadsSafelyAndIsLeftUntouched)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 131 + 7) % 256);
    const std::string contents[] = {
        "",
        std::string("\0\0\0\0", 4),
        "\r",
        "\r\r\r\r",
        "\n\n\n",
        ",,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,",
        "\"\"\"\"\"\",\"\r\n\"",
        binary,
        std::string(10 * 1024 * 1024, '9'),
        std::string(10 * 1024 * 1024, 'x') + "\r\n" + std::string(10, ','),
        "label,value",  // no final line break
        std::string(5, '\x81'),  // lead bytes with no trail
    };
    for (const std::string& content : contents) {
        settings = Settings();
        writeFileBytes("velmor.ini", content);
        loadSettings();
        EXPECT_EQ(fileBytes("velmor.ini"), content);
        for (const FieldText* text : {&settings.smtpServer, &settings.fromName,
                                      &settings.pop3Password, &settings.toAddress})
            EXPECT_LE(text->size(), FieldText::kMaxBytes);
    }
}

TEST_F(SettingsFileTest, AllNinesLineReadsAsTheLargestNumbers)
{
    std::string values[16] = {"", "", "", "", "", "", "", "", std::string(400, '9'), "99999999999", "-99999", "0", "0", "0", "0", "1e999"};
    writeFileBytes("velmor.ini", settingsFile(values));
    loadSettings();
    EXPECT_EQ(numbers(), (std::vector<double>{DBL_MAX, INT32_MAX, INT16_MIN, 0, 0, 0, 0, DBL_MAX}));
}

TEST_F(SettingsFileTest, SavingOverAnOldFileReplacesItWhole)
{
    writeFileBytes("velmor.ini", std::string(100000, 'z'));
    fillSampleSettings();
    saveSettings();
    EXPECT_EQ(fileBytes("velmor.ini"), settingsFile(kSampleSettingsValues));
    EXPECT_FALSE(fileExists("velmor.ini.new"));
}

TEST_F(SettingsFileTest, AFailedSaveKeepsTheOldFile)
{
    writeFileBytes("velmor.ini", settingsFile(kSampleSettingsValues));
    std::filesystem::create_directory("velmor.ini.new");  // the new file cannot be written
    settings.smtpServer = "other.example";
    saveSettings();
    EXPECT_EQ(fileBytes("velmor.ini"), settingsFile(kSampleSettingsValues));
}
