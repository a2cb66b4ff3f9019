// The Main window: its eight controls, its creation and its window procedure.
#pragma once

#include <windows.h>

// Control identifiers of the Main window, 1000 to 1007 in the order they are created.
enum MainControl : int {
    kOptionsButton = 1000,
    kLogButton,
    kSendButton,
    kExitButton,
    kEditor,
    kSubjectLine,
    kStatusLine,
    kHelpButton,
};

extern HWND editorWindow;   // control kEditor
extern HBITMAP helpBitmap;  // shown by control kHelpButton

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The last step of the Main window's creation, which its first paint does not need: the
// tooltips, whose five windows would delay that paint. The message loop runs it once, when the
// window and its controls are painted.
void finishMainWindow();
