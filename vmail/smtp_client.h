// The SMTP client (RFC 5321): one function per protocol step, all over one reply reader.
// Every function returns 0 on success or a negative library result: -1 for a broken or
// garbled connection, -4 for a time-out, or the refusing reply's code negated; the session's
// failure then says why.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vmail/dialogue.h"
#include "vmail/smtp_reply.h"

namespace vmail {

struct SmtpSession : Dialogue {
    bool extended = false;    // the server took EHLO
    bool pipelining = false;  // RFC 2920
    bool startTls = false;    // RFC 3207: the server offers STARTTLS
    std::vector<std::string> authMechanisms;  // as offered, upper case
};

struct Envelope {
    std::string from;
    std::vector<std::string> recipients;
};

constexpr int kImplicitTlsPort = 465;  // RFC 8314: submission over TLS from the first byte

// Connects, reads the greeting and introduces the client with EHLO, or HELO where EHLO is not
// understood. On port 465 the connection is TLS from the start; elsewhere, when EHLO offers
// STARTTLS, the session moves to TLS and says EHLO again before anything else is sent. A TLS
// session that is declined, or cannot be set up or verified, ends the connection with -1:
// nothing more goes out in the clear.
std::int32_t smtpOpen(SmtpSession& session, const std::string& host, int port);

// Sends one command line (without its line end) and reads the reply.
std::int32_t smtpCommand(SmtpSession& session, const std::string& line, Reply& reply);

// 0 when reply carries the expected code; otherwise the refusal as a result, recorded with the
// reply's words.
std::int32_t expectCode(SmtpSession& session, const Reply& reply, int expected);

// What a reply that is not the expected one says: a refusal (4xx, 5xx) in the server's words,
// anything else as a reply out of place.
Failure replyFailure(const Reply& reply);

// MAIL, RCPT for each recipient, DATA and the message; pipelined where the server allows. The
// reply to the end of the data is awaited for the options' dataEndMs, every other one replyMs.
std::int32_t smtpSendMessage(SmtpSession& session, const Envelope& envelope, const std::string& message);

// QUIT, then the connection is closed whatever the server answers.
void smtpQuit(SmtpSession& session);

// The message as DATA carries it (RFC 5321 4.5.2): lines starting with "." get another one,
// the text ends with CR LF, and the terminating "." line follows.
std::string dotStuffed(const std::string& message);

}  // namespace vmail
