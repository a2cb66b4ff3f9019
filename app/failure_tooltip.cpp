// The status line's tooltip. The line is a static control without SS_NOTIFY, which lets the
// mouse through to the Main window, so the tool is the line's rectangle of the Main window:
// the line keeps the style it always had.
#include "app/failure_tooltip.h"

#include <windows.h>
#include <commctrl.h>

#include "app/main_window.h"
#include "common/text.h"
#include "kit/dpi_scale.h"
#include "kit/program.h"

namespace {

// Wide enough at 96 DPI for a server's reply of 200 bytes on three lines, and the advice on two.
constexpr int kMaxWidth = 320;

HWND statusTooltip;  // null while there is no detail

RECT statusLineArea()
{
    RECT area;
    HWND line = GetDlgItem(mainWindow, kStatusLine);
    GetWindowRect(line, &area);
    MapWindowPoints(nullptr, mainWindow, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

}  // namespace

void showStatusTooltip(const char* detail)
{
    if (statusTooltip) {
        DestroyWindow(statusTooltip);
        statusTooltip = nullptr;
    }
    if (!*detail)
        return;
    statusTooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    mainWindow, nullptr, programInstance, nullptr);
    TTTOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = mainWindow;
    tool.uId = kStatusLine;
    tool.hinst = programInstance;
    Text copy = detail;  // the tooltip copies the text; the field is not const
    tool.lpszText = copy.data();
    SendMessageA(statusTooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    refitStatusTooltip();
}

void refitStatusTooltip()
{
    if (!statusTooltip)
        return;
    TTTOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = mainWindow;
    tool.uId = kStatusLine;
    tool.rect = statusLineArea();
    SendMessageA(statusTooltip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    // A maximum width makes the tooltip break its lines at CR LF and wrap a long reply.
    SendMessageA(statusTooltip, TTM_SETMAXTIPWIDTH, 0, scaleForDpi(kMaxWidth, mainWindowDpi));
}
