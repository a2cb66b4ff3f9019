// Translucency, centring and tooltips.
#include "kit/appearance.h"

#include <commctrl.h>

#include "common/dll_function.h"
#include "common/text.h"
#include "kit/appearance_logic.h"
#include "kit/program.h"
#include "settings/settings.h"

namespace {

using SetLayeredWindowAttributesFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

}  // namespace

void applyTranslucency()
{
    // Looked up at run time, so that the program still starts where the function is missing;
    // user32 is loaded in every windowed program, so it is only looked up, not loaded.
    auto setLayered = moduleFunction<SetLayeredWindowAttributesFunction>(
        GetModuleHandleA("user32.dll"), "SetLayeredWindowAttributes");
    if (!setLayered)
        return;
    LONG exStyle = GetWindowLongA(mainWindow, GWL_EXSTYLE);
    SetWindowLongA(mainWindow, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    setLayered(mainWindow, 0, layeredAlpha(settings.translucent, settings.opacity), LWA_ALPHA);
}

void centerOnDesktop(HWND window)
{
    RECT desktop;
    RECT own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    WindowPosition position =
        centredPosition(desktop.right - desktop.left, desktop.bottom - desktop.top,
                        own.right - own.left, own.bottom - own.top);
    SetWindowPos(window, HWND_TOP, position.x, position.y, 0, 0, SWP_NOSIZE);
}

void addTooltip(HWND control, UINT toolId, const char* text)
{
    HWND tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr,
                                   programInstance, nullptr);
    // The first form of the tool record, which every version of the common controls accepts;
    // the tooltip copies the text, so the caller's copy need not outlive the call.
    TTTOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = control;
    tool.uId = toolId;
    GetClientRect(control, &tool.rect);
    tool.hinst = programInstance;
    Text copy = text;
    tool.lpszText = copy.data();
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}
