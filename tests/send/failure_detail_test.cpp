// The detail beside the status line: the server's reply behind its step, the library's own
// reasons as they are, and the advice for the two refusals a user can act on.
#include "send/failure_detail.h"

#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "vmail/vmail.h"

namespace {

const char kNoPasswordLogins[] = "\r\nこのサーバーはパスワードでの送信を受け付けません。"
                                 "アプリパスワードかOAuth2対応のソフトが必要です。";

}  // namespace

TEST(FailureDetail, EachStepAndKindGivesItsLine)
{
    const struct {
        SendStep step;
        std::int32_t kind;
        const char* line;      // UTF-8
        std::string expected;  // UTF-8
    } rows[] = {
        {SendStep::smtpLogin, VMAIL_FAILURE_REPLY, "535 5.7.8 Username and Password not accepted",
         "SMTP認証: 535 5.7.8 Username and Password not accepted"},
        // Providers that take no password login at all, whatever the password.
        {SendStep::smtpLogin, VMAIL_FAILURE_REPLY, "535 5.7.139 Authentication unsuccessful",
         std::string("SMTP認証: 535 5.7.139 Authentication unsuccessful") + kNoPasswordLogins},
        {SendStep::smtpLogin, VMAIL_FAILURE_REPLY, "550 5.7.30 Basic authentication is not supported",
         std::string("SMTP認証: 550 5.7.30 Basic authentication is not supported") + kNoPasswordLogins},
        {SendStep::smtpLogin, VMAIL_FAILURE_REPLY, "534-5.7.9 Application-specific password required.",
         std::string("SMTP認証: 534-5.7.9 Application-specific password required.") + kNoPasswordLogins},
        // A wrong password, and codes that only begin like those above.
        {SendStep::smtpLogin, VMAIL_FAILURE_REPLY, "535 5.7.3 Authentication unsuccessful",
         "SMTP認証: 535 5.7.3 Authentication unsuccessful"},
        {SendStep::smtpSend, VMAIL_FAILURE_REPLY, "554 5.7.300 rejected", "SMTP送信: 554 5.7.300 rejected"},
        {SendStep::pop3Login, VMAIL_FAILURE_REPLY, "-ERR [AUTH] Authentication failed.",
         "POP3認証: -ERR [AUTH] Authentication failed."},
        {SendStep::pop3Connect, VMAIL_FAILURE_REPLY, "-ERR busy", "POP3接続: -ERR busy"},
        {SendStep::smtpConnect, VMAIL_FAILURE_REPLY, "554 5.7.1 no", "SMTP接続: 554 5.7.1 no"},
        // The library's own reasons stand alone; a certificate for another name gets advice.
        {SendStep::smtpConnect, VMAIL_FAILURE_CERT_NAME, "証明書の名前が違います (証明書: other.example)",
         "証明書の名前が違います (証明書: other.example)\r\nサーバー名が証明書の名前と違います。"},
        {SendStep::smtpConnect, VMAIL_FAILURE_CERT_DATE, "証明書の期限切れ (mail.example.jp, 2026/11/30まで)",
         "証明書の期限切れ (mail.example.jp, 2026/11/30まで)"},
        {SendStep::pop3Connect, VMAIL_FAILURE_NAME, "サーバー名が見つかりません (pop.example.jp)",
         "サーバー名が見つかりません (pop.example.jp)"},
        // Nothing to say.
        {SendStep::smtpSend, VMAIL_FAILURE_NONE, "", ""},
        {SendStep::smtpSend, VMAIL_FAILURE_REPLY, "", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(failureDetail(row.step, row.kind, cp932(row.line)), cp932(row.expected)) << row.line;
}
