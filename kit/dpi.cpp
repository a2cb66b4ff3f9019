// Window DPI and sizes.
#include "kit/dpi.h"

#include "common/dll_function.h"

namespace {

// Looked up at run time, so that the program still starts on systems older than Windows 10.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// The frame and caption around the client area of a window of style at dpi.
PixelSize frameSize(DWORD style, DWORD exStyle, int dpi)
{
    RECT rect = {0, 0, 0, 0};
    auto adjustForDpi =
        user32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    if (adjustForDpi)
        adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
    else
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

int systemDpi()
{
    if (auto getDpiForSystem = user32Function<GetDpiForSystemFunction>("GetDpiForSystem"))
        return static_cast<int>(getDpiForSystem());
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

int windowDpi(HWND window)
{
    auto getDpiForWindow = user32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    int dpi = getDpiForWindow ? static_cast<int>(getDpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : systemDpi();
}

PixelSize outerSizeForDpi(int width, int height, DWORD style, DWORD exStyle, int dpi)
{
    if (dpi == kDefaultDpi)
        return {width, height};
    return scaledOuterSize({width, height}, frameSize(style, exStyle, kDefaultDpi),
                           frameSize(style, exStyle, dpi), dpi);
}

int fitWindowToDpi(HWND window, int width, int height, DWORD style, DWORD exStyle)
{
    int dpi = windowDpi(window);
    PixelSize size = outerSizeForDpi(width, height, style, exStyle, dpi);
    RECT outer;
    GetWindowRect(window, &outer);
    if (outer.right - outer.left != size.width || outer.bottom - outer.top != size.height)
        SetWindowPos(window, nullptr, 0, 0, size.width, size.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return dpi;
}
