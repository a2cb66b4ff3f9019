// The send on a worker thread.
#include "app/send_runner.h"

#include "app/main_window.h"
#include "common/dll_function.h"
#include "kit/program.h"
#include "send/send_procedure.h"

namespace {

// "メール送信中": what Windows shows beside the program when a shutdown waits for the send.
constexpr wchar_t kShutdownReason[] = L"\u30e1\u30fc\u30eb\u9001\u4fe1\u4e2d";
// The worker's last act is to post its end, so it is gone a moment later; the bound only
// keeps a broken worker from hanging the window.
constexpr DWORD kWorkerEndMs = 5000;

using ShutdownReasonCreate = BOOL(WINAPI*)(HWND, LPCWSTR);
using ShutdownReasonDestroy = BOOL(WINAPI*)(HWND);

// The send as the Main window's thread sees it; read and written on that thread only.
struct SendState {
    bool running = false;
    bool closeWhenDone = false;
    HANDLE worker = nullptr;
};

SendState currentSend;

DWORD WINAPI sendOnWorker(void*)
{
    sendCurrentMessage();
    PostMessageA(mainWindow, kSendFinishedMessage, 0, 0);
    return 0;
}

// Windows before Vista have no shutdown reasons.
void holdShutdown(bool hold)
{
    if (hold) {
        if (auto create = user32Function<ShutdownReasonCreate>("ShutdownBlockReasonCreate"))
            create(mainWindow, kShutdownReason);
    } else if (auto destroy = user32Function<ShutdownReasonDestroy>("ShutdownBlockReasonDestroy")) {
        destroy(mainWindow);
    }
}

}  // namespace

void startSend()
{
    if (currentSend.running)
        return;
    currentSend = SendState{true, false, nullptr};
    EnableWindow(mainWindow, FALSE);
    holdShutdown(true);
    currentSend.worker = CreateThread(nullptr, 0, sendOnWorker, nullptr, 0, nullptr);
    if (!currentSend.worker) {
        // No thread to be had: the send blocks the window as it always did, rather than fail.
        sendCurrentMessage();
        finishSend();
    }
}

bool sendRunning() { return currentSend.running; }

void requestClose()
{
    if (currentSend.running)
        currentSend.closeWhenDone = true;
    else
        SendMessageA(mainWindow, WM_CLOSE, 0, 0);
}

void finishSend()
{
    if (!currentSend.running)
        return;
    if (currentSend.worker) {
        WaitForSingleObject(currentSend.worker, kWorkerEndMs);
        CloseHandle(currentSend.worker);
    }
    const bool close = currentSend.closeWhenDone;
    currentSend = SendState();
    holdShutdown(false);
    EnableWindow(mainWindow, TRUE);
    if (close)
        SendMessageA(mainWindow, WM_CLOSE, 0, 0);
    else
        SetFocus(editorWindow);
}
