// The Options dialog: the account, the five recipients and the Main window's look, edited in one
// modal window opened by the dialog host.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/text.h"

extern HWND optionsWindow;    // the dialog, kept after it is destroyed
extern HWND recipientCombo;   // its recipient combo box
extern std::uint8_t sliderPos;  // the opacity slider position the dialog last set

LRESULT CALLBACK optionsDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The name of the running Windows version, as the dialog's translucency rule knows it.
Text osName();
