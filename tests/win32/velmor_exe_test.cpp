// velmor.exe itself, started as its own process in a prepared folder: it opens its window,
// and every way out ends it with exit code 0 without writing a file.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "settings/recipients.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/golden_files.h"
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

// The tooltips are left out of the first paint: the message loop attaches them right after it.
TEST_F(VelmorProcessTest, TheFiveTooltipsFollowTheFirstPaint)
{
    ASSERT_NE(program_.start(), nullptr);
    int tooltips = 0;
    for (int waited = 0; waited < 10000 && (tooltips = program_.windowCount("tooltips_class32")) < 5;
         waited += 100)
        Sleep(100);
    EXPECT_EQ(tooltips, 5);
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

namespace {

// Wine keeps settings per program file name under AppDefaults: a copy of the program under its
// own name can so be made to run as on Windows NT 4, or to prefer a DLL found beside it to
// Wine's own, as Windows does for a DLL that is not one of its known DLLs.
class WineAppDefault {
public:
    WineAppDefault(const char* exeName, const char* subkey, const char* value, const char* data)
        : key_(std::string(kAppDefaults) + exeName), subkey_(key_ + subkey)
    {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                           static_cast<DWORD>(std::strlen(data) + 1));
            RegCloseKey(key);
        }
    }
    ~WineAppDefault()
    {
        if (subkey_ != key_)
            RegDeleteKeyA(HKEY_CURRENT_USER, subkey_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
    }

private:
    static constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\";
    std::string key_;
    std::string subkey_;
};

std::string folderOf(const std::string& path) { return path.substr(0, path.find_last_of("\\/") + 1); }

// A top-level window of another process with the class name and title, waited for, bounded.
HWND waitForForeignWindow(const char* className, const char* title)
{
    for (int waited = 0; waited < 15000; waited += 100) {
        HWND found = FindWindowA(className, title);
        if (found && IsWindowVisible(found))
            return found;
        Sleep(100);
    }
    return nullptr;
}

}  // namespace

TEST_F(VelmorProcessTest, OnWindowsNt4TheTranslucencyControlsAreDisabledAndKeptAsTheyWere)
{
    fillSampleSettings();
    saveSettings();
    fillSampleRecipients();
    saveRecipients();
    const std::string listBefore = fileBytes("ToName.dat");
    const std::string exe = VELMOR_EXE;
    ASSERT_TRUE(CopyFileA(exe.c_str(), "velmor_nt4.exe", FALSE));
    ASSERT_TRUE(CopyFileA((folderOf(exe) + "VMAIL.DLL").c_str(), "VMAIL.DLL", FALSE));
    WineAppDefault nt4("velmor_nt4.exe", "", "Version", "nt40");

    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    HWND window = program_.start(std::string(folder) + "\\velmor_nt4.exe");
    ASSERT_NE(window, nullptr);
    program_.click(1000);
    HWND dialog = waitForForeignWindow("NORMALDLG", "Options");
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1031)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1032)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1034)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 1033)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 1004)));
    // The disabled controls still show the stored values.
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, 1031), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(VelmorProcess::textOf(GetDlgItem(dialog, 1032)), "80");

    SendMessageA(GetDlgItem(dialog, 1004), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("nt4.example.jp"));
    PostMessageA(GetDlgItem(dialog, 1000), BM_CLICK, 0, 0);
    for (int waited = 0; waited < 15000 && IsWindow(dialog); waited += 100)
        Sleep(100);
    EXPECT_FALSE(IsWindow(dialog));
    std::string values[16];
    std::copy(std::begin(kSampleSettingsValues), std::end(kSampleSettingsValues), values);
    values[0] = "nt4.example.jp";
    EXPECT_EQ(fileBytes("velmor.ini"), settingsFile(values));
    EXPECT_EQ(fileBytes("ToName.dat"), listBefore);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program_.exitCode(), 0u);
}

// The Main window can be closed from outside while a dialog holds it disabled (the taskbar's
// "close window", a system shutdown): the program must still end, not live on without a window.
TEST_F(VelmorProcessTest, ClosingTheMainWindowUnderAnOpenDialogEndsTheProgram)
{
    writeFileBytes("send-log.dat", "#\r\nTo:a@example.jp\r\n");  // so that the viewer opens
    for (int button : {1000, 1001}) {
        SCOPED_TRACE(button);
        VelmorProcess program;
        HWND window = program.start();
        ASSERT_NE(window, nullptr);
        program.click(button);
        HWND dialog = waitForForeignWindow("NORMALDLG", nullptr);
        ASSERT_NE(dialog, nullptr);
        // The dialog shows just before it disables its owner.
        for (int waited = 0; waited < 5000 && IsWindowEnabled(window); waited += 50)
            Sleep(50);
        EXPECT_FALSE(IsWindowEnabled(window));
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.exitCode(), 0u);
        EXPECT_FALSE(IsWindow(dialog));
    }
}

// Start-up loads only what the Main window needs: the warning sound's library, the shell and
// the mail library (with Winsock, Schannel and CryptoAPI) load at their first use.
TEST_F(VelmorProcessTest, EachLibraryLoadsAtItsFirstUse)
{
    settings.charLimit = 1;
    settings.warnSound = 1;
    saveSettings();
    ASSERT_TRUE(CopyFileA(VELMOR_CHM, "velmor.chm", FALSE));
    HWND window = program_.start();
    ASSERT_NE(window, nullptr);
    for (const char* dll : {"VMAIL.DLL", "ws2_32.dll", "secur32.dll", "crypt32.dll", "winmm.dll",
                            "shell32.dll"})
        EXPECT_FALSE(program_.hasLoaded(dll)) << dll;

    program_.type("a");  // the count meets the limit: the warning sound
    EXPECT_TRUE(program_.hasLoaded("winmm.dll"));

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(1007, STN_CLICKED), 0);
    HWND help = waitForForeignWindow("HH Parent", nullptr);  // the help viewer's window
    EXPECT_NE(help, nullptr);
    PostMessageA(help, WM_CLOSE, 0, 0);
    for (int waited = 0; waited < 5000 && IsWindow(help); waited += 100)
        Sleep(100);

    program_.click(1002);  // no server set: the POP3 connection fails at once
    EXPECT_TRUE(program_.waitForStatus(cp932(">POP3 接続エラー"), 30000));
    EXPECT_TRUE(program_.hasLoaded("VMAIL.DLL"));
}

// A missing or unloadable VMAIL.DLL does not keep the program from starting: Send then fails
// as when the socket layer does not start, with its status text and a failure record.
TEST_F(VelmorProcessTest, WithoutVmailDllItStartsAndSendFailsAsWithoutWinSock)
{
    const std::string exe = VELMOR_EXE;
    ASSERT_TRUE(CopyFileA(exe.c_str(), "velmor.exe", FALSE));
    ASSERT_TRUE(CopyFileA((folderOf(exe) + "VMAIL.DLL").c_str(), "VMAIL.DLL.old", FALSE));
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    ASSERT_NE(program_.start(std::string(folder) + "\\velmor.exe"), nullptr);
    program_.click(1002);
    EXPECT_TRUE(program_.waitForStatus(cp932(">WinSock Open 失敗"), 15000));
    const std::string failure = cp932("エラーにより送信できませんでした") + "\r\n";
    for (int i = 0; i < 50 && !fileBytes("send-log.dat").ends_with(failure); ++i)
        Sleep(100);
    EXPECT_TRUE(fileBytes("send-log.dat").ends_with(failure));
    EXPECT_EQ(program_.exitCode(0), static_cast<DWORD>(STILL_ACTIVE));
}

// A winmm.dll planted beside the program (an unpacked zip in a downloads folder, which is also
// the current folder here) is never loaded: the warning sound comes from the system's own, even
// where the DLL beside the program would be preferred.
TEST_F(VelmorProcessTest, ASystemDllPlantedBesideTheProgramIsNeverLoaded)
{
    settings.charLimit = 1;
    settings.warnSound = 1;
    saveSettings();
    const std::string exe = VELMOR_EXE;
    ASSERT_TRUE(CopyFileA(exe.c_str(), "velmor_planted.exe", FALSE));
    ASSERT_TRUE(CopyFileA((folderOf(exe) + "VMAIL.DLL").c_str(), "VMAIL.DLL", FALSE));
    ASSERT_TRUE(CopyFileA(PLANTED_WINMM, "winmm.dll", FALSE));
    WineAppDefault nativeFirst("velmor_planted.exe", "\\DllOverrides", "winmm", "native,builtin");

    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    ASSERT_NE(program_.start(std::string(folder) + "\\velmor_planted.exe"), nullptr);
    program_.type("a");  // the count meets the limit: the warning sound
    EXPECT_TRUE(program_.hasLoaded("winmm.dll"));
    EXPECT_FALSE(fileExists("planted-dll-loaded"));
}
