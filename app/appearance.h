// How the Main window looks and helps: translucency, centring, tooltips and the help file.
#pragma once

#include <windows.h>

// Makes the Main window layered with the alpha the Settings ask for; where the system has no
// SetLayeredWindowAttributes the window stays opaque and untouched.
void applyTranslucency();

// Moves window to the middle of the primary screen, keeping its size.
void centerOnDesktop(HWND window);

// Attaches a tooltip window showing text to control.
void addTooltip(HWND control, UINT toolId, const char* text);

// Asks the shell to open "velmor.chm" from the current directory.
void openHelp();
