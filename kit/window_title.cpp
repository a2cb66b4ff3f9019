// Window titles.
#include "kit/window_title.h"

#include "message/message_parts.h"

void setRecipientTitle(HWND window, Text name)
{
    SetWindowTextA(window, recipientTitle(name).c_str());
}
