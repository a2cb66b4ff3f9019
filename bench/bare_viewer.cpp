// The floor of the Log viewer benchmark: a bare window with one button where the Main window has
// its Log button; a click on it shows a bare EDIT of the viewer's style, font and size in a
// window of the viewer's size, given the text of send-log.dat, and nothing else.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr int kLogButton = 1001;
constexpr DWORD kLogBoxStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                               ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN;
constexpr char kFontFace[] = "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N";  // "ＭＳ Ｐゴシック"

HINSTANCE instance;
HFONT viewerFont;

void showLog(HWND owner)
{
    std::ifstream in("send-log.dat", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    HWND viewer = CreateWindowExA(0, "BAREVIEWER", "View", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 281, 353, owner, nullptr, instance, nullptr);
    HWND box = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", kLogBoxStyle, 2, 2, 270, 285, viewer,
                               nullptr, instance, nullptr);
    SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(viewerFont), 0);
    SetWindowTextA(box, text.c_str());
    ShowWindow(viewer, SW_SHOW);
}

LRESULT CALLBACK bareMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kLogButton && HIWORD(wParam) == BN_CLICKED)
            showLog(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void registerClass(const char* name, WNDPROC procedure)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name;
    RegisterClassExA(&windowClass);
}

}  // namespace

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int)
{
    instance = module;
    viewerFont = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY,
                             FF_MODERN | VARIABLE_PITCH, kFontFace);
    registerClass("BAREMAIN", bareMainProc);
    registerClass("BAREVIEWER", DefWindowProcA);
    HWND main = CreateWindowExA(0, "BAREMAIN", "bare", WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
                                CW_USEDEFAULT, CW_USEDEFAULT, 163, 286, nullptr, nullptr, instance,
                                nullptr);
    CreateWindowExA(0, "BUTTON", "LogFile", WS_CHILD | WS_VISIBLE, 41, 215, 36, 36, main,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLogButton)), instance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DeleteObject(viewerFont);
    return 0;
}
