// The Main window: its eight controls, its creation and its window procedure.
#pragma once

#include <windows.h>

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The last step of the Main window's creation, which its first paint does not need: the
// tooltips, whose five windows would delay that paint. The message loop runs it once, when the
// window and its controls are painted.
void finishMainWindow();
