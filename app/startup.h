// Start-up of the program: the drawing objects, the two window classes and the Main window.
#pragma once

#include <windows.h>

constexpr char kMainClassName[] = "NORMAL0";

// Creates the three fonts and the face brush, makes the common controls' classes available,
// registers "NORMALDLG" and "NORMAL0" and clears the program-wide texts.
void prepareProgram(HINSTANCE instance);

// Creates the Main window; its creation reads the settings and the recipient list.
HWND createMainWindow();

// The message loop; returns when WM_QUIT arrives or GetMessageA fails. Once the Main window is
// first painted, it finishes the window (finishMainWindow).
void runMessageLoop();
