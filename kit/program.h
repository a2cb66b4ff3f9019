// The Win32 objects that live for the whole run: the module with its images, the fonts, the face
// brush, and the Main window, which the program's other windows reach through it.
#pragma once

#include <windows.h>

#include "kit/dpi_scale.h"

extern HINSTANCE programInstance;
extern HFONT mainFont;     // every control of the Main window
extern HFONT optionsFont;  // the Options dialog's controls
extern HFONT viewerFont;   // the Log viewer's controls
extern HBRUSH faceBrush;   // class background of every window class of the program
extern HWND mainWindow;
extern int mainWindowDpi;  // the DPI the Main window is laid out for

// The fonts' heights at 96 DPI; each font is made for the DPI of the window that shows it.
constexpr int kMainFontHeight = -13;
constexpr int kOptionsFontHeight = -13;
constexpr int kViewerFontHeight = -12;

// The sides of the program's icons at 96 DPI: the large image (a button face, the title of a
// dialog) and the small one (the Main window's title).
constexpr int kIconSide = 32;
constexpr int kSmallIconSide = 16;

// Keeps instance as the program's, makes the common controls' classes available (the Options
// slider and the tooltips are common controls, needed before the first window needs them), and
// creates the three fonts, at the system DPI, and the face brush.
void createProgramObjects(HINSTANCE instance);

// Deletes the fonts and the face brush.
void deleteProgramObjects();

// The program's font ("ＭＳ Ｐゴシック") of height96 at 96 DPI, made for dpi.
HFONT createProgramFont(int height96, int dpi);

// Replaces font by the program's font of height96 made for dpi, deleting the old one, unless it
// is that font already. For a font that no window uses at the time.
void fitFontToDpi(HFONT& font, int height96, int dpi);

// The program's icon id as drawn for the display scale nearest to dpi, at its side there (side96
// at 96 DPI), loaded with flags (LoadImageA's). With LR_SHARED it is never destroyed, but the
// system keeps one image a resource, whatever size is asked for later: only for an icon always
// loaded at the same size.
HICON loadProgramIcon(int id, int side96, int dpi, UINT flags);

// The program's bitmap id as drawn for the display scale nearest to dpi, at its own size, loaded
// with flags (LoadImageA's).
HBITMAP loadProgramBitmap(int id, int dpi, UINT flags);

// Registers a window class of the program: redrawn whole on resizing, double clicks reported,
// the arrow cursor and the face brush.
void registerWindowClass(const char* name, WNDPROC procedure, HICON icon, HICON smallIcon);
