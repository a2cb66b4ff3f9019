// The three windows at each display scale, under Wine. One table of DPIs: each row runs this
// suite again in a process of its own, started with that DPI as the prefix's LogPixels (which
// Wine reads when a process starts) on a desktop large enough for the Options dialog at 200 %.
// There the Main window, the Options dialog and the Log viewer must have the client areas and
// control rectangles written out for 96 DPI in window_layouts.cpp scaled by MulDiv(value, dpi,
// 96), fonts scaled without the fraction, and the images drawn for the scale. The dialogs are
// also told they moved to a monitor of another DPI, and must then be laid out for that one.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "app/dialogs.h"
#include "kit/program.h"
#include "tests/win32/expect_layout.h"
#include "tests/win32/shell_fixture.h"
#include "tests/win32/window_layouts.h"

namespace {

constexpr int kDpis[] = {96, 120, 144, 192};
constexpr char kDpiOption[] = "--at-dpi=";
// A window never opens larger than its desktop: the Options dialog is 714 x 1243 at 200 %.
constexpr char kDesktop[] = "VelmorDpi";
constexpr char kDesktopSize[] = "1600x1400";
constexpr DWORD kProcessMs = 120000;

int atDpi = 0;  // the DPI the table started this process at; 0 in the table's own process

void setLogPixels(DWORD dpi)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi,
                    sizeof dpi);
}

// This suite's window checks in a process of its own at dpi, on the large desktop: its exit
// status. What it reports goes to this process's output.
DWORD runAtDpi(int dpi)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string commandLine = "\"" + std::string(path) + "\" " + kDpiOption + std::to_string(dpi);
    std::string desktop = kDesktop;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop.data();
    PROCESS_INFORMATION process = {};
    DWORD status = ~DWORD(0);
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return status;
    if (WaitForSingleObject(process.hProcess, kProcessMs) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, status);
    WaitForSingleObject(process.hProcess, kProcessMs);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

// One of the three windows: how it is opened, and its figures at 96 DPI written out here.
struct WindowRow {
    const char* dialog;  // the name runDialog opens it by; null for the Main window
    const std::span<const ControlSpec>* layout;
    HFONT* font;
    int fontHeight;
    int width, height;  // outer
    int withoutFont;    // the control that keeps no font
};

const WindowRow kWindows[] = {
    {nullptr, &kMainLayout, &mainFont, -13, 163, 286, 1007},
    {"Opt", &kOptionsLayout, &optionsFont, -13, 360, 625, 1034},
    {"View", &kViewerLayout, &viewerFont, -12, 281, 353, 0},
};

int scaled(int value, int dpi) { return MulDiv(value, dpi, 96); }

SIZE frameAt(int dpi)
{
    RECT frame = {};
    AdjustWindowRectExForDpi(&frame, WS_CAPTION | WS_SYSMENU, FALSE, 0, static_cast<UINT>(dpi));
    return {frame.right - frame.left, frame.bottom - frame.top};
}

SIZE clientAt(const WindowRow& row, int dpi)
{
    return {scaled(row.width - frameAt(96).cx, dpi), scaled(row.height - frameAt(96).cy, dpi)};
}

// The controls in their places at dpi with the font made for it, and the dialogs' title icon
// drawn for it. May run on a thread other than window's.
void expectContentAtDpi(HWND window, const WindowRow& row, int dpi)
{
    expectLayout(window, *row.layout, *row.font, row.withoutFont, dpi);
    LOGFONTA font = {};
    GetObjectA(*row.font, sizeof font, &font);
    EXPECT_EQ(font.lfHeight, row.fontHeight * dpi / 96);  // -19 at 144 DPI, not -19.5 rounded up
    if (row.dialog) {
        // The title shows the large image of the application icon, as LoadIconA gives it.
        LRESULT icon = SendMessageA(window, WM_GETICON, ICON_SMALL, 0);
        EXPECT_EQ(iconSide(reinterpret_cast<HICON>(icon)), scaled(32, dpi));
    }
}

// The client area is that of the window at 96 DPI scaled, with the frame and caption of dpi
// around it, and the content laid out for dpi.
void expectWindowAtDpi(HWND window, const WindowRow& row, int dpi)
{
    SCOPED_TRACE(row.dialog ? row.dialog : "Main");
    EXPECT_EQ(GetDpiForWindow(window), static_cast<UINT>(dpi));
    SIZE client = clientAt(row, dpi);
    RECT inner = {};
    RECT outer = {};
    GetClientRect(window, &inner);
    GetWindowRect(window, &outer);
    EXPECT_EQ(inner.right, client.cx);
    EXPECT_EQ(inner.bottom, client.cy);
    EXPECT_EQ(outer.right - outer.left, client.cx + frameAt(dpi).cx);
    EXPECT_EQ(outer.bottom - outer.top, client.cy + frameAt(dpi).cy);
    expectContentAtDpi(window, row, dpi);
}

class ScaledWindows : public MainWindowTest {
protected:
    // Opens the dialog named name over the Main window; look gets it on a second thread, as a
    // user would see it, and the dialog is closed afterwards.
    void lookAtDialog(const char* name, const std::function<void(HWND)>& look)
    {
        // A new thread starts on the process's first desktop, not on the one it was started on.
        HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
        DWORD windowThread = GetCurrentThreadId();
        std::thread user([&] {
            SetThreadDesktop(desktop);
            HWND dialog = waitForWindow("NORMALDLG", nullptr);
            if (!dialog) {
                ADD_FAILURE() << name << " did not open";
                PostThreadMessageA(windowThread, WM_QUIT, 0, 0);  // ends the dialog's loop
                return;
            }
            look(dialog);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        });
        runDialog(window_, name);
        user.join();
    }
};

}  // namespace

TEST(DpiTable, EveryWindowFollowsTheRuleAtEachDpi)
{
    // The processes of the rows write no report: this process's is the table's.
    SetEnvironmentVariableA("GTEST_OUTPUT", nullptr);
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops", kDesktop, REG_SZ,
                    kDesktopSize, sizeof kDesktopSize);
    for (int dpi : kDpis) {
        SCOPED_TRACE(dpi);
        setLogPixels(static_cast<DWORD>(dpi));
        EXPECT_EQ(runAtDpi(dpi), 0u);
    }
    setLogPixels(96);  // as cmake/wine-session.sh starts every session
}

// Tells dialog, as the system would, that it now shows on a monitor of dpi, and returns the
// rectangle the message suggests: its outer size there. Wine never sends the message itself, and
// the frame stays that of the DPI the dialog opened at.
RECT moveToMonitorAt(HWND dialog, const WindowRow& row, int dpi)
{
    SIZE client = clientAt(row, dpi);
    RECT suggested = {40, 30, 40 + client.cx + frameAt(dpi).cx, 30 + client.cy + frameAt(dpi).cy};
    SendMessageA(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    return suggested;
}

TEST_F(ScaledWindows, OpenWithTheirFiguresScaledToTheDpiAndFollowAChangeOfIt)
{
    writeFileBytes("send-log.dat", "");  // the viewer opens without a message box
    HWND main = openMainWindow();
    int movedTo = atDpi == 192 ? 96 : 192;
    for (const WindowRow& row : kWindows) {
        if (!row.dialog) {
            expectWindowAtDpi(main, row, atDpi);
            expectMainImages(main, atDpi);
        } else {
            lookAtDialog(row.dialog, [&](HWND dialog) {
                expectWindowAtDpi(dialog, row, atDpi);
                HFONT fontBefore = *row.font;
                RECT suggested = moveToMonitorAt(dialog, row, movedTo);
                RECT outer = {};
                GetWindowRect(dialog, &outer);
                SCOPED_TRACE(row.dialog);
                EXPECT_TRUE(EqualRect(&outer, &suggested));
                expectContentAtDpi(dialog, row, movedTo);
                LOGFONTA font = {};
                EXPECT_FALSE(GetObjectA(fontBefore, sizeof font, &font)) << "old font kept";
            });
        }
    }
}

// The table's process runs the table; a process it starts with --at-dpi=N looks at the windows.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kDpiOption, sizeof kDpiOption - 1) == 0)
            atDpi = std::atoi(argv[i] + sizeof kDpiOption - 1);
    }
    GTEST_FLAG_SET(filter, atDpi ? "ScaledWindows.*" : "-ScaledWindows.*");
    return RUN_ALL_TESTS();
}
