// The Options dialog's boxes that hold to rules while the user edits: the number boxes, the
// percent box and the slider moving together, and the three authentication check boxes.
#include <gtest/gtest.h>

#include <string>

#include "options/options_dialog.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/golden_files.h"
#include "tests/win32/options_fixture.h"

TEST_F(OptionsDialogTest, NumberBoxesStopTakingTypingAtTheirRightEdge)
{
    openMainWindow();
    runOptions([](const User& user) {
        for (int id : {kSmtpPort, kLimit, kOpacity, kAddress}) {
            user.type(id, "");
            for (int i = 0; i < 60; ++i)
                SendMessageA(user.at(id), WM_CHAR, '8', 0);
        }
        for (int id : {kSmtpPort, kLimit, kOpacity}) {
            SCOPED_TRACE(id);
            std::size_t typed = user.text(id).size();
            EXPECT_GT(typed, 0u);
            EXPECT_LT(typed, 20u);
        }
        EXPECT_EQ(user.text(kAddress), std::string(60, '8'));
        user.click(kCancel);
    });
}

TEST_F(OptionsDialogTest, ThePercentBoxAndTheSliderMoveTogether)
{
    openMainWindow();
    runOptions([](const User& user) {
        user.type(kOpacity, "150");
        EXPECT_EQ(user.sliderPosition(), 100);
        EXPECT_EQ(user.text(kOpacity), "150");
        user.type(kOpacity, "-5");
        EXPECT_EQ(user.sliderPosition(), 0);
        user.type(kOpacity, "42");
        EXPECT_EQ(user.sliderPosition(), 42);
        user.type(kOpacity, "abc");
        EXPECT_EQ(user.sliderPosition(), 0);
        EXPECT_EQ(sliderPos, 0);

        user.pressOnSlider(VK_END);  // to the right end, "濃"
        EXPECT_EQ(user.text(kOpacity), "100");
        EXPECT_EQ(user.sliderPosition(), 100);
        user.pressOnSlider(VK_HOME);  // to the left end, "薄"
        EXPECT_EQ(user.text(kOpacity), "0");
        user.pressOnSlider(VK_RIGHT);
        EXPECT_EQ(user.text(kOpacity), "1");

        user.type(kOpacity, "150");
        user.click(kUseOnce);
    });
    EXPECT_EQ(settings.opacity, 150);
}

TEST_F(OptionsDialogTest, OpacityZeroLeavesTheMainWindowFullyTransparent)
{
    fillSampleSettings();
    saveSettings();
    openMainWindow();
    EXPECT_EQ(mainWindowAlpha(), 204);
    runOptions([](const User& user) {
        user.pressOnSlider(VK_HOME);
        EXPECT_EQ(user.text(kOpacity), "0");
        user.click(kUseOnce);
    });
    EXPECT_EQ(settings.opacity, 0);
    EXPECT_EQ(mainWindowAlpha(), 0);
}

TEST_F(OptionsDialogTest, AClickOnAnAuthBoxMakesItTheOnlyOneChecked)
{
    openMainWindow();
    runOptions([](const User& user) {
        auto state = [&] {
            return std::string(user.checked(kPopBeforeSmtp) ? "P" : "-") +
                   (user.checked(kApop) ? "A" : "-") + (user.checked(kSmtpAuth) ? "S" : "-");
        };
        EXPECT_EQ(state(), "---");
        user.click(kSmtpAuth);
        EXPECT_EQ(state(), "--S");
        user.click(kSmtpAuth);  // clicking the checked box leaves it checked
        EXPECT_EQ(state(), "--S");
        user.click(kApop);
        EXPECT_EQ(state(), "-A-");
        user.click(kPopBeforeSmtp);
        EXPECT_EQ(state(), "P--");
        user.click(kPopBeforeSmtp);
        EXPECT_EQ(state(), "P--");
        // The other two check boxes toggle freely.
        user.click(kTranslucent);
        user.click(kWarnSound);
        EXPECT_TRUE(user.checked(kTranslucent));
        EXPECT_TRUE(user.checked(kWarnSound));
        user.click(kWarnSound);
        EXPECT_FALSE(user.checked(kWarnSound));
        user.click(kUseOnce);
    });
    EXPECT_EQ(settings.popBeforeSmtp, 1);
    EXPECT_EQ(settings.apopBeforeSmtp, 0);
    EXPECT_EQ(settings.smtpAuth, 0);
    EXPECT_EQ(settings.translucent, 1);
    EXPECT_EQ(settings.warnSound, 0);
}

TEST_F(OptionsDialogTest, TwoAuthFlagsFromTheFileStayUntilTheThirdIsClicked)
{
    fillSampleSettings();
    settings.apopBeforeSmtp = 1;
    saveSettings();
    openMainWindow();
    runOptions([](const User& user) {
        EXPECT_TRUE(user.checked(kPopBeforeSmtp));
        EXPECT_TRUE(user.checked(kApop));
        user.click(kPopBeforeSmtp);
        user.click(kApop);
        EXPECT_TRUE(user.checked(kPopBeforeSmtp));
        EXPECT_TRUE(user.checked(kApop));
        EXPECT_FALSE(user.checked(kSmtpAuth));
        user.click(kSmtpAuth);
        EXPECT_FALSE(user.checked(kPopBeforeSmtp));
        EXPECT_FALSE(user.checked(kApop));
        EXPECT_TRUE(user.checked(kSmtpAuth));
        user.click(kCancel);
    });
    EXPECT_EQ(settings.popBeforeSmtp, 1);
    EXPECT_EQ(settings.apopBeforeSmtp, 1);
    EXPECT_EQ(settings.smtpAuth, 0);
}
