// Composition of the mail that goes out: an RFC 5322 message with MIME headers, its lines
// ended by CR LF and none longer than 998 bytes. Dot-stuffing belongs to the SMTP DATA step.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vmail {

// Local date and time with the offset from UTC, for the Date header.
struct MailDate {
    int year, month, day, hour, minute, second;
    int utcOffsetMinutes;  // +540 for Japan
};

struct MessageInput {
    std::string from;                // From address, plain addr-spec (checked by the caller)
    std::string fromName;            // display name; empty for none (code page 932)
    std::vector<std::string> to;     // To addresses, at least one
    std::vector<std::string> cc;     // Cc addresses; Bcc never appears in the message
    std::string subject;             // code page 932, may be empty
    std::string body;                // code page 932, any mix of CR LF, LF and CR line breaks
    std::string extraHeader;         // one complete "Name: value" header or empty
    MailDate date;
    std::string messageId;           // "<...@...>" as produced by makeMessageId
};

// The composed message, or nothing when the input cannot be sent safely: a subject, display
// name or body that is not valid code page 932; an address with a blank, a control or 8-bit
// byte or one of <>()[],;:\" in it, or longer than 254 bytes; no To address; a Message-ID not
// of the form "<left@right>"; an invalid date; an extra header that is not one "Name: value"
// line (CR, LF or NUL in it, no colon, a name with characters outside RFC 5322's field-name set,
// a value outside printable ASCII and tab, longer than 998 bytes) or that names a field composed
// here or Bcc.
//
// Headers in this order: Date, From, To, Cc (when any), Subject, Message-ID, MIME-Version,
// Content-Type, Content-Transfer-Encoding, the extra header. From is the bare address without a
// display name, otherwise "name <address>" with the name quoted when it is printable ASCII and
// fits a line, or encoded as the subject is. A pure ASCII body without NUL whose lines all fit
// goes as "text/plain; charset=us-ascii" with 7bit, its last line ended by CR LF; any other body
// is converted to UTF-8 and goes as "text/plain; charset=UTF-8" in base64 (76-character lines),
// which gives back its bytes exactly. The subject is sent as it is when it is printable ASCII
// with no blank at either end and no "=?" (folded at blanks to keep lines short); otherwise, or
// when no fold brings a line within 998 bytes, as RFC 2047 B-encoded UTF-8 words of at most 75
// characters, one per folded line, never splitting a character. An empty subject gives
// "Subject:" with nothing after it. Body line breaks (CR LF, LF, CR) become CR LF.
std::optional<std::string> composeMessage(const MessageInput& input);

// RFC 5322 date-time: "Mon, 07 Dec 2026 14:05:03 +0900".
std::string formatMailDate(const MailDate& date);

// "<unique@domain>", unique from the time, a counter and random bits; domain is the part of
// the From address after its last '@', or "velmor.invalid" when it has none.
std::string makeMessageId(std::string_view fromAddress, const MailDate& date);

// The current local time with its UTC offset.
MailDate currentMailDate();

// 64 bits from the system's random source, for the unique part of makeMessageId.
std::uint64_t randomBits();

}  // namespace vmail
