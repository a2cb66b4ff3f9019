// showStatus and setRecipientTitle.
#include "app/shell.h"

#include "app/message_parts.h"
#include "app/shell_state.h"

void showStatus(Text text)
{
    HWND status = GetDlgItem(mainWindow, kStatusLine);
    SetWindowTextA(status, text.c_str());
    UpdateWindow(status);
}

void setRecipientTitle(HWND window, Text name)
{
    SetWindowTextA(window, recipientTitle(name).c_str());
}
