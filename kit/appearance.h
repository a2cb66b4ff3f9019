// How the Main window looks: translucency, centring and tooltips.
#pragma once

#include <windows.h>

// Makes the Main window layered with the alpha the Settings ask for; where the system has no
// SetLayeredWindowAttributes the window stays opaque and untouched.
void applyTranslucency();

// Moves window to the middle of the primary screen, keeping its size.
void centerOnDesktop(HWND window);

// Attaches a tooltip window showing text to control.
void addTooltip(HWND control, UINT toolId, const char* text);

// Gives the tools toolId of window's tooltips the client areas their controls have now (each
// tool keeps the one it was attached with): after the controls were laid out again.
void refitTooltips(HWND window, UINT toolId);
