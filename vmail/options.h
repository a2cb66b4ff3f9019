// The library's time-outs and the port of the one-call send, shared by every connection.
#pragma once

namespace vmail {

struct Options {
    int connectMs = 15000;  // all connection attempts together: a dead server never holds us long
    // RFC 8305 5: the next address is tried this long after the previous attempt while none has
    // connected, so a silent address (a broken IPv6 path) costs a quarter of a second, not the
    // whole connect time-out.
    int attemptDelayMs = 250;
    int replyMs = 60000;    // for each reply, and for sending each command or the message
    // The reply to the end of the data (RFC 5321 4.5.3.2.6): by then the server holds the mail
    // and may be scanning it; giving up earlier would invite the user to send a second copy.
    int dataEndMs = 600000;
    int plainSmtpPort = 25;  // the port of the one-call send
};

// The library-wide options; tests shorten the time-outs and move the plain send's port.
Options& options();

}  // namespace vmail
