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

// The first form of the tool record, which every version of the common controls accepts.
TTTOOLINFOA toolOf(HWND control, UINT toolId)
{
    TTTOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = control;
    tool.uId = toolId;
    GetClientRect(control, &tool.rect);
    return tool;
}

struct Refit {
    HWND window;
    UINT toolId;
};

// A tooltip of a control is owned by the control's top-level window.
BOOL CALLBACK refitTooltip(HWND tooltip, LPARAM refitParameter)
{
    const Refit& refit = *reinterpret_cast<const Refit*>(refitParameter);
    char className[32] = {};
    GetClassNameA(tooltip, className, sizeof className);
    if (GetWindow(tooltip, GW_OWNER) != refit.window || lstrcmpiA(className, TOOLTIPS_CLASSA) != 0)
        return TRUE;
    // A tooltip ignores a tool it does not have.
    for (HWND control = GetWindow(refit.window, GW_CHILD); control;
         control = GetWindow(control, GW_HWNDNEXT)) {
        TTTOOLINFOA tool = toolOf(control, refit.toolId);
        SendMessageA(tooltip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return TRUE;
}

}  // namespace

void applyTranslucency()
{
    // Looked up at run time, so that the program still starts where the function is missing.
    auto setLayered =
        user32Function<SetLayeredWindowAttributesFunction>("SetLayeredWindowAttributes");
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
    // The tooltip copies the text, so the caller's copy need not outlive the call.
    TTTOOLINFOA tool = toolOf(control, toolId);
    tool.uFlags = TTF_SUBCLASS;
    tool.hinst = programInstance;
    Text copy = text;
    tool.lpszText = copy.data();
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void refitTooltips(HWND window, UINT toolId)
{
    Refit refit = {window, toolId};
    EnumThreadWindows(GetCurrentThreadId(), refitTooltip, reinterpret_cast<LPARAM>(&refit));
}
