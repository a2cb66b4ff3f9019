// One check of a window's controls against the layout written out in a test: the same read-back
// for the Main window, the Options dialog and the Log viewer.
#pragma once

#include <windows.h>

#include <span>

#include "kit/controls.h"

// Expects window's child windows, in z-order and no more, to be the rows of expected: each with
// its identifier, class (in any case), caption (UTF-8 in the row, code page 932 on screen),
// styles, place and size in window's client area, and font, except for the control
// withoutFont, which draws no text and keeps no font although it is given one. The rows are at
// 96 DPI; at another dpi each place and size is MulDiv(value, dpi, 96). May run on a thread
// other than window's.
void expectLayout(HWND window, std::span<const ControlSpec> expected, HFONT font,
                  int withoutFont = 0, int dpi = 96);

// Expects the Main window to show the images drawn for the display scale of dpi, none stretched
// to it: the button faces, the Help face, the window's icons (at 96 DPI the class's) and the
// "Subject:" label in its place.
void expectMainImages(HWND window, int dpi);
