// Start-up steps and the message loop.
#include "app/startup.h"

#include <commctrl.h>

#include "app/main_window.h"
#include "app/message_texts.h"
#include "app/resource_ids.h"
#include "app/shell_state.h"
#include "settings/recipients.h"

HINSTANCE programInstance;
HFONT mainFont;
HFONT optionsFont;
HFONT viewerFont;
HBRUSH faceBrush;

namespace {

constexpr char kFontFace[] = "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N";  // "ＭＳ Ｐゴシック"
constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
constexpr DWORD kMainStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
constexpr int kMainWidth = 163;
constexpr int kMainHeight = 286;

HFONT createProgramFont(int height)
{
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY,
                       FF_MODERN | VARIABLE_PITCH, kFontFace);
}

void registerClass(const char* name, WNDPROC procedure, HICON icon, HICON smallIcon)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = kClassStyle;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = programInstance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = smallIcon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = faceBrush;
    windowClass.lpszClassName = name;
    RegisterClassExA(&windowClass);
}

}  // namespace

void prepareProgram(HINSTANCE instance)
{
    programInstance = instance;
    // The Options slider and the tooltips are common controls; their classes must exist
    // before the first window needs them.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    mainFont = createProgramFont(-13);
    optionsFont = createProgramFont(-13);
    viewerFont = createProgramFont(-12);
    faceBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));

    registerClass(kDialogClassName, DefWindowProcA, LoadIconA(nullptr, IDI_APPLICATION),
                  LoadIconA(nullptr, IDI_WINLOGO));
    messageText.clear();
    messageSubject.clear();
    messageBody.clear();
    for (RecipientEntry& entry : recipients) {
        entry.name.clear();
        entry.address.clear();
    }
    HICON appIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELMOR));
    registerClass(kMainClassName, mainWindowProc, appIcon, appIcon);
}

HWND createMainWindow()
{
    return CreateWindowExA(0, kMainClassName, "velmor", kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           kMainWidth, kMainHeight, nullptr, nullptr, programInstance, nullptr);
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
