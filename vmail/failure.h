// Why an operation of the library failed, as VMailLastError tells it: a kind and one line of code
// page 932 text, in the server's own words where it refused and in Japanese where the library
// found the reason itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vmail/socket.h"
#include "vmail/tls.h"
#include "vmail/vmail.h"

namespace vmail {

constexpr std::size_t kMaxFailureLine = 255;

// Fixed storage only: it lives in thread-local storage of a DLL with the runtime linked in, where
// nothing may need a destructor at thread exit, and setting or copying it never allocates.
struct Failure {
    std::int32_t kind = VMAIL_FAILURE_NONE;
    char line[kMaxFailureLine + 1] = {};

    // text cut to kMaxFailureLine bytes at a character's boundary.
    void set(std::int32_t newKind, std::string_view text) noexcept;
    void clear() noexcept { set(VMAIL_FAILURE_NONE, {}); }
    bool failed() const noexcept { return kind != VMAIL_FAILURE_NONE; }
    // VMailLastError's answer: the line into buffer, NUL-terminated and cut to size bytes at a
    // character's boundary (nothing for a size below 1 or no buffer), and the kind.
    std::int32_t copyTo(char* buffer, std::int32_t size) const noexcept;
};

Failure failureOf(std::int32_t kind, std::string_view line);

// An SMTP reply as one line, as the server sent it: its code and the text of its first line.
std::string replyLine(int code, std::string_view text);
// The server refused with an SMTP reply: its code and the text of its first line.
Failure smtpRefusal(int code, std::string_view text);
// The server refused with a POP3 "-ERR" line, as it sent it.
Failure pop3Refusal(std::string_view line);
// What the server said makes no sense here: the offending text, if any.
Failure garbledReply(std::string_view text);

// Why a connection to host:port could not be made within timeoutMs.
Failure connectFailure(ConnectFault fault, std::string_view host, int port, int timeoutMs);

enum class Waiting { connect, tls, reply };
// Nothing came (or nothing was taken) within timeoutMs.
Failure noAnswer(Waiting waiting, int timeoutMs);
// The server hung up, or the connection broke.
Failure connectionClosed();

// The handshake with host failed for the engine's reason.
Failure tlsFailure(const TlsFault& fault, std::string_view host);
// The server's go-ahead for TLS came with more bytes behind it, which only someone in between
// can have put there.
Failure plaintextBeforeTls();
// STARTTLS or STLS (command) offered, then refused with refusal, the server's line as it sent it.
Failure tlsRefused(std::string_view command, std::string_view refusal);

// No SMTP AUTH mechanism in common; offered is what the server listed.
Failure noMechanism(const std::vector<std::string>& offered);
// APOP asked for, but the greeting carries no timestamp.
Failure noApopTimestamp();

Failure badHost();
Failure badMail();
Failure badCredentials();
Failure tooManySessions();
Failure noMemory();
// A failure whose reason was not recorded: its result code.
Failure unexplained(std::int32_t result);

}  // namespace vmail
