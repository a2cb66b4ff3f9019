// Saving velmor.ini and ToName.dat when the file layer fails at any step, and when the saving
// process is killed at any moment: the file on disk is always the old one or the new one, whole.
#include <gtest/gtest.h>

#include <string>

#include "common/file.h"
#include "settings/recipients.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/golden_files.h"
#include "tests/support/test_files.h"

#ifndef _WIN32
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

int stepsTaken = 0;
int failingStep = 0;

bool failTheChosenStep(FileStep)
{
    ++stepsTaken;
    return stepsTaken != failingStep;
}

class FailingFileLayer {
public:
    explicit FailingFileLayer(int step)
    {
        stepsTaken = 0;
        failingStep = step;
        setFileFaultHook(failTheChosenStep);
    }
    ~FailingFileLayer() { setFileFaultHook(nullptr); }
};

class SaveFaultsTest : public ScratchFolderTest {
protected:
    void TearDown() override
    {
        settings = Settings();
        ScratchFolderTest::TearDown();
    }

    // Runs save with its first, second, third ... file step failing, until a save goes
    // through without reaching the failing step. Before each, the file holds before (or is
    // missing when before is empty); after it, the file must hold before or, once nothing
    // failed, after.
    template <typename Save>
    void failEachStepOf(const char* name, const std::string& before, const std::string& after, Save save)
    {
        const std::string temporary = std::string(name) + ".new";
        for (int step = 1; step < 100; ++step) {
            SCOPED_TRACE(step);
            if (before.empty())
                removeFile(name);
            else
                writeFileBytes(name, before);
            {
                FailingFileLayer failing(step);
                save();
            }
            EXPECT_FALSE(fileExists(temporary.c_str())) << "the temporary file is left behind";
            if (stepsTaken < step) {
                EXPECT_EQ(fileBytes(name), after);
                return;
            }
            if (before.empty())
                EXPECT_FALSE(fileExists(name));
            else
                EXPECT_EQ(fileBytes(name), before);
        }
        ADD_FAILURE() << "no save went through";
    }
};

}  // namespace

TEST_F(SaveFaultsTest, ASettingsSaveFailingAtAnyStepKeepsTheOldFileWhole)
{
    fillSampleSettings();
    saveSettings();
    const std::string before = fileBytes(kSettingsFileName);
    settings.smtpServer = "new-smtp.example.jp";
    settings.charLimit = 120;
    saveSettings();
    const std::string after = fileBytes(kSettingsFileName);
    ASSERT_NE(before, after);
    failEachStepOf(kSettingsFileName, before, after, saveSettings);
    failEachStepOf(kSettingsFileName, "", after, saveSettings);
}

TEST_F(SaveFaultsTest, ARecipientListSaveFailingAtAnyStepKeepsTheOldFileWhole)
{
    fillSampleRecipients();
    saveRecipients();
    const std::string before = fileBytes(kRecipientFileName);
    recipients[4].name = cp932("新しい人");
    recipients[4].address = "new@example.jp";
    saveRecipients();
    const std::string after = fileBytes(kRecipientFileName);
    ASSERT_NE(before, after);
    failEachStepOf(kRecipientFileName, before, after, saveRecipients);
    failEachStepOf(kRecipientFileName, "", after, saveRecipients);
}

#ifndef _WIN32
// A real process saving both files over and over, killed at random moments: what it leaves is
// always one of the two versions it alternates between, and the program reads it back.
TEST_F(SaveFaultsTest, AProcessKilledWhileSavingLeavesAWholeFile)
{
    fillSampleSettings();
    fillSampleRecipients();
    saveSettings();
    saveRecipients();
    const std::string settingsA = fileBytes(kSettingsFileName);
    const std::string listA = fileBytes(kRecipientFileName);
    const auto serverA = settings.smtpServer;
    const auto nameA = recipients[0].name;
    settings.smtpServer = "other-smtp.example.jp";
    recipients[0].name = cp932("別の人");
    const auto serverB = settings.smtpServer;
    const auto nameB = recipients[0].name;
    saveSettings();
    saveRecipients();
    const std::string settingsB = fileBytes(kSettingsFileName);
    const std::string listB = fileBytes(kRecipientFileName);

    std::mt19937 random(20261208);
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i) {
                settings.smtpServer = i % 2 ? serverA : serverB;
                recipients[0].name = i % 2 ? nameA : nameB;
                saveSettings();
                saveRecipients();
            }
        }
        usleep(1000 + random() % 20000);
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const std::string settingsNow = fileBytes(kSettingsFileName);
        EXPECT_TRUE(settingsNow == settingsA || settingsNow == settingsB);
        const std::string listNow = fileBytes(kRecipientFileName);
        EXPECT_TRUE(listNow == listA || listNow == listB);
    }
    // The next save goes through whatever temporary file the killed one left.
    saveSettings();
    EXPECT_EQ(fileBytes(kSettingsFileName), settingsB);
}
#endif
