// The Main window fixture.
#include "tests/win32/shell_fixture.h"

#include <vector>

#include "app/main_window.h"
#include "app/startup.h"
#include "kit/dialog_host.h"
#include "kit/program.h"
#include "message/message_texts.h"
#include "settings/recipients.h"
#include "settings/settings.h"

void MainWindowTest::SetUp()
{
    ScratchFolderTest::SetUp();
    settings = Settings();
    recipients = {};
    currentRecipient = 0;
    prepareProgram(GetModuleHandleA(nullptr));
}

void MainWindowTest::TearDown()
{
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
    pumpMessages();
    UnregisterClassA(kMainClassName, programInstance);
    UnregisterClassA(kDialogClassName, programInstance);
    settings = Settings();
    messageText.clear();
    messageSubject.clear();
    messageBody.clear();
    ScratchFolderTest::TearDown();
}

HWND MainWindowTest::openMainWindow()
{
    window_ = createMainWindow();
    UpdateWindow(window_);
    pumpMessages();
    finishMainWindow();  // as the program's message loop does once the window is painted
    return window_;
}

bool MainWindowTest::pumpMessages()
{
    MSG message;
    // Bounded: a window that kept posting to itself must not hang the test.
    for (int i = 0; i < 10000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (message.message == WM_QUIT) {
            quitCode = message.wParam;
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

std::string MainWindowTest::windowText(HWND window) const
{
    int length = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data());
}

std::string MainWindowTest::controlText(int id) const { return windowText(control(id)); }

void MainWindowTest::setEditorText(const std::string& text)
{
    // A multi-line editor reports no EN_CHANGE for WM_SETTEXT; replacing the selection is
    // what typing and pasting do.
    SendMessageA(control(1004), EM_SETSEL, 0, -1);
    SendMessageA(control(1004), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    pumpMessages();
}

int iconSide(HICON icon)
{
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return 0;
    BITMAP image = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof image, &image);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return image.bmWidth;
}

std::string textOf(HWND window)
{
    char text[512] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_BLOCK, 5000, nullptr);
    return text;
}

HWND waitForWindow(const char* className, const char* title)
{
    constexpr int kWaitMs = 10000;
    for (int waited = 0; waited < kWaitMs; waited += 20) {
        HWND found = FindWindowA(className, title);
        if (found && IsWindowVisible(found))
            return found;
        Sleep(20);
    }
    return nullptr;
}
