// The Options dialog under Wine: opened by the Main window's Options button on the test thread,
// while a second thread looks at it, types into it and leaves it, as a user.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/shell_state.h"
#include "options/options_dialog.h"
#include "settings/recipients.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/support/golden_files.h"
#include "tests/win32/shell_fixture.h"

namespace {

enum : int {
    kRegister = 1000,
    kCancel = 1001,
    kUseOnce = 1002,
    kSmtpServer = 1004,
    kFromName = 1016,
    kFromAddress = 1017,
    kSmtpPort = 1018,
    kPopServer = 1019,
    kUserId = 1020,
    kPassword = 1021,
    kPopPort = 1022,
    kAddress = 1025,
    kCombo = 1026,
    kLimit = 1029,
    kTranslucent = 1031,
    kOpacity = 1032,
    kWarnSound = 1033,
    kSlider = 1034,
    kSmtpAuth = 1040,
    kApop = 1042,
    kPopBeforeSmtp = 1043,
};

// What a user does to the open dialog, from the second thread. Every call is a SendMessage,
// so it has run in the dialog (change handlers included) when it returns.
class User {
public:
    explicit User(HWND dialog) : dialog_(dialog) {}

    HWND at(int id) const { return GetDlgItem(dialog_, id); }
    std::string text(int id) const { return textOf(at(id)); }
    bool checked(int id) const { return SendMessageA(at(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    LRESULT sliderPosition() const { return SendMessageA(at(kSlider), TBM_GETPOS, 0, 0); }

    HWND comboEdit() const
    {
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        GetComboBoxInfo(at(kCombo), &info);
        return info.hwndItem;
    }
    std::string listItem(int index) const
    {
        char name[512] = {};
        SendMessageA(at(kCombo), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name));
        return name;
    }

    // Replaces a box's whole text as typing over a selection does.
    void type(HWND box, const std::string& text) const
    {
        SendMessageA(box, EM_SETSEL, 0, -1);
        SendMessageA(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void type(int id, const std::string& text) const { type(at(id), text); }
    void typeName(const std::string& name) const { type(comboEdit(), name); }

    // A pick in the combo box's list: the list selects the item and tells the dialog.
    void pick(int index) const
    {
        SendMessageA(at(kCombo), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(kCombo, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(at(kCombo)));
    }
    void click(int id) const { SendMessageA(at(id), BM_CLICK, 0, 0); }
    // A key pressed on the focused slider, which moves it and tells the dialog.
    void pressOnSlider(WPARAM key) const
    {
        SendMessageA(at(kSlider), WM_KEYDOWN, key, 0);
        SendMessageA(at(kSlider), WM_KEYUP, key, 0);
    }

    HWND dialog() const { return dialog_; }

private:
    HWND dialog_;
};

class OptionsDialogTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        recipients = {};
        currentRecipient = 0;
        MainWindowTest::TearDown();
    }

    // Clicks the Main window's Options button; use gets the open dialog on a second thread and
    // leaves it. A dialog still open afterwards is closed, so a failing test cannot hang.
    void runOptions(const std::function<void(const User&)>& use)
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

    // Ends this run of the program and starts the next one in the same folder.
    void restart()
    {
        DestroyWindow(window_);
        pumpMessages();
        settings = Settings();
        recipients = {};
        currentRecipient = 0;
        openMainWindow();
    }

    BYTE mainWindowAlpha() const
    {
        BYTE alpha = 0;
        DWORD flags = 0;
        GetLayeredWindowAttributes(window_, nullptr, &alpha, &flags);
        return alpha;
    }

    bool ownerEnabledWhileOpen_ = true;
};

struct ExpectedControl {
    int id;
    const char* className;
    const char* caption;  // UTF-8
    LONG style;
    LONG exStyle;
    int x, y, width, height;
};

// The dialog's controls in creation order, as a user finds them once the empty settings have
// been filled in.
const ExpectedControl kLayout[] = {
    {1005, "Static", "SMTPサーバー", 0x50000000, 0, 21, 25, 100, 12},
    {1006, "Static", "送信元名称", 0x50000000, 0, 20, 45, 100, 12},
    {1008, "Static", "送信元アドレス", 0x50000000, 0, 20, 65, 100, 12},
    {1009, "Static", "ポート番号（25）", 0x50000000, 0, 20, 85, 100, 12},
    {1010, "Static", "POPサーバー", 0x50000000, 0, 19, 209, 100, 12},
    {1011, "Static", "ログインID", 0x50000000, 0, 20, 229, 100, 12},
    {1012, "Static", "パスワード", 0x50000000, 0, 20, 249, 100, 12},
    {1013, "Static", "ポート番号（110）", 0x50000000, 0, 20, 269, 100, 12},
    {1014, "Button", "SMTP設定", 0x50000007, 0, 10, 5, 335, 176},
    {1015, "Button", "POP設定（上記認証に使用します）", 0x50000007, 0, 10, 189, 335, 100},
    {1004, "Edit", "", 0x50000080, WS_EX_CLIENTEDGE, 130, 20, 195, 17},
    {1016, "Edit", "", 0x50000080, WS_EX_CLIENTEDGE, 130, 40, 195, 17},
    {1017, "Edit", "", 0x50000080, WS_EX_CLIENTEDGE, 130, 60, 195, 17},
    {1018, "Edit", "0", 0x50000002, WS_EX_CLIENTEDGE, 130, 80, 50, 17},
    {1019, "Edit", "", 0x50000080, WS_EX_CLIENTEDGE, 130, 205, 195, 17},
    {1020, "Edit", "", 0x50000080, WS_EX_CLIENTEDGE, 130, 224, 195, 17},
    // The mask character, set when the dialog is filled, makes the box a password box.
    {1021, "Edit", "", 0x50000080 | ES_PASSWORD, WS_EX_CLIENTEDGE, 130, 244, 195, 17},
    {1022, "Edit", "110", 0x58000000, WS_EX_CLIENTEDGE, 130, 263, 50, 17},
    {1000, "Button", "設定を登録", 0x50000000, 0, 52, 556, 88, 21},
    {1001, "Button", "キャンセル", 0x50000000, 0, 252, 555, 88, 21},
    {1023, "Static", "送信先名称", 0x50000000, 0, 21, 319, 100, 12},
    {1024, "Static", "送信先アドレス", 0x50000000, 0, 172, 319, 100, 12},
    {1025, "Edit", "", 0x50000080, WS_EX_CLIENTEDGE, 165, 334, 171, 20},
    // The combo box hands WS_VSCROLL on to its list, which shows a scroll bar only when the
    // five names do not fit.
    {1026, "ComboBox", "", 0x50000041, 0, 15, 334, 148, 100},
    {1027, "Button", "送信設定", 0x50000007, 0, 10, 299, 335, 155},
    {1028, "Static", "制限文字数", 0x50000000, 0, 172, 372, 66, 12},
    {1029, "Edit", "0", 0x50000002, WS_EX_CLIENTEDGE, 253, 369, 50, 20},
    {1030, "Static", "（↑自分の携帯アドレス）", 0x50000000, 0, 191, 80, 141, 12},
    {1031, "Button", "透過する", 0x50000003, 0, 21, 489, 70, 15},
    {1032, "Edit", "0", 0x50000002, WS_EX_CLIENTEDGE, 115, 486, 35, 20},
    {1033, "Button", "文字数警告音を出す", 0x50000003, 0, 19, 509, 134, 16},
    {1034, "msctls_trackbar32", "", 0x50000018, 0, 192, 487, 120, 18},
    {1002, "Button", "今回のみ使用", 0x50000000, 0, 152, 556, 88, 21},
    {1035, "Button", "環境設定", 0x50000007, 0, 10, 463, 335, 80},
    {1036, "Static", "%", 0x50000000, 0, 155, 490, 10, 12},
    {1037, "Static", "薄", 0x50000000, 0, 179, 490, 15, 15},
    {1038, "Static", "濃", 0x50000000, 0, 311, 490, 15, 15},
    {1039, "Static", "文字", 0x50000000, 0, 306, 372, 26, 12},
    {1040, "Button", "SMTP-AUTHを使う(セキュリティ高）", 0x50000003, 0, 85, 145, 244, 15},
    {1041, "Static", "優先順位 CRAM-MD5→LOGIN→PLAIN", 0x50000000, 0, 104, 163, 224, 12},
    {1042, "Button", "APOPbeforeSMTPを使う(セキュリティ中)", 0x50000003, 0, 85, 125, 274, 15},
    {1043, "Button", "POP before SMTPを使う(セキュリティ低）", 0x50000003, 0, 85, 105, 245, 15},
    {1044, "Static", "認証設定", 0x50000000, 0, 20, 105, 55, 12},
};

struct SeenControl {
    int id;
    std::string className, caption;
    LONG style, exStyle;
    RECT bounds;
    HFONT font;
};

std::vector<SeenControl> controlsOf(HWND dialog)
{
    std::vector<SeenControl> seen;
    // Bounded: a dialog never has more than a few dozen children.
    for (HWND child = GetWindow(dialog, GW_CHILD); child && seen.size() < 100;
         child = GetWindow(child, GW_HWNDNEXT)) {
        SeenControl control = {};
        control.id = GetDlgCtrlID(child);
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        control.className = name;
        control.caption = textOf(child);
        control.style = GetWindowLongA(child, GWL_STYLE);
        control.exStyle = GetWindowLongA(child, GWL_EXSTYLE);
        GetWindowRect(child, &control.bounds);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&control.bounds), 2);
        control.font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
        seen.push_back(control);
    }
    return seen;
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

}  // namespace

TEST_F(OptionsDialogTest, HasItsWindowAndTheFortyThreeControlsInCreationOrder)
{
    openMainWindow();
    std::vector<SeenControl> seen;
    RECT outer = {};
    LONG style = 0;
    LRESULT smallIcon = 0;
    HWND owner = nullptr;
    runOptions([&](const User& user) {
        seen = controlsOf(user.dialog());
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

    ASSERT_EQ(seen.size(), std::size(kLayout));
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const ExpectedControl& want = kLayout[i];
        const SeenControl& got = seen[i];
        SCOPED_TRACE(want.id);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.caption, cp932(want.caption));
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.exStyle, want.exStyle);
        EXPECT_EQ(got.bounds.left, want.x);
        EXPECT_EQ(got.bounds.top, want.y);
        EXPECT_EQ(got.bounds.right - got.bounds.left, want.width);
        EXPECT_EQ(got.bounds.bottom - got.bounds.top, want.height);
        // The slider draws no text and keeps no font to give back.
        if (want.id != 1034) {
            EXPECT_EQ(got.font, optionsFont);
        }
    }
}

TEST_F(OptionsDialogTest, ShowsTheSettingsAndTheRecipientList)
{
    writeSample();
    openMainWindow();
    runOptions([](const User& user) {
        EXPECT_EQ(user.text(kSmtpServer), "smtp.example.jp");
        EXPECT_EQ(user.text(kFromName), cp932("山田太郎"));
        EXPECT_EQ(user.text(kFromAddress), "taro@example.jp");
        EXPECT_EQ(user.text(kPopServer), "pop.example.jp");
        EXPECT_EQ(user.text(kUserId), "taro");
        EXPECT_EQ(user.text(kPassword), "ab");
        EXPECT_EQ(SendMessageA(user.at(kPassword), EM_GETPASSWORDCHAR, 0, 0), '*');
        EXPECT_EQ(user.text(kPopPort), "110");
        EXPECT_FALSE(IsWindowEnabled(user.at(kPopPort)));
        EXPECT_EQ(user.text(kSmtpPort), "25");

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

        EXPECT_EQ(user.text(kOpacity), "80");
        EXPECT_EQ(SendMessageA(user.at(kSlider), TBM_GETRANGEMIN, 0, 0), 0);
        EXPECT_EQ(SendMessageA(user.at(kSlider), TBM_GETRANGEMAX, 0, 0), 100);
        EXPECT_EQ(user.sliderPosition(), 80);
        EXPECT_EQ(sliderPos, 80);
        // The system under test is neither Windows 9x nor NT 4.
        EXPECT_TRUE(IsWindowEnabled(user.at(kTranslucent)));
        EXPECT_TRUE(IsWindowEnabled(user.at(kOpacity)));
        EXPECT_TRUE(IsWindowEnabled(user.at(kSlider)));
        EXPECT_TRUE(user.checked(kTranslucent));
        EXPECT_FALSE(user.checked(kWarnSound));
        EXPECT_TRUE(user.checked(kPopBeforeSmtp));
        EXPECT_FALSE(user.checked(kApop));
        EXPECT_FALSE(user.checked(kSmtpAuth));
        user.click(kCancel);
    });
}

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
