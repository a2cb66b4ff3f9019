// velmor.exe itself, started as its own process in a prepared folder: it opens its window,
// and every way out ends it with exit code 0 without writing a file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/test_files.h"
#include "tests/win32/velmor_process.h"

namespace {

class VelmorProcessTest : public ScratchFolderTest {
protected:
    void TearDown() override
    {
        settings = Settings();
        ScratchFolderTest::TearDown();
    }

    VelmorProcess program_;
};

}  // namespace

TEST_F(VelmorProcessTest, StartsWithoutSettingsAndTheExitButtonEndsIt)
{
    HWND window = program_.start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(VelmorProcess::textOf(window), "To ");
    EXPECT_EQ(VelmorProcess::textOf(GetDlgItem(window, 1006)), ">Velmor132");
    PostMessageA(GetDlgItem(window, 1003), BM_CLICK, 0, 0);
    EXPECT_EQ(program_.exitCode(), 0u);
    EXPECT_FALSE(fileExists("velmor.ini"));
    EXPECT_FALSE(fileExists("ToName.dat"));
    EXPECT_FALSE(fileExists("send-log.dat"));
}

TEST_F(VelmorProcessTest, TheCloseBoxEndsIt)
{
    HWND window = program_.start();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program_.exitCode(), 0u);
}

TEST_F(VelmorProcessTest, ReadsItsSettingsFromItsFolderAndLeavesThemUnchanged)
{
    settings.toName = cp932("花子");
    settings.charLimit = 50;
    saveSettings();
    const std::string before = fileBytes("velmor.ini");
    HWND window = program_.start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(VelmorProcess::textOf(window), "To " + cp932("花子"));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program_.exitCode(), 0u);
    EXPECT_EQ(fileBytes("velmor.ini"), before);
}
