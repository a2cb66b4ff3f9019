// The shell operations on the real Main window.
#include "send/shell_operations.h"

#include "app/main_window.h"
#include "kit/program.h"

namespace {

// Paint messages only: input stays queued, so nothing can start while a send blocks.
constexpr int kMaxPaintMessages = 32;

}  // namespace

void showStatus(Text text)
{
    HWND status = GetDlgItem(mainWindow, kStatusLine);
    SetWindowTextA(status, text.c_str());
    UpdateWindow(status);
    // Handing pending paint messages out also lets a composing window system (and Wine's X11
    // driver) put what was painted on the screen while the thread goes on blocking.
    MSG message;
    for (int i = 0; i < kMaxPaintMessages &&
                    PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT);
         ++i)
        DispatchMessageA(&message);
}

void closeMainWindow() { SendMessageA(mainWindow, WM_CLOSE, 0, 0); }
