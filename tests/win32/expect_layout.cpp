// The layout read-back.
#include "tests/win32/expect_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "tests/support/test_files.h"
#include "tests/win32/shell_fixture.h"

void expectLayout(HWND window, std::span<const ControlSpec> expected, HFONT font, int withoutFont,
                  int dpi)
{
    HWND child = GetWindow(window, GW_CHILD);
    for (const ControlSpec& want : expected) {
        SCOPED_TRACE(want.id);
        ASSERT_NE(child, nullptr) << "fewer controls than the layout has";
        EXPECT_EQ(GetDlgCtrlID(child), want.id);
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        EXPECT_EQ(lstrcmpiA(name, want.className), 0) << name;
        EXPECT_EQ(textOf(child), cp932(want.caption));
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(child, GWL_EXSTYLE)), want.exStyle);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(child, GWL_STYLE)), want.style);
        RECT bounds;
        GetWindowRect(child, &bounds);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&bounds), 2);
        EXPECT_EQ(bounds.left, MulDiv(want.x, dpi, 96));
        EXPECT_EQ(bounds.top, MulDiv(want.y, dpi, 96));
        EXPECT_EQ(bounds.right - bounds.left, MulDiv(want.width, dpi, 96));
        EXPECT_EQ(bounds.bottom - bounds.top, MulDiv(want.height, dpi, 96));
        if (want.id != withoutFont) {
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)), font);
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more controls than the layout has";
}

void expectMainImages(HWND window, int dpi)
{
    for (int id = 1000; id <= 1003; ++id) {
        LRESULT face = SendDlgItemMessageA(window, id, BM_GETIMAGE, IMAGE_ICON, 0);
        EXPECT_EQ(iconSide(reinterpret_cast<HICON>(face)), MulDiv(32, dpi, 96)) << id;
    }
    BITMAP help = {};
    GetObjectA(reinterpret_cast<HBITMAP>(SendDlgItemMessageA(window, 1007, STM_GETIMAGE, 0, 0)),
               sizeof help, &help);
    EXPECT_EQ(help.bmWidth, MulDiv(32, dpi, 96));
    EXPECT_EQ(help.bmHeight, MulDiv(16, dpi, 96));
    // At 96 DPI the class's own icons, at another the window's.
    LRESULT big = SendMessageA(window, WM_GETICON, ICON_BIG, 0);
    LRESULT small = SendMessageA(window, WM_GETICON, ICON_SMALL, 0);
    EXPECT_EQ(iconSide(reinterpret_cast<HICON>(big)), dpi == 96 ? 0 : MulDiv(32, dpi, 96));
    EXPECT_EQ(iconSide(reinterpret_cast<HICON>(small)), dpi == 96 ? 0 : MulDiv(16, dpi, 96));
    // "Subject:" stretches across the label, 50 x 12 at (5, 5).
    int left = INT_MAX, right = -1;
    HDC dc = GetDC(window);
    for (int y = 0; y < MulDiv(24, dpi, 96); ++y) {
        for (int x = 0; x < MulDiv(100, dpi, 96); ++x) {
            COLORREF pixel = GetPixel(dc, x, y);
            if (std::abs(GetRValue(pixel) - GetBValue(pixel)) > 60) {  // orange or blue-violet
                EXPECT_TRUE(y >= MulDiv(5, dpi, 96) && y < MulDiv(17, dpi, 96)) << x << "," << y;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ReleaseDC(window, dc);
    EXPECT_GE(left, MulDiv(5, dpi, 96));
    EXPECT_LT(right, MulDiv(55, dpi, 96));
    EXPECT_GT(right - left, MulDiv(40, dpi, 96));
}
