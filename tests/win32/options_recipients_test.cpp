// The Options dialog's recipient list: which entry it opens on, typing that changes the
// current entry at once, and names and texts cut at their byte limits.
#include <gtest/gtest.h>

#include <string>

#include "settings/recipients.h"
#include "settings/settings.h"
#include "tests/support/test_files.h"
#include "tests/win32/options_fixture.h"

TEST_F(OptionsDialogTest, OpensOnTheCurrentRecipientAndKeepsItWhenNoItemIsSelected)
{
    writeSample();
    openMainWindow();
    runOptions([](const User& user) {
        user.pick(2);
        EXPECT_EQ(currentRecipient, 2);
        EXPECT_EQ(user.text(kAddress), "kana@example.jp");
        EXPECT_EQ(user.text(kLimit), "30.5");
        user.click(kCancel);
    });
    // The next opening shows the same entry in all three places.
    runOptions([](const User& user) {
        EXPECT_EQ(SendMessageA(user.at(kCombo), CB_GETCURSEL, 0, 0), 2);
        EXPECT_EQ(user.text(kCombo), cp932("ｶﾅ名"));
        EXPECT_EQ(user.text(kAddress), "kana@example.jp");
        EXPECT_EQ(user.text(kLimit), "30.5");
        // A selection change that reports no item leaves the current entry as it is.
        user.pick(-1);
        EXPECT_EQ(currentRecipient, 2);
        EXPECT_EQ(user.text(kAddress), "kana@example.jp");
        user.typeName("Kana");
        EXPECT_EQ(recipients[2].name, "Kana");
        user.click(kCancel);
    });
    EXPECT_EQ(recipients[0].name, cp932("花子"));
}

TEST_F(OptionsDialogTest, TypingChangesTheCurrentEntryAtOnceAndCancelKeepsIt)
{
    writeSample();
    openMainWindow();
    const std::string iniBefore = fileBytes("velmor.ini");
    const std::string listBefore = fileBytes("ToName.dat");
    runOptions([](const User& user) {
        user.pick(1);
        EXPECT_EQ(user.text(kAddress), "boss@example.jp");
        EXPECT_EQ(user.text(kLimit), "250");

        user.typeName(cp932("部長"));
        EXPECT_EQ(recipients[1].name, cp932("部長"));
        EXPECT_EQ(user.listItem(1), cp932("部長"));
        EXPECT_EQ(SendMessageA(user.at(kCombo), CB_GETCOUNT, 0, 0), 5);
        EXPECT_EQ(SendMessageA(user.at(kCombo), CB_GETCURSEL, 0, 0), 1);
        user.type(kAddress, "bucho@example.jp");
        EXPECT_EQ(recipients[1].address, "bucho@example.jp");
        user.type(kLimit, "120");
        EXPECT_EQ(recipients[1].charLimit, 120);
        user.type(kLimit, "x");
        EXPECT_EQ(recipients[1].charLimit, 0);
        user.type(kLimit, "140");

        // Typing in the middle of the name keeps the caret where it was (in characters).
        SendMessageA(user.at(kCombo), CB_SETEDITSEL, 0, MAKELPARAM(1, 1));
        SendMessageA(user.comboEdit(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("X"));
        EXPECT_EQ(recipients[1].name, cp932("部") + "X" + cp932("長"));
        DWORD selection = static_cast<DWORD>(SendMessageA(user.at(kCombo), CB_GETEDITSEL, 0, 0));
        EXPECT_EQ(LOWORD(selection), 2);
        EXPECT_EQ(HIWORD(selection), 2);
        user.typeName(cp932("部長"));
        user.click(kCancel);
    });
    EXPECT_EQ(recipients[1].name, cp932("部長"));
    EXPECT_EQ(recipients[1].address, "bucho@example.jp");
    EXPECT_EQ(recipients[1].charLimit, 140);
    EXPECT_EQ(recipients[0].name, cp932("花子"));
    EXPECT_EQ(settings.toName, cp932("花子"));
    EXPECT_EQ(settings.toAddress, "hanako@example.ne.jp");
    EXPECT_EQ(settings.charLimit, 50);
    EXPECT_EQ(windowText(window_), "To " + cp932("花子"));
    EXPECT_EQ(fileBytes("velmor.ini"), iniBefore);
    EXPECT_EQ(fileBytes("ToName.dat"), listBefore);

    // The change shows at the next opening, and a later registration writes it.
    runOptions([](const User& user) {
        EXPECT_EQ(user.listItem(1), cp932("部長"));
        EXPECT_EQ(user.text(kCombo), cp932("部長"));
        EXPECT_EQ(user.text(kAddress), "bucho@example.jp");
        EXPECT_EQ(user.text(kLimit), "140");
        user.click(kRegister);
    });
    EXPECT_NE(fileBytes("ToName.dat").find(cp932("部長") + ",bucho@example.jp,140\r\n"),
              std::string::npos);
    EXPECT_EQ(settings.toName, cp932("部長"));
    EXPECT_EQ(windowText(window_), "To " + cp932("部長"));
}

TEST_F(OptionsDialogTest, NamesAndTextsAreCutAtTheirByteLimits)
{
    openMainWindow();
    const std::string longName = std::string(253, 'n') + cp932("長");  // 255 bytes
    const std::string longText(300, 't');
    runOptions([&](const User& user) {
        user.typeName(longName);
        // 254 bytes would end inside the last character.
        EXPECT_EQ(recipients[0].name, std::string(253, 'n'));
        user.type(kSmtpServer, longText);
        user.type(kAddress, longText);
        EXPECT_EQ(recipients[0].address, std::string(256, 't'));
        user.click(kUseOnce);
    });
    EXPECT_EQ(settings.smtpServer.str(), std::string(255, 't'));
    EXPECT_EQ(settings.toAddress.str(), std::string(255, 't'));
}
