// A small reader of the mails composeMessage writes, for the message target: it checks the
// line structure and gives back the display name, subject and body as a mail reader would
// decode them (RFC 2047 B words, quoted strings, 7bit or base64 bodies), in UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct DecodedMail {
    std::string fromAddress;
    std::optional<std::string> fromName;  // UTF-8; nothing when From holds a bare address
    std::string subject;                  // UTF-8
    std::string contentType;
    std::string transferEncoding;
    std::string body;                     // UTF-8 or ASCII, lines ended by CR LF
};

// The decoded mail, or nothing with why in problem: a line over 998 bytes, a CR or LF that is
// not part of a CR LF, a missing header, an encoded word or base64 that does not decode.
std::optional<DecodedMail> decodeMail(std::string_view mail, std::string& problem);
