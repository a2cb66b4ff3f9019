// The Main window at the DPI it is shown at: its layout, scaled from its 96-DPI figures, the
// images drawn for that scale, and all of it again when the DPI changes (the window moved to a
// monitor of another scale, or the user changed the scale).
#pragma once

#include <windows.h>

// Fits the window to the DPI it is shown at, keeps that DPI in mainWindowDpi and creates the
// eight controls in their places there, with the Main window's font made for it.
void createMainControls(HWND window);

// Shows the help button's face drawn for dpi (kept in helpBitmap).
void showHelpFace(HWND window, int dpi);

// Shows the four buttons' faces drawn for dpi, and gives the window its icons for dpi unless
// its class's icons (the 100 % ones) serve.
void showButtonFaces(HWND window, int dpi);

// WM_DPICHANGED (wParam, lParam): the window takes the suggested rectangle and lays itself out
// again at the new DPI: its controls, a new font (the old one deleted), its images and the places
// of its tooltips. What the editor holds, its selection and the counter stay as they are.
void onMainDpiChanged(HWND window, WPARAM wParam, LPARAM lParam);
