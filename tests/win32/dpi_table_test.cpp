// The three windows at each display scale, under Wine. One table of DPIs: each row runs this
// suite again in a process of its own, started with that DPI in the prefix (Wine reads LogPixels
// when a process starts) on a desktop large enough for the Options dialog at 200 %. That process
// opens the Main window, the Options dialog and the Log viewer and expects their client areas and
// every control's rectangle to be the 96-DPI figures written out in window_layouts.cpp scaled by
// MulDiv(value, dpi, 96), their fonts' heights scaled without the fraction, and their images to
// be those drawn for the scale. At 96 DPI those are today's figures.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

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
constexpr DWORD kChildMs = 120000;
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU;  // the three windows' frame

// The DPI the table started this process at; 0 in the table's own process.
int atDpi = 0;

// A value under HKEY_CURRENT_USER set for this object's life, then put back as it was.
class ScopedUserValue {
public:
    ScopedUserValue(const char* key, const char* name, DWORD type, const void* data, DWORD size)
        : name_(name)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr);
        DWORD previousSize = 0;
        had_ = RegQueryValueExA(key_, name, nullptr, &type_, nullptr, &previousSize) ==
               ERROR_SUCCESS;
        previous_.resize(previousSize);
        if (had_)
            RegQueryValueExA(key_, name, nullptr, &type_, previous_.data(), &previousSize);
        RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size);
    }
    ~ScopedUserValue()
    {
        if (had_)
            RegSetValueExA(key_, name_.c_str(), 0, type_, previous_.data(),
                           static_cast<DWORD>(previous_.size()));
        else
            RegDeleteValueA(key_, name_.c_str());
        RegCloseKey(key_);
    }
    ScopedUserValue(const ScopedUserValue&) = delete;
    ScopedUserValue& operator=(const ScopedUserValue&) = delete;

private:
    HKEY key_ = nullptr;
    std::string name_;
    bool had_ = false;
    DWORD type_ = REG_NONE;
    std::vector<BYTE> previous_;
};

// Runs this suite's window checks in a process of its own at dpi, on the large desktop, and
// returns its exit status; what it reports goes to this process's output.
DWORD runAtDpi(int dpi)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string commandLine = "\"" + std::string(path) + "\" " + kDpiOption + std::to_string(dpi);
    char desktop[sizeof kDesktop];
    std::memcpy(desktop, kDesktop, sizeof kDesktop);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start " << commandLine;
        return ~DWORD(0);
    }
    if (WaitForSingleObject(process.hProcess, kChildMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "no end within " << kChildMs << " ms";
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kChildMs);
    }
    DWORD status = ~DWORD(0);
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

RECT frameAt(int dpi)
{
    RECT frame = {};
    AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, 0, static_cast<UINT>(dpi));
    return frame;
}

// The client area is that of the window at 96 DPI scaled; around it go the frame and caption of
// dpi. May run on a thread other than window's.
void expectWindowAtDpi(HWND window, const WindowRow& row, int dpi)
{
    SCOPED_TRACE(row.dialog ? row.dialog : "Main");
    EXPECT_EQ(GetDpiForWindow(window), static_cast<UINT>(dpi));
    RECT frame96 = frameAt(96);
    RECT frame = frameAt(dpi);
    int clientWidth = scaled(row.width - (frame96.right - frame96.left), dpi);
    int clientHeight = scaled(row.height - (frame96.bottom - frame96.top), dpi);
    RECT client = {};
    RECT outer = {};
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    EXPECT_EQ(client.right, clientWidth);
    EXPECT_EQ(client.bottom, clientHeight);
    EXPECT_EQ(outer.right - outer.left, clientWidth + frame.right - frame.left);
    EXPECT_EQ(outer.bottom - outer.top, clientHeight + frame.bottom - frame.top);
    expectLayout(window, *row.layout, *row.font, row.withoutFont, dpi);
    LOGFONTA font = {};
    GetObjectA(*row.font, sizeof font, &font);
    // A font's height keeps no fraction, so that no text outgrows its control: -19 at 144 DPI.
    EXPECT_EQ(font.lfHeight, row.fontHeight * dpi / 96);
    if (row.dialog) {
        // The title shows the large image of the application icon, as LoadIconA gives it.
        LRESULT icon = SendMessageA(window, WM_GETICON, ICON_SMALL, 0);
        EXPECT_EQ(iconSide(reinterpret_cast<HICON>(icon)), scaled(32, dpi));
    }
}

// Where the "Subject:" label's coloured pixels are (no settings: it is orange).
RECT labelBounds(HWND window, int dpi)
{
    RECT bounds = {INT_MAX, INT_MAX, -1, -1};
    HDC dc = GetDC(window);
    for (int y = 0; y < scaled(20, dpi); ++y) {
        for (int x = 0; x < scaled(60, dpi); ++x) {
            COLORREF pixel = GetPixel(dc, x, y);
            if (GetRValue(pixel) > GetBValue(pixel) + 60) {
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x);
                bounds.bottom = std::max<LONG>(bounds.bottom, y);
            }
        }
    }
    ReleaseDC(window, dc);
    return bounds;
}

// The images of the Main window are those drawn for the scale, never one stretched to it.
void expectMainImagesAtDpi(HWND window, int dpi)
{
    for (int id = 1000; id <= 1003; ++id) {
        EXPECT_EQ(iconSide(reinterpret_cast<HICON>(
                      SendDlgItemMessageA(window, id, BM_GETIMAGE, IMAGE_ICON, 0))),
                  scaled(32, dpi))
            << id;
    }
    BITMAP face = {};
    LRESULT shown = SendDlgItemMessageA(window, 1007, STM_GETIMAGE, IMAGE_BITMAP, 0);
    GetObjectA(reinterpret_cast<HBITMAP>(shown), sizeof face, &face);
    EXPECT_EQ(face.bmWidth, scaled(32, dpi));
    EXPECT_EQ(face.bmHeight, scaled(16, dpi));
    HICON big = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
    HICON small = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
    if (dpi == 96) {
        // The class's own icons.
        EXPECT_EQ(big, nullptr);
        EXPECT_EQ(small, nullptr);
    } else {
        EXPECT_EQ(iconSide(big), scaled(32, dpi));
        EXPECT_EQ(iconSide(small), scaled(16, dpi));
    }
    // The label, 50 x 12 at (5, 5) at 96 DPI, with "Subject:" across most of it.
    RECT label = labelBounds(window, dpi);
    EXPECT_GE(label.left, scaled(5, dpi));
    EXPECT_GE(label.top, scaled(5, dpi));
    EXPECT_LT(label.right, scaled(5, dpi) + scaled(50, dpi));
    EXPECT_LT(label.bottom, scaled(5, dpi) + scaled(12, dpi));
    EXPECT_GT(label.right - label.left, scaled(40, dpi));
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
    ScopedUserValue desktop("Software\\Wine\\Explorer\\Desktops", kDesktop, REG_SZ, kDesktopSize,
                            sizeof kDesktopSize);
    for (int dpi : kDpis) {
        SCOPED_TRACE(dpi);
        DWORD logPixels = static_cast<DWORD>(dpi);
        ScopedUserValue pixels("Control Panel\\Desktop", "LogPixels", REG_DWORD, &logPixels,
                               sizeof logPixels);
        EXPECT_EQ(runAtDpi(dpi), 0u);
    }
}

TEST_F(ScaledWindows, OpenWithTheirFiguresScaledToTheDpi)
{
    writeFileBytes("send-log.dat", "");  // the viewer opens without a message box
    HWND main = openMainWindow();
    for (const WindowRow& row : kWindows) {
        if (!row.dialog) {
            expectWindowAtDpi(main, row, atDpi);
            expectMainImagesAtDpi(main, atDpi);
        } else {
            lookAtDialog(row.dialog, [&](HWND dialog) { expectWindowAtDpi(dialog, row, atDpi); });
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
