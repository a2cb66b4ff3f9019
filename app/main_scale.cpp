// The Main window's layout and images at its DPI.
#include "app/main_scale.h"

#include <initializer_list>

#include "app/failure_tooltip.h"
#include "app/main_layout.h"
#include "app/main_window.h"
#include "app/resource_ids.h"
#include "kit/appearance.h"
#include "kit/controls.h"
#include "kit/dpi.h"
#include "kit/program.h"

namespace {

// Both images of one icon for dpi: not shared, as the system shares one image a resource. Those
// they replace are destroyed; the last ones live as long as the program. Until the window has
// icons of its own, those of its class, the 100 % images, serve at 100 %.
void showWindowIcons(HWND window, int dpi)
{
    if (imageScaleIndex(dpi) == 0 && !SendMessageA(window, WM_GETICON, ICON_BIG, 0))
        return;
    for (WPARAM which : {ICON_BIG, ICON_SMALL}) {
        HICON icon = loadProgramIcon(IDI_VELMOR, which == ICON_BIG ? kIconSide : kSmallIconSide,
                                     dpi, 0);
        LRESULT replaced = SendMessageA(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
        if (replaced)
            DestroyIcon(reinterpret_cast<HICON>(replaced));
    }
}

}  // namespace

void createMainControls(HWND window)
{
    fitWindowToDpi(window, kMainWidth, kMainHeight, kMainStyle, 0);
    mainWindowDpi = createControlsAtWindowDpi(window, kMainControls, mainFont, kMainFontHeight);
}

void showHelpFace(HWND window, int dpi)
{
    helpBitmap = loadProgramBitmap(IDB_HELP, dpi, LR_DEFAULTSIZE);
    SendDlgItemMessageA(window, kHelpButton, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(helpBitmap));
}

void showButtonFaces(HWND window, int dpi)
{
    for (int i = 0; i < 4; ++i) {
        HICON icon = loadProgramIcon(kButtonIcons[i], kIconSide, dpi, LR_SHARED);
        SendDlgItemMessageA(window, kOptionsButton + i, BM_SETIMAGE, IMAGE_ICON,
                            reinterpret_cast<LPARAM>(icon));
    }
    showWindowIcons(window, dpi);
}

void onMainDpiChanged(HWND window, WPARAM wParam, LPARAM lParam)
{
    int dpi = relayControlsOut(window, kMainControls, mainFont, kMainFontHeight, wParam, lParam);
    mainWindowDpi = dpi;
    HBITMAP previousFace = helpBitmap;
    showHelpFace(window, dpi);
    DeleteObject(previousFace);
    showButtonFaces(window, dpi);
    refitTooltips(window, 1);
    refitStatusTooltip();
    // The Subject label is painted, not a control: drawn again in its new place and size.
    InvalidateRect(window, nullptr, TRUE);
}
