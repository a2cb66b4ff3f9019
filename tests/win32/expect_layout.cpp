// The layout read-back.
#include "tests/win32/expect_layout.h"

#include <gtest/gtest.h>

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
