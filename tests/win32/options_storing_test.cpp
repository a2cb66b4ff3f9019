// How the Options dialog is left: "設定を登録" writes both files, "今回のみ使用" changes this run
// only, "キャンセル" and the close box keep what was there; flags read back as they are stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "settings/recipients.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/golden_files.h"
#include "tests/support/test_files.h"
#include "tests/win32/options_fixture.h"

TEST_F(OptionsDialogTest, AFlagHoldingTwoOpensUncheckedAndIsStoredAsZero)
{
    std::string values[16];
    std::copy(std::begin(kSampleSettingsValues), std::end(kSampleSettingsValues), values);
    for (int i = 10; i < 15; ++i)
        values[i] = "2";
    writeFileBytes("velmor.ini", settingsFile(values));
    openMainWindow();
    runOptions([](const User& user) {
        for (int id : {kTranslucent, kWarnSound, kPopBeforeSmtp, kApop, kSmtpAuth})
            EXPECT_FALSE(user.checked(id)) << id;
        user.click(kRegister);
    });
    for (int i = 10; i < 15; ++i)
        values[i] = "0";
    // With no recipient file the combo box shows an empty first entry, and that is stored.
    values[6] = values[7] = "";
    values[8] = "0";
    EXPECT_EQ(fileBytes("velmor.ini"), settingsFile(values));
}

TEST_F(OptionsDialogTest, UseOnceChangesTitleAndTranslucencyButWritesNoFile)
{
    writeSample();
    openMainWindow();
    const std::string iniBefore = fileBytes("velmor.ini");
    const std::string listBefore = fileBytes("ToName.dat");
    EXPECT_EQ(mainWindowAlpha(), 204);
    runOptions([](const User& user) {
        user.pick(1);
        user.type(kOpacity, "50");
        user.type(kSmtpServer, "mail.example.com");
        user.click(kUseOnce);
    });
    EXPECT_EQ(windowText(window_), "To Boss");
    EXPECT_EQ(mainWindowAlpha(), 127);
    EXPECT_EQ(settings.toName, "Boss");
    EXPECT_EQ(settings.toAddress, "boss@example.jp");
    EXPECT_EQ(settings.charLimit, 250);
    EXPECT_EQ(settings.smtpServer, "mail.example.com");
    EXPECT_EQ(fileBytes("velmor.ini"), iniBefore);
    EXPECT_EQ(fileBytes("ToName.dat"), listBefore);

    restart();
    EXPECT_EQ(windowText(window_), "To " + cp932("花子"));
    EXPECT_EQ(settings.smtpServer, "smtp.example.jp");
    EXPECT_EQ(mainWindowAlpha(), 204);
}

TEST_F(OptionsDialogTest, CancelAndTheCloseBoxStoreNothing)
{
    writeSample();
    openMainWindow();
    const std::string iniBefore = fileBytes("velmor.ini");
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox);
        runOptions([&](const User& user) {
            user.type(kSmtpServer, "other.example.com");
            user.type(kOpacity, "10");
            user.click(kSmtpAuth);
            if (closeBox)
                SendMessageA(user.dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                user.click(kCancel);
        });
        EXPECT_EQ(settings.smtpServer, "smtp.example.jp");
        EXPECT_EQ(settings.opacity, 80);
        EXPECT_EQ(settings.smtpAuth, 0);
        EXPECT_EQ(mainWindowAlpha(), 204);
    }
    EXPECT_EQ(fileBytes("velmor.ini"), iniBefore);
}

TEST_F(OptionsDialogTest, RegisterWritesBothFilesAndTheNextRunShowsTheSame)
{
    openMainWindow();
    struct Entry {
        std::string name, address, limit;
    };
    const Entry entries[5] = {
        {cp932("花子"), "hanako@example.ne.jp", "50"},
        {"Boss", "boss@example.jp", "250"},
        {cp932("ｶﾅ名"), "kana@example.jp", "30.5"},
        {"", "", "0"},
        {"Boss", "boss@example.jp", "1000"},
    };
    runOptions([&](const User& user) {
        user.type(kSmtpServer, "smtp.example.jp");
        user.type(kFromName, cp932("山田太郎"));
        user.type(kFromAddress, "taro@example.jp");
        user.type(kPopServer, "pop.example.jp");
        user.type(kUserId, "taro");
        user.type(kPassword, "ab");
        user.type(kSmtpPort, "25");
        user.click(kPopBeforeSmtp);
        user.click(kTranslucent);
        user.type(kOpacity, "80");
        for (int i = 4; i >= 0; --i) {
            user.pick(i);
            user.typeName(entries[i].name);
            user.type(kAddress, entries[i].address);
            user.type(kLimit, entries[i].limit);
        }
        user.click(kRegister);
    });
    EXPECT_EQ(fileBytes("velmor.ini"), settingsFile(kSampleSettingsValues));
    EXPECT_EQ(fileBytes("ToName.dat"), sampleRecipientsFile());
    EXPECT_EQ(windowText(window_), "To " + cp932("花子"));

    restart();
    runOptions([&](const User& user) {
        expectSampleSettingsShown(user);
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(user.listItem(i), entries[i].name);
            user.pick(i);
            EXPECT_EQ(user.text(kCombo), entries[i].name);
            EXPECT_EQ(user.text(kAddress), entries[i].address);
            EXPECT_EQ(user.text(kLimit), entries[i].limit);
        }
        user.click(kCancel);
    });
}
