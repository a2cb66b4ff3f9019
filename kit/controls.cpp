// Controls from a table.
#include "kit/controls.h"

#include "kit/program.h"

void createControls(HWND parent, std::span<const ControlSpec> table, HFONT font)
{
    for (const ControlSpec& c : table) {
        HWND control = CreateWindowExA(c.exStyle, c.className, c.caption, c.style, c.x, c.y,
                                       c.width, c.height, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                       programInstance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    }
}
