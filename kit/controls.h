// Child controls created from a table, the way the layout is specified: one row a control, which
// anyone can check against the layout line by line.
#pragma once

#include <windows.h>

#include <span>

struct ControlSpec {
    int id;
    const char* className;
    const char* caption;
    DWORD exStyle;
    DWORD style;
    int x, y, width, height;  // in the parent's client area
};

// Creates the table's controls as children of parent in the table's order, which is also their
// z-order and tab order, and gives each one font.
void createControls(HWND parent, std::span<const ControlSpec> table, HFONT font);
