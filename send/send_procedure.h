// What the Send button does: one mail from the editor to the current recipient, by a POP3
// login and the plain send or by SMTP AUTH, each step shown in the status line, the outcome
// logged, and the program closed after a sent mail.
#pragma once

#include <cstdint>

// The result of a send step: the mail library's send result, or a failure before the mail
// was handed over, which carries no result code.
struct SendOutcome {
    bool handedOver = false;
    std::int32_t result = 0;  // only when handedOver: 0 or more is sent, negative a code
};

void sendCurrentMessage();

// 0 when logged in, 1 when not (the status line already says why).
int loginPopBeforeSmtp();
SendOutcome sendByPlainSmtp();
SendOutcome sendBySmtpAuth();
