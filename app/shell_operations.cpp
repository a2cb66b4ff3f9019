// The shell operations on the real Main window. The send procedure calls them on its worker
// thread: each is a message sent to the window, which its own thread handles while the worker
// waits, so the texts appear in order and no window is touched from the worker.
#include "send/shell_operations.h"

#include "app/send_runner.h"
#include "kit/program.h"

void showStatus(Text text)
{
    SendMessageA(mainWindow, kShowStatusMessage, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void showFailureDetail(Text detail)
{
    SendMessageA(mainWindow, kFailureDetailMessage, 0, reinterpret_cast<LPARAM>(detail.c_str()));
}

void closeMainWindow() { SendMessageA(mainWindow, kCloseMessage, 0, 0); }
