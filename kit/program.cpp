// The program's instance, fonts, brush and window classes.
#include "kit/program.h"

#include <commctrl.h>

#include "kit/dpi.h"

HINSTANCE programInstance;
HFONT mainFont;
HFONT optionsFont;
HFONT viewerFont;
HBRUSH faceBrush;
HWND mainWindow;
int mainWindowDpi = kDefaultDpi;

namespace {

constexpr char kFontFace[] = "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N";  // "ＭＳ Ｐゴシック"
constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;

}  // namespace

HFONT createProgramFont(int height96, int dpi)
{
    return CreateFontA(scaleFontHeightForDpi(height96, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                       FALSE, SHIFTJIS_CHARSET, OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS,
                       DRAFT_QUALITY, FF_MODERN | VARIABLE_PITCH, kFontFace);
}

void fitFontToDpi(HFONT& font, int height96, int dpi)
{
    LOGFONTA made = {};
    int height = scaleFontHeightForDpi(height96, dpi);
    if (GetObjectA(font, sizeof made, &made) && made.lfHeight == height)
        return;
    DeleteObject(font);
    font = createProgramFont(height96, dpi);
}

HICON loadProgramIcon(int id, int side96, int dpi, UINT flags)
{
    int side = scaledImageSide(side96, dpi);
    return static_cast<HICON>(LoadImageA(programInstance, MAKEINTRESOURCEA(scaledImageId(id, dpi)),
                                         IMAGE_ICON, side, side, flags));
}

HBITMAP loadProgramBitmap(int id, int dpi, UINT flags)
{
    return static_cast<HBITMAP>(LoadImageA(programInstance,
                                           MAKEINTRESOURCEA(scaledImageId(id, dpi)), IMAGE_BITMAP,
                                           0, 0, flags));
}

void createProgramObjects(HINSTANCE instance)
{
    programInstance = instance;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    // The DPI the Main window most likely opens at; a window shown at another DPI makes its own.
    int dpi = systemDpi();
    mainFont = createProgramFont(kMainFontHeight, dpi);
    optionsFont = createProgramFont(kOptionsFontHeight, dpi);
    viewerFont = createProgramFont(kViewerFontHeight, dpi);
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
