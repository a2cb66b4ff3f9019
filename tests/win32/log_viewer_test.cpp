// The dialog host and the Log viewer under Wine: the viewer is opened by runDialog on the test
// thread, while a second thread looks at it, answers its message box and closes it, as a user.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "app/dialogs.h"
#include "kit/program.h"
#include "log/log_viewer.h"
#include "log/viewer_text.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/win32/expect_layout.h"
#include "tests/win32/shell_fixture.h"
#include "tests/win32/window_layouts.h"

namespace {

struct MessageBoxSeen {
    bool shown = false;
    std::string text;
    bool ownerEnabled = true;  // whether the Main window took clicks under the box
};

class LogViewerTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        settings.toName = cp932("花子");
        saveSettings();
        openMainWindow();
    }

    // Runs the viewer: look gets the open viewer on a second thread and must close it.
    // With expectBox, the message box the viewer shows first is answered with OK.
    int runViewer(const std::function<void(HWND)>& look, bool expectBox = false)
    {
        std::thread user([&] {
            if (expectBox) {
                HWND box = waitForWindow("#32770", "send-log.dat");
                box_.shown = box != nullptr;
                box_.ownerEnabled = IsWindowEnabled(window_) != FALSE;
                if (box) {
                    box_.text = textOf(GetDlgItem(box, 0xffff));
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                }
            }
            HWND viewer = waitForWindow("NORMALDLG", nullptr);
            // The owner is disabled right after the viewer is shown.
            for (int i = 0; i < 100 && IsWindowEnabled(window_); ++i)
                Sleep(10);
            ownerEnabledWhileOpen_ = IsWindowEnabled(window_) != FALSE;
            if (viewer)
                look(viewer);
        });
        int code = runDialog(window_, "View");
        user.join();
        return code;
    }

    MessageBoxSeen box_;
    bool ownerEnabledWhileOpen_ = true;
};

HWND logBox(HWND viewer) { return GetDlgItem(viewer, 1004); }

std::string logText(HWND viewer)
{
    HWND box = logBox(viewer);
    LRESULT length = SendMessageA(box, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void clickClose(HWND viewer) { PostMessageA(GetDlgItem(viewer, 1000), BM_CLICK, 0, 0); }

std::string records(int count)
{
    std::string log;
    for (int i = 0; i < count; ++i)
        log += "#\r\nDate:2026/12/06/_09" + cp932("：05：") + "03\r\n" +
               cp932("エラーにより送信できませんでした") + "\r\n";
    return log;
}

}  // namespace

TEST_F(LogViewerTest, AnUnknownDialogNameOpensNothing)
{
    EXPECT_EQ(runDialog(window_, "opt"), 0);
    EXPECT_EQ(runDialog(window_, "view"), 0);
    EXPECT_EQ(runDialog(window_, ""), 0);
    EXPECT_EQ(FindWindowA("NORMALDLG", nullptr), nullptr);
    EXPECT_TRUE(IsWindowEnabled(window_));
}

TEST_F(LogViewerTest, ShowsTheWholeLogScrolledToItsEndWithTheCaretThere)
{
    const std::string log = records(300);
    writeFileBytes("send-log.dat", log);
    std::string shown;
    LRESULT selection = 0;
    LRESULT firstVisible = 0;
    bool focusInBox = false;
    std::string title;
    int code = runViewer([&](HWND viewer) {
        shown = logText(viewer);
        selection = SendMessageA(logBox(viewer), EM_GETSEL, 0, 0);
        firstVisible = SendMessageA(logBox(viewer), EM_GETFIRSTVISIBLELINE, 0, 0);
        // Sharing the window thread's input state lets this thread see its focus.
        DWORD windowThread = GetWindowThreadProcessId(viewer, nullptr);
        AttachThreadInput(GetCurrentThreadId(), windowThread, TRUE);
        focusInBox = GetFocus() == logBox(viewer);
        AttachThreadInput(GetCurrentThreadId(), windowThread, FALSE);
        title = textOf(viewer);
        clickClose(viewer);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(shown, log);
    // The caret stands after the last character (the box counts characters, not bytes).
    int characters = MultiByteToWideChar(932, 0, log.data(), static_cast<int>(log.size()), nullptr, 0);
    EXPECT_EQ(LOWORD(selection), static_cast<WORD>(characters & 0xffff));
    EXPECT_EQ(LOWORD(selection), HIWORD(selection));
    // 900 lines: the box shows about twenty, so it stands near the end.
    EXPECT_GT(firstVisible, 850);
    EXPECT_EQ(title, "To " + cp932("花子"));
    EXPECT_TRUE(focusInBox);
    EXPECT_FALSE(ownerEnabledWhileOpen_);
    EXPECT_TRUE(IsWindowEnabled(window_));
    EXPECT_FALSE(IsWindow(logViewerWindow));
}

TEST_F(LogViewerTest, ControlsHaveTheirLayoutAndFont)
{
    writeFileBytes("send-log.dat", "");
    RECT outer = {};
    LRESULT smallIcon = 0;
    LONG_PTR style = 0;
    HWND owner = nullptr;
    runViewer([&](HWND viewer) {
        smallIcon = SendMessageA(viewer, WM_GETICON, ICON_SMALL, 0);
        style = GetWindowLongPtrA(viewer, GWL_STYLE);
        owner = GetWindow(viewer, GW_OWNER);
        expectLayout(viewer, kViewerLayout, viewerFont);
        GetWindowRect(viewer, &outer);
        clickClose(viewer);
    });
    EXPECT_EQ(outer.right - outer.left, 281);
    EXPECT_EQ(outer.bottom - outer.top, 353);
    EXPECT_NE(smallIcon, 0);
    EXPECT_EQ(style & ~WS_CLIPSIBLINGS, WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    EXPECT_EQ(owner, window_);
}

TEST_F(LogViewerTest, AMissingLogIsReportedThenTheViewerOpensEmpty)
{
    std::string shown = "<not read>";
    runViewer([&](HWND viewer) {
        shown = logText(viewer);
        PostMessageA(viewer, WM_CLOSE, 0, 0);
    }, true);
    EXPECT_TRUE(box_.shown);
    EXPECT_EQ(box_.text, cp932("ファイルオープンに失敗"));
    EXPECT_FALSE(box_.ownerEnabled);
    EXPECT_EQ(shown, "");
    EXPECT_FALSE(fileExists("send-log.dat"));
}

TEST_F(LogViewerTest, ALogHeldOpenByAnotherProgramIsReportedLikeAMissingOne)
{
    writeFileBytes("send-log.dat", records(1));
    HANDLE other = CreateFileA("send-log.dat", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    runViewer([&](HWND viewer) { clickClose(viewer); }, true);
    CloseHandle(other);
    EXPECT_TRUE(box_.shown);
}

TEST_F(LogViewerTest, AnEmptyLogGivesAnEmptyBoxAndNoMessage)
{
    writeFileBytes("send-log.dat", "");
    std::string shown = "<not read>";
    runViewer([&](HWND viewer) {
        shown = logText(viewer);
        clickClose(viewer);
    });
    EXPECT_EQ(shown, "");
    EXPECT_FALSE(box_.shown);
}

TEST_F(LogViewerTest, OnlyTheCloseButtonAndTheCloseBoxCloseIt)
{
    writeFileBytes("send-log.dat", records(2));
    bool openAfterOthers = false;
    runViewer([&](HWND viewer) {
        for (WPARAM command : {WPARAM(IDCANCEL), WPARAM(IDOK), WPARAM(1004), MAKEWPARAM(1000, 1)})
            SendMessageA(viewer, WM_COMMAND, command, 0);
        openAfterOthers = IsWindow(viewer) != FALSE;
        PostMessageA(viewer, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_TRUE(openAfterOthers);
    EXPECT_FALSE(IsWindow(logViewerWindow));
}

TEST_F(LogViewerTest, ClosingNeverEndsTheProgramAndTypingChangesNothing)
{
    const std::string log = records(3);
    writeFileBytes("send-log.dat", log);
    runViewer([&](HWND viewer) {
        SendMessageA(logBox(viewer), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed text"));
        clickClose(viewer);
    });
    EXPECT_EQ(fileBytes("send-log.dat"), log);
    EXPECT_TRUE(IsWindow(window_));
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(LogViewerTest, EveryOpeningReadsTheLogAfresh)
{
    writeFileBytes("send-log.dat", records(1));
    runViewer([&](HWND viewer) { clickClose(viewer); });
    writeFileBytes("send-log.dat", records(2));
    std::string shown;
    runViewer([&](HWND viewer) {
        shown = logText(viewer);
        clickClose(viewer);
    });
    EXPECT_EQ(shown, records(2));
}

TEST_F(LogViewerTest, ALogBeyondTheViewersLimitShowsItsNewestRecords)
{
    std::string log = records(200000);  // about 12 MB
    log += "#\r\nFrom:<last@example.jp>\r\nTo:x@example.jp\r\nDate:now\r\nSubject:\r\nthe last one\r\n";
    writeFileBytes("send-log.dat", log);
    std::string shown;
    runViewer([&](HWND viewer) {
        shown = logText(viewer);
        clickClose(viewer);
    });
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(shown.ends_with("the last one\r\n"));
    EXPECT_LE(shown.size(), static_cast<std::size_t>(kMaxViewerBytes) + 200);
    // The first line says what is not shown; the next one starts a record.
    std::size_t firstBreak = shown.find("\r\n");
    EXPECT_EQ(shown.substr(firstBreak + 2, 3), "#\r\n");
    EXPECT_NE(shown.find(cp932("バイトは表示していません")), std::string::npos);
}

// A click through the input queue, as the mouse gives it, at the middle of control.
void clickWithTheMouse(HWND control)
{
    RECT bounds;
    GetWindowRect(control, &bounds);
    SetCursorPos((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
}

TEST_F(LogViewerTest, AMouseClickOnExitClosesTheMainWindowWhenNoViewerIsOpen)
{
    clickWithTheMouse(control(1003));
    for (int i = 0; i < 100 && IsWindow(window_); ++i) {
        pumpMessages();
        Sleep(10);
    }
    EXPECT_FALSE(IsWindow(window_));
}

TEST_F(LogViewerTest, TheLogButtonOpensItAndTheDisabledMainWindowIgnoresClicks)
{
    writeFileBytes("send-log.dat", records(1));
    bool opened = false;
    bool mainStillThere = false;
    std::thread user([&] {
        HWND viewer = waitForWindow("NORMALDLG", nullptr);
        opened = viewer != nullptr;
        for (int i = 0; i < 100 && IsWindowEnabled(window_); ++i)
            Sleep(10);
        // A mouse click on the Exit button of the disabled Main window does nothing while the
        // viewer is open.
        clickWithTheMouse(control(1003));
        Sleep(300);
        // The Main window still repaints.
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        mainStillThere = IsWindow(window_) != FALSE;
        if (viewer)
            clickClose(viewer);
    });
    SendMessageA(control(1001), BM_CLICK, 0, 0);
    user.join();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(mainStillThere);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_TRUE(IsWindowEnabled(window_));
    EXPECT_TRUE(pumpMessages()) << "closing the viewer must not end the program";
}
