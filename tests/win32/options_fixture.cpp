// The Options dialog fixture.
#include "tests/win32/options_fixture.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/main_window.h"
#include "options/options_dialog.h"
#include "settings/recipients.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/golden_files.h"
#include "tests/support/test_files.h"

void OptionsDialogTest::TearDown()
{
    recipients = {};
    currentRecipient = 0;
    MainWindowTest::TearDown();
}

void OptionsDialogTest::runOptions(const std::function<void(const User&)>& use)
{
    bool opened = false;
    std::thread user([&] {
        HWND dialog = waitForWindow("NORMALDLG", "Options");
        opened = dialog != nullptr;
        if (!dialog)
            return;
        // The host disables the owner right after it shows the dialog.
        for (int i = 0; i < 100 && IsWindowEnabled(window_); ++i)
            Sleep(10);
        ownerEnabledWhileOpen_ = IsWindowEnabled(window_) != FALSE;
        use(User(dialog));
        if (IsWindow(dialog))
            PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    SendMessageA(control(kOptionsButton), BM_CLICK, 0, 0);
    user.join();
    pumpMessages();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(IsWindow(optionsWindow));
    EXPECT_TRUE(IsWindowEnabled(window_));
}

void OptionsDialogTest::restart()
{
    DestroyWindow(window_);
    pumpMessages();
    settings = Settings();
    recipients = {};
    currentRecipient = 0;
    openMainWindow();
}

BYTE OptionsDialogTest::mainWindowAlpha() const
{
    BYTE alpha = 0;
    DWORD flags = 0;
    GetLayeredWindowAttributes(window_, nullptr, &alpha, &flags);
    return alpha;
}

void expectSampleSettingsShown(const User& user)
{
    EXPECT_EQ(user.text(kSmtpServer), "smtp.example.jp");
    EXPECT_EQ(user.text(kFromName), cp932("山田太郎"));
    EXPECT_EQ(user.text(kFromAddress), "taro@example.jp");
    EXPECT_EQ(user.text(kPopServer), "pop.example.jp");
    EXPECT_EQ(user.text(kUserId), "taro");
    EXPECT_EQ(user.text(kPassword), "ab");
    EXPECT_EQ(user.text(kSmtpPort), "25");
    EXPECT_TRUE(user.checked(kPopBeforeSmtp));
    EXPECT_FALSE(user.checked(kApop));
    EXPECT_FALSE(user.checked(kSmtpAuth));
    EXPECT_TRUE(user.checked(kTranslucent));
    EXPECT_FALSE(user.checked(kWarnSound));
    EXPECT_EQ(user.text(kOpacity), "80");
    EXPECT_EQ(user.sliderPosition(), 80);
}

void writeSample()
{
    fillSampleSettings();
    saveSettings();
    fillSampleRecipients();
    saveRecipients();
    settings = Settings();
    recipients = {};
}
