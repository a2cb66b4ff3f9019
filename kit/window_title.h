// Window titles built from a recipient name.
#pragma once

#include <windows.h>

#include "common/text.h"

// Titles window "To " and the name, cut to 255 bytes without splitting a character.
void setRecipientTitle(HWND window, Text name);
