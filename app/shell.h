// The shell operations that other parts of the program call.
#pragma once

#include <windows.h>

#include "common/text.h"

// Shows text in the Main window's status line and repaints it at once, so that each step of a
// blocking send is visible while it runs.
void showStatus(Text text);

// Titles window "To " and the name, cut to 255 bytes without splitting a character.
void setRecipientTitle(HWND window, Text name);
