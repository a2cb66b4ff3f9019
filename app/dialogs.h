// The modal windows the Main window opens, by the names its buttons use.
#pragma once

#include <windows.h>

// Opens the dialog named dialogName ("Opt" or "View"; compared exactly) owned by owner through
// the dialog host, and returns the code given to closeDialog. Any other name opens nothing and
// returns 0.
int runDialog(HWND owner, const char* dialogName);
