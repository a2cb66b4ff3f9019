// The dialog host.
#include "app/dialog_host.h"

#include "app/resource_ids.h"
#include "app/shell_state.h"
#include "app/startup.h"
#include "log/log_viewer.h"
#include "options/options_dialog.h"

namespace {

struct DialogKind {
    const char* name;
    const char* title;
    int width;
    int height;
    WNDPROC procedure;
    HWND* handle;
};

constexpr DWORD kDialogStyle = WS_CAPTION | WS_SYSMENU;

const DialogKind kDialogs[] = {
    {"Opt", "Options", 360, 625, optionsDialogProc, &optionsWindow},
    {"View", "View", 281, 353, logViewerProc, &logViewerWindow},
};

}  // namespace

int runDialog(HWND owner, const char* dialogName)
{
    const DialogKind* kind = nullptr;
    for (const DialogKind& candidate : kDialogs) {
        if (lstrcmpA(candidate.name, dialogName) == 0)
            kind = &candidate;
    }
    if (!kind)
        return 0;

    // Created hidden with the class's default procedure; the dialog's own procedure takes over
    // before WM_INITDIALOG, so WM_CREATE has already gone to DefWindowProcA.
    HWND dialog = CreateWindowExA(0, kDialogClassName, kind->title, kDialogStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, kind->width, kind->height, owner, nullptr,
                                  programInstance, nullptr);
    *kind->handle = dialog;
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kind->procedure));
    // The owner is disabled before the dialog's initialisation: a box that it shows (the Log
    // viewer's "file cannot be opened") runs a message loop, and nothing on the Main window may
    // answer a click under it.
    EnableWindow(owner, FALSE);
    SendMessageA(dialog, WM_INITDIALOG, 0, 0);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadIconA(programInstance, MAKEINTRESOURCEA(IDI_VELMOR))));
    ShowWindow(dialog, SW_SHOW);

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // The quit message that ended this loop was the program's own when the owner was destroyed
    // under the dialog (closed from the taskbar, or at shutdown): pass it on to the outer loop.
    if (!IsWindow(owner))
        PostQuitMessage(static_cast<int>(message.wParam));
    return static_cast<int>(message.wParam);
}

void closeDialog(HWND window, int code)
{
    // The owner first: enabled after the dialog is gone, the system would activate some other
    // window instead of it.
    EnableWindow(GetWindow(window, GW_OWNER), TRUE);
    DestroyWindow(window);
    PostMessageA(nullptr, WM_QUIT, static_cast<WPARAM>(code), 0);
}
