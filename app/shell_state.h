// The Win32 objects that live for the whole run: fonts, the face brush, the module and the
// Main window with the controls other windows reach through it.
#pragma once

#include <windows.h>

extern HINSTANCE programInstance;
extern HFONT mainFont;     // every control of the Main window
extern HFONT optionsFont;  // the Options dialog's controls
extern HFONT viewerFont;   // the Log viewer's controls
extern HBRUSH faceBrush;   // class background of both window classes
extern HWND mainWindow;
extern HWND editorWindow;  // control 1004 of the Main window
extern HBITMAP helpBitmap; // shown by control 1007

// Control identifiers of the Main window.
enum MainControl : int {
    kOptionsButton = 1000,
    kLogButton = 1001,
    kSendButton = 1002,
    kExitButton = 1003,
    kEditor = 1004,
    kSubjectLine = 1005,
    kStatusLine = 1006,
    kHelpButton = 1007,
};
