// The dialog host.
#include "kit/dialog_host.h"

#include "kit/dpi.h"
#include "kit/program.h"

namespace {

constexpr DWORD kDialogStyle = WS_CAPTION | WS_SYSMENU;

// The icon a dialog's title shows: the resource, and the image loaded for the dialog's DPI. Kept
// by runDialog, which destroys the image once the dialog is gone; the dialog's user data points
// to it, so that relayDialogOut can replace the image.
struct TitleIcon {
    int id;
    HICON image;
};

void showTitleIcon(HWND dialog, TitleIcon& icon, int dpi)
{
    HICON previous = icon.image;
    // The large image, as LoadIconA gives it, which the title shows at half its side; not
    // shared, as the Main window loads the same icon at another size.
    icon.image = loadProgramIcon(icon.id, kIconSide, dpi, 0);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.image));
    if (previous)
        DestroyIcon(previous);
}

}  // namespace

void registerDialogClass()
{
    registerWindowClass(kDialogClassName, DefWindowProcA, LoadIconA(nullptr, IDI_APPLICATION),
                        LoadIconA(nullptr, IDI_WINLOGO));
}

int runDialog(HWND owner, const DialogSpec& spec)
{
    // Created hidden with the class's default procedure; the dialog's own procedure takes over
    // before WM_INITDIALOG, so WM_CREATE has already gone to DefWindowProcA. Sized for the
    // owner's DPI, and again for its own should it open on a monitor of another.
    PixelSize size = outerSizeForDpi(spec.width, spec.height, kDialogStyle, 0, windowDpi(owner));
    HWND dialog = CreateWindowExA(0, kDialogClassName, spec.title, kDialogStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, size.width, size.height, owner, nullptr,
                                  programInstance, nullptr);
    int dpi = fitWindowToDpi(dialog, spec.width, spec.height, kDialogStyle, 0);
    *spec.handle = dialog;
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(spec.procedure));
    // The owner is disabled before the dialog's initialisation: a box that it shows (the Log
    // viewer's "file cannot be opened") runs a message loop, and nothing on the Main window may
    // answer a click under it.
    EnableWindow(owner, FALSE);
    SendMessageA(dialog, WM_INITDIALOG, 0, 0);
    TitleIcon icon = {spec.iconId, nullptr};
    showTitleIcon(dialog, icon, dpi);
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&icon));
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
    if (!IsWindow(dialog))
        DestroyIcon(icon.image);  // the title's icon, gone with the dialog
    else
        SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);  // icon ends with this call
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

void relayDialogOut(HWND dialog, std::span<const ControlSpec> table, HFONT& font,
                    int fontHeight96, WPARAM wParam, LPARAM lParam)
{
    int dpi = relayControlsOut(dialog, table, font, fontHeight96, wParam, lParam);
    auto* icon = reinterpret_cast<TitleIcon*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    if (icon)
        showTitleIcon(dialog, *icon, dpi);
}
