// The Log viewer window.
#include "log/log_viewer.h"

#include <string>

#include "common/file.h"
#include "kit/controls.h"
#include "kit/dialog_host.h"
#include "kit/program.h"
#include "kit/window_title.h"
#include "log/send_log.h"
#include "log/viewer_text.h"
#include "settings/settings.h"

HWND logViewerWindow;

namespace {

constexpr int kLogBox = 1004;
constexpr int kCloseButton = 1000;
constexpr DWORD kLogBoxStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                               ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN;
constexpr char kCloseCaption[] = "\x95\xc2 \x82\xb6 \x82\xe9";  // "閉 じ る"
constexpr char kOpenFailed[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8b\x83\x49\x81\x5b\x83\x76\x83\x93\x82\xc9\x8e\xb8\x94\x73";  // "ファイルオープンに失敗"

constexpr ControlSpec kViewerControls[] = {
    {kLogBox, "EDIT", "", WS_EX_CLIENTEDGE, kLogBoxStyle, 2, 2, 270, 285},
    {kCloseButton, "BUTTON", kCloseCaption, 0, WS_CHILD | WS_VISIBLE, 166, 296, 88, 21},
};

void onViewerInit(HWND window)
{
    logViewerWindow = window;
    createControlsAtWindowDpi(window, kViewerControls, viewerFont, kViewerFontHeight);
    loadLogIntoViewer();
}

}  // namespace

void loadLogIntoViewer()
{
    setRecipientTitle(logViewerWindow, settings.toName.str());
    SetClassLongPtrA(logViewerWindow, GCLP_HICONSM, 0);

    File log(kSendLogFileName, FileMode::readShared);
    if (!log.isOpen()) {
        MessageBoxA(logViewerWindow, kOpenFailed, kSendLogFileName, MB_OK | MB_ICONWARNING);
        return;
    }
    ViewerRange range = viewerRange(log.size());
    std::string bytes(range.length, '\0');
    // One read of the whole range; a failed read leaves the zeroed buffer, an empty box.
    if (range.offset == 0 || log.seek(range.offset)) {
        std::int64_t got = log.read(bytes.data(), bytes.size());
        if (got < static_cast<std::int64_t>(bytes.size()))
            bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    log.close();

    Text text = viewerText(bytes, range.offset);
    HWND box = GetDlgItem(logViewerWindow, kLogBox);
    SetWindowTextA(box, text.c_str());
    WPARAM end = static_cast<WPARAM>(text.size());
    SendMessageA(box, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageA(box, EM_LINESCROLL, 0, static_cast<LPARAM>(text.size()));
    SetFocus(box);
}

LRESULT CALLBACK logViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: onViewerInit(window); return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kCloseButton && HIWORD(wParam) == BN_CLICKED)
            closeDialog(window, 0);
        return 0;
    case WM_CLOSE: closeDialog(window, 0); return 0;
    case WM_DPICHANGED:
        relayDialogOut(window, kViewerControls, viewerFont, kViewerFontHeight, wParam, lParam);
        return 0;
    case WM_SIZE:
    case WM_DESTROY: return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
