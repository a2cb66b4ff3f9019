// The Send button's send, run on a worker thread so that the Main window keeps taking its
// messages while a slow server thinks: Windows never greys it as not answering, and nobody is
// offered to end the program in the middle of a send. The window stays disabled meanwhile, as
// it was while the send blocked.
#pragma once

#include <windows.h>

// The messages through which the send reaches the Main window's thread; the worker touches no
// window otherwise.
enum SendMessageId : UINT {
    kShowStatusMessage = WM_APP + 1,  // lParam: the status text, valid during the call
    kFailureDetailMessage,            // lParam: why the send failed, or "" for nothing
    kCloseMessage,                    // the procedure asks for the program's end
    kSendFinishedMessage,             // posted as the worker's last act
};

// Starts the send of the editor's message: disables the Main window, asks Windows to hold a
// shutdown back, and runs the send procedure on a worker thread. Ignored while a send runs.
void startSend();

// Whether a send runs: the Main window then refuses to close and a shutdown waits for it.
bool sendRunning();

// kCloseMessage: closes the Main window, or, during a send, once it has ended.
void requestClose();

// kSendFinishedMessage: the worker has ended; the window is enabled again and, when the mail
// went out, closed; after a failure the caret is back in the editor, the message untouched.
void finishSend();
