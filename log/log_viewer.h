// The Log viewer: send-log.dat in a scrolling text box, scrolled to its end, and a close button.
#pragma once

#include <windows.h>

extern HWND logViewerWindow;

LRESULT CALLBACK logViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Titles the viewer after the recipient and fills its text box from send-log.dat, or says that
// the file cannot be opened.
void loadLogIntoViewer();
