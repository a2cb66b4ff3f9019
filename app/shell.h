// The shell operations that portable parts of the program call; the Windows build links the
// real ones, native tests a recording stand-in.
#pragma once

#include "common/text.h"

// Shows text in the Main window's status line and repaints it at once, so that each step of a
// blocking send is visible while it runs.
void showStatus(Text text);

// Sends WM_CLOSE to the Main window: the one way the program ends.
void closeMainWindow();
