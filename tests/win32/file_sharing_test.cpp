// The Win32 file layer's sharing and creation modes, and what the settings and log files do
// when another program holds them open.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/file.h"
#include "log/send_log.h"
#include "settings/recipients.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/test_files.h"

namespace {

// Another program's handle on a file, opened with the given access and sharing.
class ForeignHandle {
public:
    ForeignHandle(const char* name, DWORD access, DWORD share, DWORD creation = OPEN_EXISTING)
        : handle_(CreateFileA(name, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL,
                              nullptr)),
          error_(GetLastError())
    {
    }
    ~ForeignHandle()
    {
        if (opened())
            CloseHandle(handle_);
    }
    bool opened() const { return handle_ != INVALID_HANDLE_VALUE; }
    DWORD error() const { return error_; }

private:
    HANDLE handle_;
    DWORD error_;
};

class FileSharingTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        settings = Settings();
        recipients = {};
    }
    void TearDown() override
    {
        settings = Settings();
        recipients = {};
        ScratchFolderTest::TearDown();
    }
};

}  // namespace

TEST_F(FileSharingTest, AnExclusiveReadLetsNobodyElseIn)
{
    writeFileBytes("a.dat", "x");
    File file("a.dat", FileMode::readExclusive);
    ASSERT_TRUE(file.isOpen());
    ForeignHandle reader("a.dat", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_FALSE(reader.opened());
    EXPECT_EQ(reader.error(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST_F(FileSharingTest, ASharedReadLetsOthersReadButNotWrite)
{
    writeFileBytes("a.dat", "x");
    File file("a.dat", FileMode::readShared);
    ASSERT_TRUE(file.isOpen());
    ForeignHandle reader("a.dat", GENERIC_READ, FILE_SHARE_READ);
    EXPECT_TRUE(reader.opened());
    ForeignHandle writer("a.dat", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_FALSE(writer.opened());
}

TEST_F(FileSharingTest, AppendingHoldsTheFileExclusively)
{
    File file("log.dat", FileMode::appendExclusive);
    ASSERT_TRUE(file.isOpen());
    ForeignHandle reader("log.dat", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_FALSE(reader.opened());
}

TEST_F(FileSharingTest, ReadingDoesNotCreateAMissingFile)
{
    File file("absent.dat", FileMode::readExclusive);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(GetFileAttributesA("absent.dat"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileSharingTest, SettingsHeldByAnotherProgramReadAsMissing)
{
    settings.smtpServer = "before";
    saveSettings();
    settings = Settings();
    ForeignHandle other("velmor.ini", GENERIC_READ, 0);
    ASSERT_TRUE(other.opened());
    loadSettings();
    EXPECT_EQ(settings.smtpServer, "");
}

TEST_F(FileSharingTest, SavingOverAFileHeldByAnotherProgramKeepsTheOldFile)
{
    settings.smtpServer = "before";
    saveSettings();
    const std::string old = fileBytes("velmor.ini");
    {
        ForeignHandle other("velmor.ini", GENERIC_READ, 0);
        ASSERT_TRUE(other.opened());
        settings.smtpServer = "after";
        saveSettings();
    }
    EXPECT_EQ(fileBytes("velmor.ini"), old);
    EXPECT_EQ(GetFileAttributesA("velmor.ini.new"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileSharingTest, SavingOverAReadOnlyFileKeepsIt)
{
    recipients[0].name = "before";
    saveRecipients();
    const std::string old = fileBytes("ToName.dat");
    ASSERT_TRUE(SetFileAttributesA("ToName.dat", FILE_ATTRIBUTE_READONLY));
    recipients[0].name = "after";
    saveRecipients();
    EXPECT_EQ(fileBytes("ToName.dat"), old);
    SetFileAttributesA("ToName.dat", FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileSharingTest, ASavedFileIsNotLeftOpen)
{
    saveSettings();
    saveRecipients();
    ForeignHandle settingsFile("velmor.ini", GENERIC_READ | GENERIC_WRITE, 0);
    ForeignHandle recipientFile("ToName.dat", GENERIC_READ | GENERIC_WRITE, 0);
    EXPECT_TRUE(settingsFile.opened());
    EXPECT_TRUE(recipientFile.opened());
}

TEST_F(FileSharingTest, ALockedSendLogLosesTheRecordAndStaysUnchanged)
{
    writeFileBytes("send-log.dat", "#\r\nold\r\n");
    {
        ForeignHandle other("send-log.dat", GENERIC_READ, 0);
        ASSERT_TRUE(other.opened());
        appendSentRecord();
        appendFailureRecord();
    }
    EXPECT_EQ(fileBytes("send-log.dat"), "#\r\nold\r\n");
    appendFailureRecord();
    EXPECT_TRUE(fileBytes("send-log.dat").starts_with("#\r\nold\r\n#\r\nDate:"));
}
