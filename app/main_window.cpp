// The Main window procedure, with the controls created from a table.
#include "app/main_window.h"

#include "app/dialogs.h"
#include "app/editor.h"
#include "app/failure_tooltip.h"
#include "app/help.h"
#include "app/main_layout.h"
#include "app/main_scale.h"
#include "app/resource_ids.h"
#include "app/send_runner.h"
#include "kit/appearance.h"
#include "kit/command_table.h"
#include "kit/controls.h"
#include "kit/program.h"
#include "kit/window_title.h"
#include "send/shell_operations.h"
#include "settings/recipients.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

HWND editorWindow;
HBITMAP helpBitmap;

namespace {

struct Tooltip {
    int control;
    const char* text;
};

constexpr Tooltip kTooltips[] = {
    {kOptionsButton, "\x83I\x83v\x83V\x83\x87\x83\x93"},                    // "オプション"
    {kLogButton, "\x91\x97\x90M\x83\x8d\x83O\x82\xcc\x95\\\x8e\xa6"},     // "送信ログの表示"
    {kSendButton, "\x91\x97\x90M"},                                          // "送信"
    {kExitButton, "\x8fI\x97\xb9"},                                          // "終了"
    {kHelpButton, "\x83w\x83\x8b\x83v"},                                     // "ヘルプ"
};

void onMainCreate(HWND window)
{
    mainWindow = window;
    createMainControls(window);
    showHelpFace(window, mainWindowDpi);

    // Without a small icon of its own the class takes the small image of icon 104.
    SetClassLongPtrA(window, GCLP_HICONSM, 0);
    centerOnDesktop(window);
    loadSettings();
    loadRecipients();
    setRecipientTitle(window, settings.toName.str());
    editorWindow = GetDlgItem(window, kEditor);
    showButtonFaces(window, mainWindowDpi);
    SetFocus(editorWindow);
    applyTranslucency();
}

void onMainPaint(HWND window)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    drawSubjectLabel();
    EndPaint(window, &paint);
}

void openOptions() { runDialog(mainWindow, "Opt"); }

void openLogViewer() { runDialog(mainWindow, "View"); }

// Each action runs only for the notification listed for it.
constexpr CommandHandler kMainCommands[] = {
    {kOptionsButton, BN_CLICKED, openOptions},
    {kLogButton, BN_CLICKED, openLogViewer},
    {kSendButton, BN_CLICKED, startSend},
    {kExitButton, BN_CLICKED, closeMainWindow},
    {kEditor, EN_CHANGE, updateCounter},
    {kHelpButton, STN_CLICKED, openHelp},
};

// A step of the send: the text shows at once, painted before the worker goes on.
void onShowStatus(const char* text)
{
    HWND status = GetDlgItem(mainWindow, kStatusLine);
    SetWindowTextA(status, text);
    UpdateWindow(status);
}

// Nothing closes the window while a send runs (the close box, Alt+F4, the taskbar): the mail
// would be left half sent and unlogged.
void onMainClose(HWND window)
{
    if (!sendRunning())
        DestroyWindow(window);
}

void onMainDestroy()
{
    deleteProgramObjects();
    PostQuitMessage(0);
    DeleteObject(helpBitmap);
}

}  // namespace

void finishMainWindow()
{
    if (!IsWindow(mainWindow))
        return;  // closed before it was ever painted
    for (const Tooltip& tip : kTooltips)
        addTooltip(GetDlgItem(mainWindow, tip.control), 1, tip.text);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:  onMainCreate(window); return 0;
    case WM_PAINT:   onMainPaint(window); return 0;
    case WM_DPICHANGED: onMainDpiChanged(window, wParam, lParam); return 0;
    case WM_COMMAND: dispatchCommand(kMainCommands, LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_CLOSE:   onMainClose(window); return 0;
    case WM_DESTROY: onMainDestroy(); return 0;
    case kShowStatusMessage:    onShowStatus(reinterpret_cast<const char*>(lParam)); return 0;
    case kFailureDetailMessage: showStatusTooltip(reinterpret_cast<const char*>(lParam)); return 0;
    case kCloseMessage:         requestClose(); return 0;
    case kSendFinishedMessage:  finishSend(); return 0;
    case WM_QUERYENDSESSION:
        // A shutdown waits for the send; Windows shows the reason startSend gave it.
        if (sendRunning())
            return FALSE;
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
