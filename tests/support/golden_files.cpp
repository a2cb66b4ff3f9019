// The sample files, spelled out line by line.
#include "tests/support/golden_files.h"

#include "settings/recipients.h"
#include "settings/settings.h"
#include "tests/support/test_files.h"

std::string settingsFile(const std::string (&values)[16])
{
    static const char* const labels[16] = {
        "SMTPサーバー名", "送信元名称", "送信元アドレス", "POP3サーバー名",
        "送信元ID", "POP3パスワード", "送信先名", "送信先アドレス",
        "文字数の制限", "透過率", "透過するしない", "警告音使う使わない",
        "POPbeforeSMTP使う使わない", "APOP使う使わない", "SMTP-AUTH使う使わない", "ポート番号",
    };
    std::string file;
    for (int i = 0; i < 16; ++i)
        file += cp932(labels[i]) + "," + values[i] + "\r\n";
    return file;
}

void fillSampleSettings()
{
    settings.smtpServer = "smtp.example.jp";
    settings.fromName = cp932("山田太郎");
    settings.fromAddress = "taro@example.jp";
    settings.pop3Server = "pop.example.jp";
    settings.pop3UserId = "taro";
    settings.pop3Password = "ab";
    settings.toName = cp932("花子");
    settings.toAddress = "hanako@example.ne.jp";
    settings.charLimit = 50;
    settings.opacity = 80;
    settings.translucent = 1;
    settings.warnSound = 0;
    settings.popBeforeSmtp = 1;
    settings.apopBeforeSmtp = 0;
    settings.smtpAuth = 0;
    settings.smtpPort = 25;
}

const std::string kSampleSettingsValues[16] = {
    "smtp.example.jp", cp932("山田太郎"), "taro@example.jp", "pop.example.jp", "taro",
    "28282829",  // 'a' (97) and 'b' (98) plus 2731
    cp932("花子"), "hanako@example.ne.jp", "50", "80", "1", "0", "1", "0", "0", "25",
};

void fillSampleRecipients()
{
    recipients[0] = {cp932("花子"), "hanako@example.ne.jp", 50};
    recipients[1] = {"Boss", "boss@example.jp", 250};
    recipients[2] = {cp932("ｶﾅ名"), "kana@example.jp", 30.5};
    recipients[3] = {"", "", 0};
    recipients[4] = {"Boss", "boss@example.jp", 1000};
}

std::string sampleRecipientsFile()
{
    return cp932("花子") + ",hanako@example.ne.jp,50\r\n" +
           "Boss,boss@example.jp,250\r\n" +
           cp932("ｶﾅ名") + ",kana@example.jp,30.5\r\n" +
           ",,0\r\n" +
           "Boss,boss@example.jp,1000\r\n";
}
