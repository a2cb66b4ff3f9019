// The three windows' layouts, written out.
#include "tests/win32/window_layouts.h"

namespace {

// The Main window's controls in creation order.
const ControlSpec kMainRows[] = {
    {1000, "Button", "Options", 0, 0x50000040, 5, 215, 36, 36},
    {1001, "Button", "LogFile", 0, 0x50000040, 41, 215, 36, 36},
    {1002, "Button", "Send", 0, 0x50000040, 77, 215, 36, 36},
    {1003, "Button", "Exit", 0, 0x50000040, 113, 215, 36, 36},
    {1004, "Edit", "", 0x00000200, 0x50001044, 5, 43, 146, 137},
    {1005, "Static", "", 0x00020000, 0x50000000, 5, 21, 146, 16},
    {1006, "Static", ">Velmor132", 0x00020000, 0x50000000, 5, 192, 146, 17},
    {1007, "Static", "", 0, 0x5000030E, 117, 3, 32, 16},
};

// The Options dialog's controls in creation order, as a user finds them once the empty settings have
// been filled in.
const ControlSpec kOptionsRows[] = {
    {1005, "Static", "SMTPサーバー", 0, 0x50000000, 21, 25, 100, 12},
    {1006, "Static", "送信元名称", 0, 0x50000000, 20, 45, 100, 12},
    {1008, "Static", "送信元アドレス", 0, 0x50000000, 20, 65, 100, 12},
    {1009, "Static", "ポート番号（25）", 0, 0x50000000, 20, 85, 100, 12},
    {1010, "Static", "POPサーバー", 0, 0x50000000, 19, 209, 100, 12},
    {1011, "Static", "ログインID", 0, 0x50000000, 20, 229, 100, 12},
    {1012, "Static", "パスワード", 0, 0x50000000, 20, 249, 100, 12},
    {1013, "Static", "ポート番号（110）", 0, 0x50000000, 20, 269, 100, 12},
    {1014, "Button", "SMTP設定", 0, 0x50000007, 10, 5, 335, 176},
    {1015, "Button", "POP設定（上記認証に使用します）", 0, 0x50000007, 10, 189, 335, 100},
    {1004, "Edit", "", 0x00000200, 0x50000080, 130, 20, 195, 17},
    {1016, "Edit", "", 0x00000200, 0x50000080, 130, 40, 195, 17},
    {1017, "Edit", "", 0x00000200, 0x50000080, 130, 60, 195, 17},
    {1018, "Edit", "0", 0x00000200, 0x50000002, 130, 80, 50, 17},
    {1019, "Edit", "", 0x00000200, 0x50000080, 130, 205, 195, 17},
    {1020, "Edit", "", 0x00000200, 0x50000080, 130, 224, 195, 17},
    // The mask character, set when the dialog is filled, makes the box a password box.
    {1021, "Edit", "", 0x00000200, 0x50000080 | ES_PASSWORD, 130, 244, 195, 17},
    {1022, "Edit", "110", 0x00000200, 0x58000000, 130, 263, 50, 17},
    {1000, "Button", "設定を登録", 0, 0x50000000, 52, 556, 88, 21},
    {1001, "Button", "キャンセル", 0, 0x50000000, 252, 555, 88, 21},
    {1023, "Static", "送信先名称", 0, 0x50000000, 21, 319, 100, 12},
    {1024, "Static", "送信先アドレス", 0, 0x50000000, 172, 319, 100, 12},
    {1025, "Edit", "", 0x00000200, 0x50000080, 165, 334, 171, 20},
    // The combo box hands WS_VSCROLL on to its list, which shows a scroll bar only when the
    // five names do not fit.
    {1026, "ComboBox", "", 0, 0x50000041, 15, 334, 148, 100},
    {1027, "Button", "送信設定", 0, 0x50000007, 10, 299, 335, 155},
    {1028, "Static", "制限文字数", 0, 0x50000000, 172, 372, 66, 12},
    {1029, "Edit", "0", 0x00000200, 0x50000002, 253, 369, 50, 20},
    {1030, "Static", "（↑自分の携帯アドレス）", 0, 0x50000000, 191, 80, 141, 12},
    {1031, "Button", "透過する", 0, 0x50000003, 21, 489, 70, 15},
    {1032, "Edit", "0", 0x00000200, 0x50000002, 115, 486, 35, 20},
    {1033, "Button", "文字数警告音を出す", 0, 0x50000003, 19, 509, 134, 16},
    {1034, "msctls_trackbar32", "", 0, 0x50000018, 192, 487, 120, 18},
    {1002, "Button", "今回のみ使用", 0, 0x50000000, 152, 556, 88, 21},
    {1035, "Button", "環境設定", 0, 0x50000007, 10, 463, 335, 80},
    {1036, "Static", "%", 0, 0x50000000, 155, 490, 10, 12},
    {1037, "Static", "薄", 0, 0x50000000, 179, 490, 15, 15},
    {1038, "Static", "濃", 0, 0x50000000, 311, 490, 15, 15},
    {1039, "Static", "文字", 0, 0x50000000, 306, 372, 26, 12},
    {1040, "Button", "SMTP-AUTHを使う(セキュリティ高）", 0, 0x50000003, 85, 145, 244, 15},
    {1041, "Static", "優先順位 CRAM-MD5→LOGIN→PLAIN", 0, 0x50000000, 104, 163, 224, 12},
    {1042, "Button", "APOPbeforeSMTPを使う(セキュリティ中)", 0, 0x50000003, 85, 125, 274, 15},
    {1043, "Button", "POP before SMTPを使う(セキュリティ低）", 0, 0x50000003, 85, 105, 245, 15},
    {1044, "Static", "認証設定", 0, 0x50000000, 20, 105, 55, 12},
};

// The Log viewer's controls in creation order, over an empty log.
const ControlSpec kViewerRows[] = {
    {1004, "Edit", "", 0x00000200, 0x503010C4, 2, 2, 270, 285},
    {1000, "Button", "閉 じ る", 0, 0x50000000, 166, 296, 88, 21},
};

}  // namespace

const std::span<const ControlSpec> kMainLayout = kMainRows;
const std::span<const ControlSpec> kOptionsLayout = kOptionsRows;
const std::span<const ControlSpec> kViewerLayout = kViewerRows;
