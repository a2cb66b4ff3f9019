// The Win32 objects that live for the whole run: the module, the fonts, the face brush, and the
// Main window, which the program's other windows reach through it.
#pragma once

#include <windows.h>

extern HINSTANCE programInstance;
extern HFONT mainFont;     // every control of the Main window
extern HFONT optionsFont;  // the Options dialog's controls
extern HFONT viewerFont;   // the Log viewer's controls
extern HBRUSH faceBrush;   // class background of every window class of the program
extern HWND mainWindow;

// Keeps instance as the program's, makes the common controls' classes available (the Options
// slider and the tooltips are common controls, needed before the first window needs them), and
// creates the three fonts and the face brush.
void createProgramObjects(HINSTANCE instance);

// Deletes the fonts and the face brush.
void deleteProgramObjects();

// Registers a window class of the program: redrawn whole on resizing, double clicks reported,
// the arrow cursor and the face brush.
void registerWindowClass(const char* name, WNDPROC procedure, HICON icon, HICON smallIcon);
