// send-log.dat: the sent and failure records, byte for byte, appended after what is there.
#include "log/send_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "message/message_texts.h"
#include "settings/settings.h"
#include "tests/support/test_files.h"

namespace {

class SendLogTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        settings = Settings();
        settings.fromName = cp932("山田");
        settings.fromAddress = "taro@example.jp";
        settings.toName = cp932("花子");
        settings.toAddress = "hanako@example.ne.jp";
        messageText = cp932("件名\r\n本文の一行目\r\n二行目");
    }
    void TearDown() override
    {
        settings = Settings();
        messageText.clear();
        ScratchFolderTest::TearDown();
    }

    // Runs append and returns what it added, with the timestamps taken just before and after.
    template <typename Append>
    std::string appended(Append append, std::string& before, std::string& after)
    {
        std::string old = fileBytes(kSendLogFileName);
        if (old == "<missing>")
            old.clear();
        before = logTimestamp();
        append();
        after = logTimestamp();
        std::string now = fileBytes(kSendLogFileName);
        EXPECT_EQ(now.substr(0, old.size()), old);
        return now.substr(old.size());
    }
};

// "Date:" and the timestamp that the record holds, which must lie between before and after.
std::string dateLine(const std::string& record, const std::string& before, const std::string& after)
{
    std::size_t start = record.find("Date:");
    EXPECT_NE(start, std::string::npos);
    std::size_t end = record.find("\r\n", start);
    std::string stamp = record.substr(start + 5, end - start - 5);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);
    return "Date:" + stamp;
}

}  // namespace

TEST(LogTimestamp, IsDateSlashUnderscoreAndTimeWithFullWidthColons)
{
    const std::string stamp = logTimestamp();
    // 2026/12/06/_09：05：03: 4+1+2+1+2+1+1 date bytes, 2+2+2+2+2 time bytes.
    ASSERT_EQ(stamp.size(), 22u) << stamp;
    const std::string colon = cp932("：");
    for (std::size_t digit : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u, 12u, 13u, 16u, 17u, 20u, 21u})
        EXPECT_TRUE(stamp[digit] >= '0' && stamp[digit] <= '9') << stamp;
    EXPECT_EQ(stamp.substr(4, 1), "/");
    EXPECT_EQ(stamp.substr(7, 1), "/");
    EXPECT_EQ(stamp.substr(10, 2), "/_");
    EXPECT_EQ(stamp.substr(14, 2), colon);
    EXPECT_EQ(stamp.substr(18, 2), colon);
}

TEST_F(SendLogTest, SentRecordCreatesTheFileAndIsItsWholeContent)
{
    std::string before, after;
    std::string record = appended(appendSentRecord, before, after);
    EXPECT_EQ(record, "#\r\n"
                      "From:" + cp932("山田") + "<taro@example.jp>\r\n"
                      "To:hanako@example.ne.jp\r\n" +
                      dateLine(record, before, after) + "\r\n"
                      "Subject:\r\n" +
                      cp932("件名\r\n本文の一行目\r\n二行目") + "\r\n");
}

TEST_F(SendLogTest, AThreeLineMessageGivesAnEightLineRecord)
{
    std::string before, after;
    std::string record = appended(appendSentRecord, before, after);
    std::size_t lines = 0;
    for (std::size_t at = record.find("\r\n"); at != std::string::npos; at = record.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 8u);
}

TEST_F(SendLogTest, AnEmptyMessageGivesAnEmptySixthLine)
{
    messageText.clear();
    std::string before, after;
    std::string record = appended(appendSentRecord, before, after);
    EXPECT_TRUE(record.ends_with("\r\nSubject:\r\n\r\n")) << record;
}

TEST_F(SendLogTest, AnEmptySenderNameLeavesTheAddressInBrackets)
{
    settings.fromName = "";
    std::string before, after;
    std::string record = appended(appendSentRecord, before, after);
    EXPECT_TRUE(record.starts_with("#\r\nFrom:<taro@example.jp>\r\n")) << record;
}

TEST_F(SendLogTest, FailureRecordHasOnlyTheDateAndTheFailureLine)
{
    std::string before, after;
    std::string record = appended(appendFailureRecord, before, after);
    EXPECT_EQ(record, "#\r\n" + dateLine(record, before, after) + "\r\n" +
                          cp932("エラーにより送信できませんでした") + "\r\n");
}

TEST_F(SendLogTest, RecordsFollowAnExistingFileRightAfterItsLastByte)
{
    writeFileBytes(kSendLogFileName, "earlier bytes without a line end");
    std::string before, after;
    std::string record = appended(appendFailureRecord, before, after);
    EXPECT_EQ(record.substr(0, 3), "#\r\n");
    record = appended(appendSentRecord, before, after);
    EXPECT_EQ(record.substr(0, 3), "#\r\n");
}

TEST_F(SendLogTest, LongSenderAndRecipientLinesAreWrittenWhole)
{
    const std::string longName(255, 'n');
    const std::string longAddress(255, 'a');
    settings.fromName = longName;
    settings.fromAddress = longAddress;
    settings.toAddress = longAddress;
    std::string before, after;
    std::string record = appended(appendSentRecord, before, after);
    EXPECT_NE(record.find("\r\nFrom:" + longName + "<" + longAddress + ">\r\n"), std::string::npos);
    EXPECT_NE(record.find("\r\nTo:" + longAddress + "\r\n"), std::string::npos);
}

TEST_F(SendLogTest, AMessageLineHoldingOnlyAHashIsWrittenUnchanged)
{
    messageText = "#\r\n#";
    std::string before, after;
    std::string record = appended(appendSentRecord, before, after);
    EXPECT_TRUE(record.ends_with("\r\nSubject:\r\n#\r\n#\r\n")) << record;
}

TEST_F(SendLogTest, ALogThatCannotBeOpenedLosesTheRecordQuietly)
{
    std::filesystem::create_directory(kSendLogFileName);
    appendSentRecord();
    appendFailureRecord();
    EXPECT_TRUE(std::filesystem::is_directory(kSendLogFileName));
}
