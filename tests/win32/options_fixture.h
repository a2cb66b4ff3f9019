// The Options dialog under Wine, as a user meets it: opened by the Main window's Options button
// on the test thread, while a second thread looks at it, types into it and leaves it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

#include "tests/win32/shell_fixture.h"

// The dialog's controls that the tests use, by group: the buttons, the SMTP and POP accounts,
// the recipients, the look, and the authentication boxes.
enum OptionsControl : int {
    kRegister = 1000, kCancel = 1001, kUseOnce = 1002,
    kSmtpServer = 1004, kFromName = 1016, kFromAddress = 1017, kSmtpPort = 1018,
    kPopServer = 1019, kUserId = 1020, kPassword = 1021, kPopPort = 1022,
    kAddress = 1025, kCombo = 1026, kLimit = 1029,
    kTranslucent = 1031, kOpacity = 1032, kWarnSound = 1033, kSlider = 1034,
    kSmtpAuth = 1040, kApop = 1042, kPopBeforeSmtp = 1043,
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
        SendMessageA(at(kCombo), CB_GETLBTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(name));
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
    void TearDown() override;

    // Clicks the Main window's Options button; use gets the open dialog on a second thread and
    // leaves it. A dialog still open afterwards is closed, so a failing test cannot hang.
    void runOptions(const std::function<void(const User&)>& use);
    // Ends this run of the program and starts the next one in the same folder.
    void restart();
    BYTE mainWindowAlpha() const;

    bool ownerEnabledWhileOpen_ = true;
};

// Expects the open dialog to show the sample account and look: the six account texts, the SMTP
// port, the four flags of the sample, the percent box and the slider.
void expectSampleSettingsShown(const User& user);

// Saves the sample settings and recipients and forgets them again, as a former run would have.
void writeSample();
