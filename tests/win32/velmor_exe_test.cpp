// velmor.exe itself, started as its own process in a prepared folder: it opens its window,
// and every way out ends it with exit code 0 without writing a file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/test_files.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 15000;

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findMainWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner == search->processId && lstrcmpA(name, "NORMAL0") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::string textOf(HWND window)
{
    char text[512] = {};
    // WM_GETTEXT crosses the process boundary; GetWindowText would not for another process.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

class VelmorProcessTest : public ScratchFolderTest {
protected:
    void TearDown() override
    {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process_.hProcess, 99);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        settings = Settings();
        ScratchFolderTest::TearDown();
    }

    // Starts velmor.exe in the current folder and waits, bounded, for its Main window.
    HWND start()
    {
        std::string commandLine = "\"" + std::string(VELMOR_EXE) + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process_))
            return nullptr;
        WaitForInputIdle(process_.hProcess, kStartTimeoutMs);
        WindowSearch search = {process_.dwProcessId, nullptr};
        for (DWORD waited = 0; !search.found && waited < kStartTimeoutMs; waited += 100) {
            EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
            if (!search.found)
                Sleep(100);
        }
        return search.found;
    }

    // Waits, bounded, for the process to end; its exit code, or 259 when it is still running.
    DWORD exitCode()
    {
        WaitForSingleObject(process_.hProcess, kExitTimeoutMs);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

    PROCESS_INFORMATION process_ = {};
};

}  // namespace

TEST_F(VelmorProcessTest, StartsWithoutSettingsAndTheExitButtonEndsIt)
{
    HWND window = start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(textOf(window), "To ");
    EXPECT_EQ(textOf(GetDlgItem(window, 1006)), ">Velmor132");
    PostMessageA(GetDlgItem(window, 1003), BM_CLICK, 0, 0);
    EXPECT_EQ(exitCode(), 0u);
    EXPECT_FALSE(fileExists("velmor.ini"));
    EXPECT_FALSE(fileExists("ToName.dat"));
    EXPECT_FALSE(fileExists("send-log.dat"));
}

TEST_F(VelmorProcessTest, TheCloseBoxEndsIt)
{
    HWND window = start();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(exitCode(), 0u);
}

TEST_F(VelmorProcessTest, ReadsItsSettingsFromItsFolderAndLeavesThemUnchanged)
{
    settings.toName = cp932("花子");
    settings.charLimit = 50;
    saveSettings();
    const std::string before = fileBytes("velmor.ini");
    HWND window = start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(textOf(window), "To " + cp932("花子"));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(), 0u);
    EXPECT_EQ(fileBytes("velmor.ini"), before);
}
