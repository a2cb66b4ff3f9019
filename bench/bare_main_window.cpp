// A floor of the start-up benchmark: the Main window as its first paint shows it (its size and
// style, the eight controls with the program's font, the icons and bitmaps, centred, layered),
// put up by the window kit's calls that the program makes, with none of the program behind it:
// no settings (so the window stays opaque), no title from them, no dialogs, no tooltips. What
// velmor.exe takes beyond it is the program's own.
#include <windows.h>

#include "app/main_layout.h"
#include "kit/appearance.h"
#include "kit/dpi.h"
#include "kit/program.h"

namespace {

// The title the program shows for the recipient startup_time writes into the settings.
constexpr char kTitle[] = "To \x89\xd4\x8eq";  // "To 花子"

void onCreate(HWND window)
{
    mainWindow = window;
    fitWindowToDpi(window, kMainWidth, kMainHeight, kMainStyle, 0);
    mainWindowDpi = createControlsAtWindowDpi(window, kMainControls, mainFont, kMainFontHeight);
    SendDlgItemMessageA(window, kHelpButton, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(
                            loadProgramBitmap(IDB_HELP, mainWindowDpi, LR_DEFAULTSIZE)));
    centerOnDesktop(window);
    for (int i = 0; i < 4; ++i) {
        HICON icon = loadProgramIcon(kButtonIcons[i], kIconSide, mainWindowDpi, LR_SHARED);
        SendDlgItemMessageA(window, kOptionsButton + i, BM_SETIMAGE, IMAGE_ICON,
                            reinterpret_cast<LPARAM>(icon));
    }
    SetFocus(GetDlgItem(window, kEditor));
    applyTranslucency();
}

// The "Subject:" label, drawn as the program draws it.
void onPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC windowDc = BeginPaint(window, &paint);
    HBITMAP label = loadProgramBitmap(IDB_SUBJECT_BELOW, mainWindowDpi,
                                      LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE | LR_LOADTRANSPARENT);
    BITMAP size = {};
    GetObjectA(label, sizeof size, &size);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(memoryDc, label);
    BitBlt(windowDc, scaleForDpi(5, mainWindowDpi), scaleForDpi(5, mainWindowDpi), size.bmWidth,
           size.bmHeight, memoryDc, 0, 0, SRCCOPY);
    SelectObject(memoryDc, previous);
    DeleteDC(memoryDc);
    DeleteObject(label);
    EndPaint(window, &paint);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:  onCreate(window); return 0;
    case WM_PAINT:   onPaint(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    createProgramObjects(instance);
    // Without a small icon the class takes the small image of the application icon, where the
    // program's Main window ends up once it clears its class's small icon.
    registerWindowClass("BAREMAIN", windowProc, LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELMOR)),
                        nullptr);
    PixelSize size = outerSizeForDpi(kMainWidth, kMainHeight, kMainStyle, 0, systemDpi());
    CreateWindowExA(0, "BAREMAIN", kTitle, kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.width,
                    size.height, nullptr, nullptr, instance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
