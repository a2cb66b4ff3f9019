// The shell operations that the send procedure calls: a small interface that the Windows shell
// implements on the real Main window (app/shell_operations.cpp) and the native tests with a
// recording stand-in, so that the procedure needs nothing of the shell to build.
#pragma once

#include "common/text.h"

// Shows text in the Main window's status line and repaints it at once, so that each step of a
// blocking send is visible while it runs.
void showStatus(Text text);

// Sends WM_CLOSE to the Main window: the one way the program ends.
void closeMainWindow();
