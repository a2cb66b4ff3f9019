// The Options dialog window: its controls, built from a table, and the handlers that keep the
// Recipient list, the opacity slider and the authentication boxes in step while the user edits.
#include "options/options_dialog.h"

#include <commctrl.h>

#include <string>

#include "common/number_text.h"
#include "kit/appearance.h"
#include "kit/command_table.h"
#include "kit/controls.h"
#include "kit/dialog_host.h"
#include "kit/program.h"
#include "kit/window_title.h"
#include "options/options_logic.h"
#include "settings/recipients.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

HWND optionsWindow;
HWND recipientCombo;
std::uint8_t sliderPos;

namespace {

enum OptionsControl : int {
    kRegisterButton = 1000,
    kCancelButton = 1001,
    kUseOnceButton = 1002,
    kSmtpServerBox = 1004,
    kFromNameBox = 1016,
    kFromAddressBox = 1017,
    kSmtpPortBox = 1018,
    kPopServerBox = 1019,
    kUserIdBox = 1020,
    kPasswordBox = 1021,
    kPopPortBox = 1022,
    kRecipientAddressBox = 1025,
    kRecipientCombo = 1026,
    kLimitBox = 1029,
    kTranslucentCheck = 1031,
    kOpacityBox = 1032,
    kWarnSoundCheck = 1033,
    kOpacitySlider = 1034,
    kSmtpAuthCheck = 1040,
    kApopCheck = 1042,
    kPopBeforeSmtpCheck = 1043,
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabelStyle = kChild | SS_LEFT;
constexpr DWORD kGroupStyle = kChild | BS_GROUPBOX;
constexpr DWORD kPushStyle = kChild | BS_PUSHBUTTON;
constexpr DWORD kCheckStyle = kChild | BS_AUTOCHECKBOX;
constexpr DWORD kTextBoxStyle = kChild | ES_AUTOHSCROLL;
constexpr DWORD kNumberBoxStyle = kChild | ES_RIGHT;  // no scrolling: typing stops at the right edge
constexpr DWORD kFixedBoxStyle = kChild | WS_DISABLED;
constexpr DWORD kComboStyle = kChild | WS_VSCROLL | CBS_SIMPLE | CBS_AUTOHSCROLL;
constexpr DWORD kSliderStyle = kChild | TBS_HORZ | TBS_BOTH | TBS_NOTICKS;
constexpr DWORD kEdge = WS_EX_CLIENTEDGE;

// In creation order, which is also the z-order.
constexpr ControlSpec kControls[] = {
    {1005, "STATIC", "SMTP\x83T\x81[\x83o\x81[", 0, kLabelStyle, 21, 25, 100, 12},  // "SMTPサーバー"
    {1006, "STATIC", "\x91\x97\x90M\x8c\xb3\x96\xbc\x8f\xcc", 0, kLabelStyle, 20, 45, 100, 12},  // "送信元名称"
    {1008, "STATIC", "\x91\x97\x90M\x8c\xb3\x83" "A\x83h\x83\x8c\x83X", 0, kLabelStyle, 20, 65, 100, 12},  // "送信元アドレス"
    {1009, "STATIC", "\x83|\x81[\x83g\x94\xd4\x8d\x86\x81i25\x81j", 0, kLabelStyle, 20, 85, 100, 12},  // "ポート番号（25）"
    {1010, "STATIC", "POP\x83T\x81[\x83o\x81[", 0, kLabelStyle, 19, 209, 100, 12},  // "POPサーバー"
    {1011, "STATIC", "\x83\x8d\x83O\x83" "C\x83\x93ID", 0, kLabelStyle, 20, 229, 100, 12},  // "ログインID"
    {1012, "STATIC", "\x83p\x83X\x83\x8f\x81[\x83h", 0, kLabelStyle, 20, 249, 100, 12},  // "パスワード"
    {1013, "STATIC", "\x83|\x81[\x83g\x94\xd4\x8d\x86\x81i110\x81j", 0, kLabelStyle, 20, 269, 100, 12},  // "ポート番号（110）"
    {1014, "BUTTON", "SMTP\x90\xdd\x92\xe8", 0, kGroupStyle, 10, 5, 335, 176},  // "SMTP設定"
    {1015, "BUTTON",
     "POP\x90\xdd\x92\xe8\x81i\x8f\xe3\x8bL\x94" "F\x8f\xd8\x82\xc9\x8eg\x97p\x82\xb5\x82\xdc\x82\xb7\x81j",
     0, kGroupStyle, 10, 189, 335, 100},  // "POP設定（上記認証に使用します）"
    {kSmtpServerBox, "EDIT", "", kEdge, kTextBoxStyle, 130, 20, 195, 17},
    {kFromNameBox, "EDIT", "", kEdge, kTextBoxStyle, 130, 40, 195, 17},
    {kFromAddressBox, "EDIT", "", kEdge, kTextBoxStyle, 130, 60, 195, 17},
    {kSmtpPortBox, "EDIT", "", kEdge, kNumberBoxStyle, 130, 80, 50, 17},
    {kPopServerBox, "EDIT", "", kEdge, kTextBoxStyle, 130, 205, 195, 17},
    {kUserIdBox, "EDIT", "", kEdge, kTextBoxStyle, 130, 224, 195, 17},
    {kPasswordBox, "EDIT", "", kEdge, kTextBoxStyle, 130, 244, 195, 17},
    {kPopPortBox, "EDIT", "110", kEdge, kFixedBoxStyle, 130, 263, 50, 17},
    {kRegisterButton, "BUTTON", "\x90\xdd\x92\xe8\x82\xf0\x93o\x98^", 0, kPushStyle, 52, 556, 88, 21},  // "設定を登録"
    {kCancelButton, "BUTTON", "\x83L\x83\x83\x83\x93\x83Z\x83\x8b", 0, kPushStyle, 252, 555, 88, 21},  // "キャンセル"
    {1023, "STATIC", "\x91\x97\x90M\x90\xe6\x96\xbc\x8f\xcc", 0, kLabelStyle, 21, 319, 100, 12},  // "送信先名称"
    {1024, "STATIC", "\x91\x97\x90M\x90\xe6\x83" "A\x83h\x83\x8c\x83X", 0, kLabelStyle, 172, 319, 100, 12},  // "送信先アドレス"
    {kRecipientAddressBox, "EDIT", "", kEdge, kTextBoxStyle, 165, 334, 171, 20},
    {kRecipientCombo, "COMBOBOX", "", 0, kComboStyle, 15, 334, 148, 100},
    {1027, "BUTTON", "\x91\x97\x90M\x90\xdd\x92\xe8", 0, kGroupStyle, 10, 299, 335, 155},  // "送信設定"
    {1028, "STATIC", "\x90\xa7\x8c\xc0\x95\xb6\x8e\x9a\x90\x94", 0, kLabelStyle, 172, 372, 66, 12},  // "制限文字数"
    {kLimitBox, "EDIT", "", kEdge, kNumberBoxStyle, 253, 369, 50, 20},
    {1030, "STATIC", "\x81i\x81\xaa\x8e\xa9\x95\xaa\x82\xcc\x8cg\x91\xd1\x83" "A\x83h\x83\x8c\x83X\x81j",
     0, kLabelStyle, 191, 80, 141, 12},  // "（↑自分の携帯アドレス）"
    {kTranslucentCheck, "BUTTON", "\x93\xa7\x89\xdf\x82\xb7\x82\xe9", 0, kCheckStyle, 21, 489, 70, 15},  // "透過する"
    {kOpacityBox, "EDIT", "", kEdge, kNumberBoxStyle, 115, 486, 35, 20},
    {kWarnSoundCheck, "BUTTON", "\x95\xb6\x8e\x9a\x90\x94\x8cx\x8d\x90\x89\xb9\x82\xf0\x8fo\x82\xb7",
     0, kCheckStyle, 19, 509, 134, 16},  // "文字数警告音を出す"
    {kOpacitySlider, TRACKBAR_CLASSA, "", 0, kSliderStyle, 192, 487, 120, 18},
    {kUseOnceButton, "BUTTON", "\x8d\xa1\x89\xf1\x82\xcc\x82\xdd\x8eg\x97p", 0, kPushStyle, 152, 556, 88, 21},  // "今回のみ使用"
    {1035, "BUTTON", "\x8a\xc2\x8b\xab\x90\xdd\x92\xe8", 0, kGroupStyle, 10, 463, 335, 80},  // "環境設定"
    {1036, "STATIC", "%", 0, kLabelStyle, 155, 490, 10, 12},
    {1037, "STATIC", "\x94\x96", 0, kLabelStyle, 179, 490, 15, 15},  // "薄"
    {1038, "STATIC", "\x94Z", 0, kLabelStyle, 311, 490, 15, 15},     // "濃"
    {1039, "STATIC", "\x95\xb6\x8e\x9a", 0, kLabelStyle, 306, 372, 26, 12},  // "文字"
    {kSmtpAuthCheck, "BUTTON",
     "SMTP-AUTH\x82\xf0\x8eg\x82\xa4(\x83Z\x83L\x83\x85\x83\x8a\x83" "e\x83" "B\x8d\x82\x81j",
     0, kCheckStyle, 85, 145, 244, 15},  // "SMTP-AUTHを使う(セキュリティ高）"
    {1041, "STATIC", "\x97" "D\x90\xe6\x8f\x87\x88\xca CRAM-MD5\x81\xa8LOGIN\x81\xa8PLAIN",
     0, kLabelStyle, 104, 163, 224, 12},  // "優先順位 CRAM-MD5→LOGIN→PLAIN"
    {kApopCheck, "BUTTON",
     "APOPbeforeSMTP\x82\xf0\x8eg\x82\xa4(\x83Z\x83L\x83\x85\x83\x8a\x83" "e\x83" "B\x92\x86)",
     0, kCheckStyle, 85, 125, 274, 15},  // "APOPbeforeSMTPを使う(セキュリティ中)"
    {kPopBeforeSmtpCheck, "BUTTON",
     "POP before SMTP\x82\xf0\x8eg\x82\xa4(\x83Z\x83L\x83\x85\x83\x8a\x83" "e\x83" "B\x92\xe1\x81j",
     0, kCheckStyle, 85, 105, 245, 15},  // "POP before SMTPを使う(セキュリティ低）"
    {1044, "STATIC", "\x94" "F\x8f\xd8\x90\xdd\x92\xe8", 0, kLabelStyle, 20, 105, 55, 12},  // "認証設定"
};

// The longest line a number box or, while the dialog is open, the address box gives.
constexpr std::size_t kLineBytes = 256;
// A recipient's name as the combo box's edit field gives it: a 255-byte buffer with its zero.
constexpr std::size_t kNameBytes = 254;

HWND item(int id) { return GetDlgItem(optionsWindow, id); }

Text windowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int got = GetWindowTextA(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

// Line 0 of a single-line box, at most kLineBytes bytes, never ending inside a character.
Text boxLine(int id)
{
    HWND box = item(id);
    LRESULT length = SendMessageA(box, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return {};
    // EM_GETLINE takes the buffer's size in its first word and writes no terminating zero.
    std::size_t size = static_cast<std::size_t>(length) + 1;
    if (size > 0xffff)
        size = 0xffff;
    std::string line(size < sizeof(WORD) ? sizeof(WORD) : size, '\0');
    *reinterpret_cast<WORD*>(line.data()) = static_cast<WORD>(size);
    LRESULT got = SendMessageA(box, EM_GETLINE, 0, reinterpret_cast<LPARAM>(line.data()));
    line.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return cappedCp932(line, kLineBytes);
}

void setText(int id, const Text& text) { SetWindowTextA(item(id), text.c_str()); }

void setCheck(int id, bool checked)
{
    SendMessageA(item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::int16_t flagOf(int id) { return flagForCheckState(static_cast<long>(SendMessageA(item(id), BM_GETCHECK, 0, 0))); }

void fillRecipientCombo()
{
    SendMessageA(recipientCombo, CB_RESETCONTENT, 0, 0);
    for (const RecipientEntry& entry : recipients)
        SendMessageA(recipientCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
}

// Shows the address and limit of the current entry; each box's change handler writes what it
// shows back into the entry.
void showCurrentRecipient()
{
    const RecipientEntry& entry = recipients[currentRecipient];
    setText(kRecipientAddressBox, entry.address);
    setText(kLimitBox, numberToText(entry.charLimit));
}

void fillOptionsDialog()
{
    SetClassLongPtrA(optionsWindow, GCLP_HICONSM, 0);
    setText(kSmtpServerBox, settings.smtpServer.str());
    setText(kFromNameBox, settings.fromName.str());
    setText(kFromAddressBox, settings.fromAddress.str());
    setText(kPopServerBox, settings.pop3Server.str());
    setText(kUserIdBox, settings.pop3UserId.str());
    SendMessageA(item(kPasswordBox), EM_SETPASSWORDCHAR, '*', 0);
    setText(kPasswordBox, settings.pop3Password.str());

    recipientCombo = item(kRecipientCombo);
    fillRecipientCombo();
    // The list opens on the entry the address and limit boxes show, so that the name, the
    // address and the limit on screen always belong to one recipient.
    SendMessageA(recipientCombo, CB_SETCURSEL, static_cast<WPARAM>(currentRecipient), 0);
    showCurrentRecipient();

    setText(kOpacityBox, numberToText(settings.opacity));
    setCheck(kTranslucentCheck, checkedForFlag(settings.translucent));
    setCheck(kWarnSoundCheck, checkedForFlag(settings.warnSound));
    sliderPos = openingSliderPosition(settings.opacity);
    SendMessageA(item(kOpacitySlider), TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
    SendMessageA(item(kOpacitySlider), TBM_SETPOS, TRUE, sliderPos);
    if (!translucencyOffered(osName())) {
        // The values stay as filled in, so storing writes them back unchanged.
        EnableWindow(item(kTranslucentCheck), FALSE);
        EnableWindow(item(kOpacityBox), FALSE);
        EnableWindow(item(kOpacitySlider), FALSE);
    }
    setCheck(kPopBeforeSmtpCheck, checkedForFlag(settings.popBeforeSmtp));
    setCheck(kApopCheck, checkedForFlag(settings.apopBeforeSmtp));
    setText(kSmtpPortBox, numberToText(settings.smtpPort));
    setCheck(kSmtpAuthCheck, checkedForFlag(settings.smtpAuth));
}

void readOptionsDialog()
{
    settings.smtpServer = windowText(item(kSmtpServerBox));
    settings.fromName = windowText(item(kFromNameBox));
    settings.fromAddress = windowText(item(kFromAddressBox));
    settings.pop3Server = windowText(item(kPopServerBox));
    settings.pop3UserId = windowText(item(kUserIdBox));
    settings.pop3Password = windowText(item(kPasswordBox));
    settings.toName = windowText(recipientCombo);
    setRecipientTitle(mainWindow, settings.toName.str());
    settings.toAddress = windowText(item(kRecipientAddressBox));
    settings.charLimit = textToNumber(boxLine(kLimitBox));
    settings.opacity = truncateToInt32(textToNumber(boxLine(kOpacityBox)));
    settings.translucent = flagOf(kTranslucentCheck);
    settings.warnSound = flagOf(kWarnSoundCheck);
    settings.popBeforeSmtp = flagOf(kPopBeforeSmtpCheck);
    settings.apopBeforeSmtp = flagOf(kApopCheck);
    settings.smtpPort = textToNumber(boxLine(kSmtpPortBox));
    settings.smtpAuth = flagOf(kSmtpAuthCheck);
}

void registerOptions()
{
    readOptionsDialog();
    saveSettings();
    saveRecipients();
    closeDialog(optionsWindow, 0);
}

void useOptionsOnce()
{
    readOptionsDialog();
    closeDialog(optionsWindow, 0);
}

void cancelOptions() { closeDialog(optionsWindow, 0); }

void onRecipientSelected()
{
    LRESULT selected = SendMessageA(recipientCombo, CB_GETCURSEL, 0, 0);
    currentRecipient = recipientAfterSelection(static_cast<long>(selected), currentRecipient);
    showCurrentRecipient();
}

void onRecipientNameEdited()
{
    DWORD selection = static_cast<DWORD>(SendMessageA(recipientCombo, CB_GETEDITSEL, 0, 0));
    RecipientEntry& entry = recipients[currentRecipient];
    entry.name = cappedCp932(windowText(recipientCombo), kNameBytes);
    WPARAM index = static_cast<WPARAM>(currentRecipient);
    SendMessageA(recipientCombo, CB_DELETESTRING, index, 0);
    LRESULT inserted = SendMessageA(recipientCombo, CB_INSERTSTRING, index,
                                    reinterpret_cast<LPARAM>(entry.name.c_str()));
    SendMessageA(recipientCombo, CB_SETCURSEL, static_cast<WPARAM>(inserted), 0);
    SendMessageA(recipientCombo, CB_SETEDITSEL, 0, MAKELPARAM(LOWORD(selection), HIWORD(selection)));
}

void onRecipientAddressEdited() { recipients[currentRecipient].address = boxLine(kRecipientAddressBox); }

void onRecipientLimitEdited() { recipients[currentRecipient].charLimit = textToNumber(boxLine(kLimitBox)); }

void onOpacityTyped()
{
    sliderPos = sliderPositionFor(boxLine(kOpacityBox));
    SendMessageA(item(kOpacitySlider), TBM_SETPOS, TRUE, sliderPos);
}

void onOpacitySlid()
{
    LRESULT position = SendMessageA(item(kOpacitySlider), TBM_GETPOS, 0, 0);
    setText(kOpacityBox, numberToText(static_cast<double>(position)));
}

// A click has already toggled the clicked box; the rule decides what the three show after it.
void onAuthCheckClicked(AuthBox clicked)
{
    AuthChecks toggled;
    toggled.popBeforeSmtp = flagOf(kPopBeforeSmtpCheck) != 0;
    toggled.apopBeforeSmtp = flagOf(kApopCheck) != 0;
    toggled.smtpAuth = flagOf(kSmtpAuthCheck) != 0;
    AuthChecks after = authChecksAfterClick(toggled, clicked);
    setCheck(kPopBeforeSmtpCheck, after.popBeforeSmtp);
    setCheck(kApopCheck, after.apopBeforeSmtp);
    setCheck(kSmtpAuthCheck, after.smtpAuth);
}

void onPopBeforeSmtpClicked() { onAuthCheckClicked(AuthBox::popBeforeSmtp); }
void onApopClicked() { onAuthCheckClicked(AuthBox::apopBeforeSmtp); }
void onSmtpAuthClicked() { onAuthCheckClicked(AuthBox::smtpAuth); }

// Each action runs only for the notification listed for it.
constexpr CommandHandler kOptionsCommands[] = {
    {kRegisterButton, BN_CLICKED, registerOptions},
    {kCancelButton, BN_CLICKED, cancelOptions},
    {kUseOnceButton, BN_CLICKED, useOptionsOnce},
    {kRecipientAddressBox, EN_CHANGE, onRecipientAddressEdited},
    {kRecipientCombo, CBN_SELCHANGE, onRecipientSelected},
    {kRecipientCombo, CBN_EDITCHANGE, onRecipientNameEdited},
    {kLimitBox, EN_CHANGE, onRecipientLimitEdited},
    {kOpacityBox, EN_CHANGE, onOpacityTyped},
    {kSmtpAuthCheck, BN_CLICKED, onSmtpAuthClicked},
    {kApopCheck, BN_CLICKED, onApopClicked},
    {kPopBeforeSmtpCheck, BN_CLICKED, onPopBeforeSmtpClicked},
};

}  // namespace

Text osName()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    return osNameFor(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
}

LRESULT CALLBACK optionsDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        optionsWindow = window;
        createControlsAtWindowDpi(window, kControls, optionsFont, kOptionsFontHeight);
        fillOptionsDialog();
        return 0;
    case WM_COMMAND: dispatchCommand(kOptionsCommands, LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_HSCROLL: onOpacitySlid(); return 0;
    case WM_DPICHANGED:
        relayDialogOut(window, kControls, optionsFont, kOptionsFontHeight, wParam, lParam);
        return 0;
    case WM_CLOSE: cancelOptions(); return 0;
    case WM_DESTROY: applyTranslucency(); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
