// The program's instance, fonts, brush and window classes.
#include "kit/program.h"

#include <commctrl.h>

HINSTANCE programInstance;
HFONT mainFont;
HFONT optionsFont;
HFONT viewerFont;
HBRUSH faceBrush;
HWND mainWindow;

namespace {

constexpr char kFontFace[] = "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N";  // "ＭＳ Ｐゴシック"
constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;

HFONT createProgramFont(int height)
{
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY,
                       FF_MODERN | VARIABLE_PITCH, kFontFace);
}

}  // namespace

void createProgramObjects(HINSTANCE instance)
{
    programInstance = instance;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    mainFont = createProgramFont(-13);
    optionsFont = createProgramFont(-13);
    viewerFont = createProgramFont(-12);
    faceBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
}

void deleteProgramObjects()
{
    DeleteObject(mainFont);
    DeleteObject(optionsFont);
    DeleteObject(viewerFont);
    DeleteObject(faceBrush);
}

void registerWindowClass(const char* name, WNDPROC procedure, HICON icon, HICON smallIcon)
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
