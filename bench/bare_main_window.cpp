// A floor of the start-up benchmark: the Main window as its first paint shows it (its size and
// style, the eight controls with the program's font, the icons and bitmaps, centred, layered),
// put up by plain Win32 calls and the kit's table of controls, with none of the program behind
// it: no settings, no title from them, no dialogs, no tooltips. What velmor.exe takes beyond it
// is the program's own.
#include <windows.h>

#include "app/main_layout.h"
#include "kit/program.h"

namespace {

constexpr char kFontFace[] = "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N";  // "ＭＳ Ｐゴシック"

// The title the program shows for the recipient startup_time writes into the settings.
constexpr char kTitle[] = "To \x89\xd4\x8eq";  // "To 花子"

HFONT font;

void onCreate(HWND window)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    createControls(window, kMainControls, font);
    SendDlgItemMessageA(window, kHelpButton, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDB_HELP),
                                                            IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE)));
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    SetWindowPos(window, HWND_TOP, desktop.right / 2 - kMainWidth / 2,
                 desktop.bottom / 2 - kMainHeight / 2, 0, 0, SWP_NOSIZE);
    for (int i = 0; i < 4; ++i) {
        HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(kButtonIcons[i]));
        SendDlgItemMessageA(window, kOptionsButton + i, BM_SETIMAGE, IMAGE_ICON,
                            reinterpret_cast<LPARAM>(icon));
    }
    SetFocus(GetDlgItem(window, kEditor));
    SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
}

// The "Subject:" label, drawn as the program draws it.
void onPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC windowDc = BeginPaint(window, &paint);
    HBITMAP label = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SUBJECT_BELOW), IMAGE_BITMAP, 0,
                   0, LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE | LR_LOADTRANSPARENT));
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(memoryDc, label);
    BitBlt(windowDc, 5, 5, 50, 12, memoryDc, 0, 0, SRCCOPY);
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
    programInstance = instance;  // the kit's controls belong to it
    font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY,
                       FF_MODERN | VARIABLE_PITCH, kFontFace);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELMOR));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "BAREMAIN";
    RegisterClassExA(&windowClass);
    CreateWindowExA(0, "BAREMAIN", kTitle, kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    kMainWidth, kMainHeight, nullptr, nullptr, instance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
