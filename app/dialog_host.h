// The host of the program's modal windows: opens one by its dialog name over its owner and runs
// it in a message loop of its own until the window calls closeDialog.
#pragma once

#include <windows.h>

// Opens the dialog named dialogName ("Opt" or "View"; compared exactly) owned by owner, disables the
// owner while it runs, and returns the code given to closeDialog. Any other name opens nothing
// and returns 0.
int runDialog(HWND owner, const char* dialogName);

// Enables window's owner again, destroys window and ends its runDialog with code.
void closeDialog(HWND window, int code);
