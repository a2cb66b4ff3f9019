// The Main window under Wine: its classes, fonts, controls, title, look, editor and ways out,
// checked against the layout values written out here.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "kit/program.h"
#include "message/message_texts.h"
#include "send/shell_operations.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/win32/expect_layout.h"
#include "tests/win32/shell_fixture.h"
#include "tests/win32/window_layouts.h"

namespace {

void writeSettings(const char* toName, double charLimit, int translucent, int opacity, int warnSound)
{
    settings = Settings();
    settings.toName = toName;
    settings.charLimit = charLimit;
    settings.translucent = static_cast<std::int16_t>(translucent);
    settings.opacity = opacity;
    settings.warnSound = static_cast<std::int16_t>(warnSound);
    saveSettings();
    settings = Settings();
}

// The tooltip windows of this thread, with the control each belongs to.
std::vector<HWND> tooltipWindows()
{
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) -> BOOL {
            char name[64] = {};
            GetClassNameA(window, name, sizeof name);
            if (lstrcmpiA(name, TOOLTIPS_CLASSA) == 0)
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string tooltipTextFor(HWND control)
{
    // A tooltip's owner is the top-level window, so the tool record tells which control it serves.
    for (HWND tooltip : tooltipWindows()) {
        TTTOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.hwnd = control;
        tool.uId = 1;
        if (!SendMessageA(tooltip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)))
            continue;
        char text[256] = {};
        tool.lpszText = text;
        SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        return text;
    }
    return "<no tooltip>";
}

enum class LabelColour { none, blueViolet, orange };

// The colour of the "Subject:" label as drawn at (5, 5): the text's strongest colour decides.
LabelColour labelColour(HWND window)
{
    HDC dc = GetDC(window);
    int blue = 0;
    int orange = 0;
    for (int y = 5; y < 17; ++y) {
        for (int x = 5; x < 55; ++x) {
            COLORREF pixel = GetPixel(dc, x, y);
            int r = GetRValue(pixel), b = GetBValue(pixel);
            if (b > r + 60)
                ++blue;
            else if (r > b + 60)
                ++orange;
        }
    }
    ReleaseDC(window, dc);
    if (blue > 10 && orange == 0)
        return LabelColour::blueViolet;
    if (orange > 10 && blue == 0)
        return LabelColour::orange;
    return LabelColour::none;
}

}  // namespace

TEST(WineEnvironment, AnsiCodePageIs932)
{
    EXPECT_EQ(GetACP(), 932u);
}

TEST_F(MainWindowTest, ClassesAreRegisteredAsTheProgramNeedsThem)
{
    const struct {
        const char* name;
        HICON icon;  // null: the program's own, from its resources
    } classes[] = {{"NORMAL0", nullptr}, {"NORMALDLG", LoadIconA(nullptr, IDI_APPLICATION)}};
    for (const auto& expected : classes) {
        SCOPED_TRACE(expected.name);
        WNDCLASSEXA found = {};
        found.cbSize = sizeof found;
        ASSERT_TRUE(GetClassInfoExA(programInstance, expected.name, &found));
        EXPECT_EQ(found.style, 11u);
        EXPECT_EQ(found.hbrBackground, faceBrush);
        EXPECT_EQ(found.hCursor, LoadCursorA(nullptr, IDC_ARROW));
        EXPECT_EQ(found.cbClsExtra, 0);
        EXPECT_EQ(found.cbWndExtra, 0);
        EXPECT_EQ(found.lpszMenuName, nullptr);
        if (expected.icon) {
            EXPECT_EQ(found.hIcon, expected.icon);
        } else {
            EXPECT_NE(found.hIcon, nullptr);
        }
    }
}

TEST_F(MainWindowTest, FacesBrushIsTheButtonFaceColour)
{
    LOGBRUSH brush = {};
    ASSERT_TRUE(GetObjectA(faceBrush, sizeof brush, &brush));
    EXPECT_EQ(brush.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(brush.lbColor, GetSysColor(COLOR_BTNFACE));
}

TEST_F(MainWindowTest, FontsAreTheProgramsGothicAtTheirHeights)
{
    const struct {
        HFONT font;
        LONG height;
    } fonts[] = {{mainFont, -13}, {optionsFont, -13}, {viewerFont, -12}};
    EXPECT_NE(mainFont, optionsFont);
    for (const auto& entry : fonts) {
        LOGFONTA font = {};
        ASSERT_TRUE(GetObjectA(entry.font, sizeof font, &font));
        EXPECT_EQ(font.lfHeight, entry.height);
        EXPECT_EQ(font.lfWidth, 0);
        EXPECT_EQ(font.lfEscapement, 0);
        EXPECT_EQ(font.lfOrientation, 0);
        EXPECT_EQ(font.lfWeight, 400);
        EXPECT_EQ(font.lfItalic, 0);
        EXPECT_EQ(font.lfUnderline, 0);
        EXPECT_EQ(font.lfStrikeOut, 0);
        EXPECT_EQ(font.lfCharSet, 128);
        EXPECT_EQ(font.lfOutPrecision, 3);
        EXPECT_EQ(font.lfClipPrecision, 2);
        EXPECT_EQ(font.lfQuality, 1);
        EXPECT_EQ(font.lfPitchAndFamily, 0x32);
        EXPECT_EQ(std::string(font.lfFaceName), cp932("ＭＳ Ｐゴシック"));
    }
}

TEST_F(MainWindowTest, WindowWithoutSettingsIsTitledToAndCentred)
{
    HWND window = openMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(window), "To ");
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ(name, "NORMAL0");
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & ~WS_CLIPSIBLINGS, 0x10C80000);
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE) & ~WS_EX_LAYERED & ~WS_EX_WINDOWEDGE, 0);
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 163);
    EXPECT_EQ(outer.bottom - outer.top, 286);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    int desktopWidth = desktop.right - desktop.left;
    int desktopHeight = desktop.bottom - desktop.top;
    EXPECT_EQ(outer.left, desktopWidth / 2 - 163 / 2);
    EXPECT_EQ(outer.top, desktopHeight / 2 - 286 / 2);
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_FALSE(fileExists("velmor.ini"));
}

TEST_F(MainWindowTest, EightControlsInOrderWithTheirLayout)
{
    HWND window = openMainWindow();
    // A bitmap static draws no text and keeps no font, although it is given one too.
    expectLayout(window, kMainLayout, mainFont, 1007);
}

TEST_F(MainWindowTest, ButtonsShowIconsAndHelpShowsItsFace)
{
    HWND window = openMainWindow();
    for (int id = 1000; id <= 1003; ++id)
        EXPECT_NE(SendDlgItemMessageA(window, id, BM_GETIMAGE, IMAGE_ICON, 0), 0) << id;
    HBITMAP face = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(window, 1007, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face, helpBitmap);
    BITMAP size = {};
    GetObjectA(face, sizeof size, &size);
    EXPECT_EQ(size.bmWidth, 32);
    EXPECT_EQ(size.bmHeight, 16);
}

TEST_F(MainWindowTest, EditorHasTheFocusAndTheStatusLineTheVersion)
{
    openMainWindow();
    EXPECT_EQ(GetFocus(), control(1004));
    EXPECT_EQ(editorWindow, control(1004));
    EXPECT_EQ(mainWindow, window_);
    EXPECT_EQ(controlText(1006), ">Velmor132");
    EXPECT_EQ(controlText(1005), "");
}

TEST_F(MainWindowTest, TooltipsNameEachButton)
{
    openMainWindow();
    EXPECT_EQ(tooltipTextFor(control(1000)), cp932("オプション"));
    EXPECT_EQ(tooltipTextFor(control(1001)), cp932("送信ログの表示"));
    EXPECT_EQ(tooltipTextFor(control(1002)), cp932("送信"));
    EXPECT_EQ(tooltipTextFor(control(1003)), cp932("終了"));
    EXPECT_EQ(tooltipTextFor(control(1007)), cp932("ヘルプ"));
    EXPECT_EQ(tooltipWindows().size(), 5u);
}

TEST_F(MainWindowTest, TitleAndLimitComeFromTheSettingsFile)
{
    writeSettings(cp932("花子").c_str(), 50, 0, 0, 0);
    openMainWindow();
    EXPECT_EQ(windowText(window_), "To " + cp932("花子"));
    setEditorText("A\r\nB");
    EXPECT_EQ(controlText(1006), cp932("文字数:") + "4/50");
}

TEST_F(MainWindowTest, ALongRecipientNameIsCutToTheTitleBuffer)
{
    std::string name = "a";
    while (name.size() < 255)
        name += cp932("名");
    writeSettings(name.c_str(), 0, 0, 0, 0);
    openMainWindow();
    std::string title = windowText(window_);
    // "To ", 'a' and 125 double-byte characters: 254 bytes, since 255 would split one.
    EXPECT_EQ(title.size(), 254u);
    EXPECT_EQ(title, "To " + name.substr(0, 251));
}

TEST_F(MainWindowTest, TranslucencyFollowsTheSettings)
{
    const struct {
        int translucent, opacity;
        BYTE alpha;
    } cases[] = {{1, 50, 127}, {1, 0, 0}, {1, 100, 255}, {1, 110, 24}, {0, 50, 255}, {2, 50, 255}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opacity);
        writeSettings("", 0, c.translucent, c.opacity, 0);
        openMainWindow();
        EXPECT_TRUE(GetWindowLongPtrA(window_, GWL_EXSTYLE) & WS_EX_LAYERED);
        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(window_, nullptr, &alpha, &flags));
        EXPECT_EQ(alpha, c.alpha);
        EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
        DestroyWindow(window_);
        pumpMessages();
        TearDown();
        SetUp();
    }
}

TEST_F(MainWindowTest, EveryChangeSplitsTheMessageAndUpdatesBothLines)
{
    writeSettings("", 50, 0, 0, 0);
    openMainWindow();
    setEditorText("A\r\nB");
    EXPECT_EQ(messageText, "A\r\nB");
    EXPECT_EQ(messageSubject, "A");
    EXPECT_EQ(messageBody, "B");
    EXPECT_EQ(controlText(1005), "A");
    EXPECT_EQ(controlText(1006), cp932("文字数:") + "4/50");

    setEditorText(cp932("件名") + "\r\n" + cp932("本文") + "\r\n2");
    EXPECT_EQ(messageSubject, cp932("件名"));
    EXPECT_EQ(messageBody, cp932("本文") + "\r\n2");
    EXPECT_EQ(controlText(1006), cp932("文字数:") + "13/50");

    setEditorText("single line");
    EXPECT_EQ(messageSubject, "");
    EXPECT_EQ(messageBody, "single line");
    EXPECT_EQ(controlText(1005), "");

    setEditorText("");
    EXPECT_EQ(controlText(1006), cp932("文字数:") + "0/50");
}

TEST_F(MainWindowTest, TheLabelTurnsOrangeAtTheLimitAndBackBelowIt)
{
    writeSettings("", 50, 0, 0, 0);
    openMainWindow();
    EXPECT_EQ(labelColour(window_), LabelColour::blueViolet);
    setEditorText(std::string(49, 'a'));
    EXPECT_EQ(labelColour(window_), LabelColour::blueViolet);
    setEditorText(std::string(50, 'a'));
    EXPECT_EQ(labelColour(window_), LabelColour::orange);
    EXPECT_EQ(controlText(1006), cp932("文字数:") + "50/50");
    setEditorText(std::string(49, 'a') + cp932("字"));
    EXPECT_EQ(labelColour(window_), LabelColour::orange);
    EXPECT_EQ(controlText(1006), cp932("文字数:") + "51/50");
    setEditorText(std::string(49, 'a'));
    EXPECT_EQ(labelColour(window_), LabelColour::blueViolet);
    // A repaint draws the label again in the state the count is in.
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
    EXPECT_EQ(labelColour(window_), LabelColour::blueViolet);
}

TEST_F(MainWindowTest, WithoutALimitTheLabelIsOrangeFromTheStart)
{
    openMainWindow();
    EXPECT_EQ(labelColour(window_), LabelColour::orange);
}

TEST_F(MainWindowTest, AStatusTextStaysOnlyUntilTheNextChange)
{
    openMainWindow();
    showStatus(">" + cp932("メールを送信中"));
    EXPECT_EQ(controlText(1006), ">" + cp932("メールを送信中"));
    setEditorText("x");
    EXPECT_EQ(controlText(1006), cp932("文字数:") + "1/0");
}

TEST_F(MainWindowTest, OnlyTheListedNotificationsAct)
{
    openMainWindow();
    showStatus("unchanged");
    messageText = "kept";
    HWND window = window_;
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1004, EN_UPDATE), reinterpret_cast<LPARAM>(control(1004)));
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1004, EN_SETFOCUS), reinterpret_cast<LPARAM>(control(1004)));
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1005, 0), 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1006, 0), 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(4242, 0), 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1003, BN_DOUBLECLICKED), 0);
    pumpMessages();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(controlText(1006), "unchanged");
    EXPECT_EQ(messageText, "kept");
}

TEST_F(MainWindowTest, ExitButtonEndsTheLoopWithCodeZeroAndWritesNothing)
{
    HWND window = openMainWindow();
    SendMessageA(control(1003), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(pumpMessages());
    EXPECT_EQ(quitCode, 0u);
    EXPECT_FALSE(fileExists("velmor.ini"));
    EXPECT_FALSE(fileExists("ToName.dat"));
    EXPECT_FALSE(fileExists("send-log.dat"));
}

TEST_F(MainWindowTest, CloseBoxEndsTheLoopWithCodeZero)
{
    HWND window = openMainWindow();
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    pumpMessages();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(quitCode, 0u);
}

TEST_F(MainWindowTest, AtAnotherScaleTheWindowIsLaidOutAgainAndKeepsWhatWasTyped)
{
    writeSettings("", 50, 0, 0, 0);
    HWND window = openMainWindow();
    setEditorText(cp932("今夜の集合") + "\r\nAB");
    SendMessageA(control(1004), EM_SETSEL, 2, 5);
    HFONT fontBefore = mainFont;
    // Moved to a monitor at 150 %: the system suggests a rectangle there.
    RECT suggested = {300, 200, 300 + 242, 200 + 426};
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    pumpMessages();

    RECT outer = {};
    GetWindowRect(window, &outer);
    EXPECT_TRUE(EqualRect(&outer, &suggested));
    // What was typed stays, with the subject line and the counter.
    std::vector<ControlSpec> typed(kMainLayout.begin(), kMainLayout.end());
    typed[4].caption = "今夜の集合\r\nAB";
    typed[5].caption = "今夜の集合";
    typed[6].caption = "文字数:14/50";
    expectLayout(window, typed, mainFont, 1007, 144);
    EXPECT_EQ(SendMessageA(control(1004), EM_GETSEL, 0, 0), MAKELRESULT(2, 5));
    LOGFONTA font = {};
    ASSERT_TRUE(GetObjectA(mainFont, sizeof font, &font));
    EXPECT_EQ(font.lfHeight, -19);  // -19.5 without its fraction
    EXPECT_FALSE(GetObjectA(fontBefore, sizeof font, &font)) << "the old font was not deleted";
    expectMainImages(window, 144);
    // The tooltips cover the buttons' new client areas.
    TTTOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = control(1002);
    tool.uId = 1;
    for (HWND tooltip : tooltipWindows())
        SendMessageA(tooltip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(tool.rect.right, 54);
    EXPECT_EQ(tool.rect.bottom, 54);
}
