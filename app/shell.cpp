// The shell operations on the real Main window.
#include "app/shell.h"

#include "app/message_parts.h"
#include "app/shell_state.h"
#include "app/window_title.h"

void showStatus(Text text)
{
    HWND status = GetDlgItem(mainWindow, kStatusLine);
    SetWindowTextA(status, text.c_str());
    UpdateWindow(status);
}

void closeMainWindow() { SendMessageA(mainWindow, WM_CLOSE, 0, 0); }

void setRecipientTitle(HWND window, Text name)
{
    SetWindowTextA(window, recipientTitle(name).c_str());
}
