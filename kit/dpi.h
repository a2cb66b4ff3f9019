// The DPI a window is shown at, and its outer size there. The manifest declares the program
// per-monitor aware: each window is laid out for the DPI of the monitor it is on. Where the
// system has no DPI per window (before Windows 10 1607), that is the system DPI.
#pragma once

#include <windows.h>

#include "kit/dpi_scale.h"

// The system DPI: that of the primary monitor when the user signed in.
int systemDpi();

// The DPI window is shown at: GetDpiForWindow where the system has it, else the system DPI.
int windowDpi(HWND window);

// The outer size at dpi of a window of style and exStyle that is width x height at 96 DPI: its
// client area scaled, with the frame and caption of that DPI (AdjustWindowRectExForDpi where the
// system has it).
PixelSize outerSizeForDpi(int width, int height, DWORD style, DWORD exStyle, int dpi);

// Gives window, of style and exStyle and width x height at 96 DPI, its outer size at the DPI it is
// shown at, unless it has that size already, and returns that DPI.
int fitWindowToDpi(HWND window, int width, int height, DWORD style, DWORD exStyle);
