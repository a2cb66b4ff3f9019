// The shell operations that the send procedure calls: a small interface that the Windows shell
// implements on the real Main window (app/shell_operations.cpp) and the native tests with a
// recording stand-in, so that the procedure needs nothing of the shell to build.
#pragma once

#include "common/text.h"

// Shows text in the Main window's status line and repaints it at once. Called from the thread
// the send runs on; returns once the line shows it, so the steps appear in order.
void showStatus(Text text);

// Shows why the send failed as the status line's tooltip, in the user's reach without a change
// to what the line says; an empty text removes it. Called from the thread the send runs on.
void showFailureDetail(Text detail);

// Closes the Main window, the one way the program ends; asked during a send, once the send has
// ended.
void closeMainWindow();
