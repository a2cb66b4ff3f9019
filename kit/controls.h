// Child controls created from a table, the way the layout is specified: one row a control, which
// anyone can check against the layout line by line. The tables are in pixels at 96 DPI and are
// scaled to the DPI of the window that shows them.
#pragma once

#include <windows.h>

#include <span>

struct ControlSpec {
    int id;
    const char* className;
    const char* caption;
    DWORD exStyle;
    DWORD style;
    int x, y, width, height;  // in the parent's client area, at 96 DPI
};

// Creates the table's controls as children of parent in the table's order, which is also their
// z-order and tab order, each in its place at dpi, and gives each one font.
void createControls(HWND parent, std::span<const ControlSpec> table, HFONT font, int dpi);

// Creates the table's controls as createControls does, at the DPI window is shown at, with font
// made for that DPI first (fontHeight96 at 96 DPI) unless it is made for it already, and returns
// that DPI: a window's layout as it opens.
int createControlsAtWindowDpi(HWND window, std::span<const ControlSpec> table, HFONT& font,
                              int fontHeight96);

// Moves the table's controls of parent to their places at dpi and gives each one font, redrawn:
// the layout again after the window's DPI changed.
void placeControls(HWND parent, std::span<const ControlSpec> table, HFONT font, int dpi);

// WM_DPICHANGED (wParam, lParam) for window, whose controls come from table: the window takes the
// rectangle the system suggests, font is made anew for the new DPI (fontHeight96 at 96 DPI) and
// the controls move to their places there with it before the old font is deleted. Returns the
// new DPI.
int relayControlsOut(HWND window, std::span<const ControlSpec> table, HFONT& font,
                     int fontHeight96, WPARAM wParam, LPARAM lParam);
