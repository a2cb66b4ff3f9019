// Controls from a table.
#include "kit/controls.h"

#include "kit/dpi.h"
#include "kit/program.h"

namespace {

struct Place {
    int x, y, width, height;
};

Place placeAtDpi(const ControlSpec& c, int dpi)
{
    return {scaleForDpi(c.x, dpi), scaleForDpi(c.y, dpi), scaleForDpi(c.width, dpi),
            scaleForDpi(c.height, dpi)};
}

}  // namespace

void createControls(HWND parent, std::span<const ControlSpec> table, HFONT font, int dpi)
{
    for (const ControlSpec& c : table) {
        Place place = placeAtDpi(c, dpi);
        HWND control = CreateWindowExA(c.exStyle, c.className, c.caption, c.style, place.x,
                                       place.y, place.width, place.height, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                       programInstance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    }
}

int createControlsAtWindowDpi(HWND window, std::span<const ControlSpec> table, HFONT& font,
                              int fontHeight96)
{
    int dpi = windowDpi(window);
    fitFontToDpi(font, fontHeight96, dpi);
    createControls(window, table, font, dpi);
    return dpi;
}

void placeControls(HWND parent, std::span<const ControlSpec> table, HFONT font, int dpi)
{
    for (const ControlSpec& c : table) {
        Place place = placeAtDpi(c, dpi);
        HWND control = GetDlgItem(parent, c.id);
        SetWindowPos(control, nullptr, place.x, place.y, place.width, place.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

int relayControlsOut(HWND window, std::span<const ControlSpec> table, HFONT& font,
                     int fontHeight96, WPARAM wParam, LPARAM lParam)
{
    int dpi = HIWORD(wParam);
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    HFONT previous = font;
    font = createProgramFont(fontHeight96, dpi);
    placeControls(window, table, font, dpi);
    DeleteObject(previous);
    return dpi;
}
