// The Options dialog as it opens: its window, its forty-three controls, and the settings and
// recipients it shows.
#include <gtest/gtest.h>

#include "kit/program.h"
#include "options/options_dialog.h"
#include "tests/support/test_files.h"
#include "tests/win32/expect_layout.h"
#include "tests/win32/options_fixture.h"
#include "tests/win32/window_layouts.h"

TEST_F(OptionsDialogTest, HasItsWindowAndTheFortyThreeControlsInCreationOrder)
{
    openMainWindow();
    RECT outer = {};
    LONG style = 0;
    LRESULT smallIcon = 0;
    HWND owner = nullptr;
    runOptions([&](const User& user) {
        // The slider draws no text and keeps no font to give back.
        expectLayout(user.dialog(), kOptionsLayout, optionsFont, 1034);
        GetWindowRect(user.dialog(), &outer);
        style = GetWindowLongA(user.dialog(), GWL_STYLE);
        smallIcon = SendMessageA(user.dialog(), WM_GETICON, ICON_SMALL, 0);
        owner = GetWindow(user.dialog(), GW_OWNER);
        user.click(kCancel);
    });
    EXPECT_EQ(outer.right - outer.left, 360);
    EXPECT_EQ(outer.bottom - outer.top, 625);
    EXPECT_EQ(style & ~WS_CLIPSIBLINGS, WS_VISIBLE | 0x00C80000);
    EXPECT_NE(smallIcon, 0);
    EXPECT_EQ(owner, window_);
    EXPECT_FALSE(ownerEnabledWhileOpen_);
}

TEST_F(OptionsDialogTest, ShowsTheSettingsAndTheRecipientList)
{
    writeSample();
    openMainWindow();
    runOptions([](const User& user) {
        expectSampleSettingsShown(user);
        EXPECT_EQ(SendMessageA(user.at(kPassword), EM_GETPASSWORDCHAR, 0, 0), '*');
        EXPECT_EQ(user.text(kPopPort), "110");
        EXPECT_FALSE(IsWindowEnabled(user.at(kPopPort)));

        ASSERT_EQ(SendMessageA(user.at(kCombo), CB_GETCOUNT, 0, 0), 5);
        EXPECT_EQ(user.listItem(0), cp932("花子"));
        EXPECT_EQ(user.listItem(1), "Boss");
        EXPECT_EQ(user.listItem(2), cp932("ｶﾅ名"));
        EXPECT_EQ(user.listItem(3), "");
        EXPECT_EQ(user.listItem(4), "Boss");
        EXPECT_EQ(SendMessageA(user.at(kCombo), CB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(user.text(kCombo), cp932("花子"));
        EXPECT_EQ(user.text(kAddress), "hanako@example.ne.jp");
        EXPECT_EQ(user.text(kLimit), "50");

        EXPECT_EQ(SendMessageA(user.at(kSlider), TBM_GETRANGEMIN, 0, 0), 0);
        EXPECT_EQ(SendMessageA(user.at(kSlider), TBM_GETRANGEMAX, 0, 0), 100);
        EXPECT_EQ(sliderPos, 80);
        // The system under test is neither Windows 9x nor NT 4.
        EXPECT_TRUE(IsWindowEnabled(user.at(kTranslucent)));
        EXPECT_TRUE(IsWindowEnabled(user.at(kOpacity)));
        EXPECT_TRUE(IsWindowEnabled(user.at(kSlider)));
        user.click(kCancel);
    });
}
