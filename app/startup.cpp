// Start-up steps and the message loop.
#include "app/startup.h"

#include "app/main_layout.h"
#include "app/main_window.h"
#include "app/resource_ids.h"
#include "kit/dialog_host.h"
#include "kit/dpi.h"
#include "kit/program.h"
#include "message/message_texts.h"
#include "settings/recipients.h"

void prepareProgram(HINSTANCE instance)
{
    createProgramObjects(instance);
    registerDialogClass();
    messageText.clear();
    messageSubject.clear();
    messageBody.clear();
    for (RecipientEntry& entry : recipients) {
        entry.name.clear();
        entry.address.clear();
    }
    HICON appIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELMOR));
    registerWindowClass(kMainClassName, mainWindowProc, appIcon, appIcon);
}

HWND createMainWindow()
{
    // Sized for the system DPI, which it most likely opens at; its creation fits it to its own.
    PixelSize size = outerSizeForDpi(kMainWidth, kMainHeight, kMainStyle, 0, systemDpi());
    return CreateWindowExA(0, kMainClassName, "velmor", kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           size.width, size.height, nullptr, nullptr, programInstance, nullptr);
}

void runMessageLoop()
{
    MSG message;
    bool finished = false;
    for (;;) {
        // The queue is first empty once the Main window and its controls are painted (Wine also
        // puts them on the screen then): only now what their first paint does not need.
        if (!finished && !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            finishMainWindow();
            finished = true;
        }
        if (GetMessageA(&message, nullptr, 0, 0) <= 0)
            break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
