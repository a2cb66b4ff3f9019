// The one reader of mails for the tests and the fuzz targets: a message split into its header
// fields and body, RFC 2047 words decoded, and a mail as composeMessage writes it held to that
// form and read back as a mail reader shows it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Header {
    std::string name;
    std::vector<std::string> lines;  // the rest of the line after "Name:", then each folded line
    std::string value;               // the lines unfolded, without the blanks after the colon
};

// A mail split into its header fields and its body.
struct Delivered {
    std::vector<Header> headers;
    std::string body;

    // The value of the first field of that name, or "<none>".
    std::string field(const std::string& name) const;
    std::vector<std::string> names() const;
};

// Splits a message (CR LF or LF line ends, as a Maildir file holds it) into its header fields
// and its body.
Delivered parse(std::string_view message);

// A field value of blank-separated "=?UTF-8?B?...?=" words, decoded and joined; any other value
// unchanged.
std::string decodeWords(const std::string& value);

struct DecodedMail {
    Delivered mail;
    std::string fromAddress;
    std::optional<std::string> fromName;  // UTF-8; nothing when From holds a bare address
    std::string subject;                  // UTF-8
    std::string contentType;
    std::string transferEncoding;
    std::string text;                     // the body decoded: UTF-8 or ASCII, lines ended by CR LF
};

// The decoded mail, or nothing with why in problem: a line over 998 bytes, a CR or LF that is
// not part of a CR LF, a header line that is not a field, Date, From, To, Subject, Message-ID,
// MIME-Version or a content header missing or repeated, an encoded word that is not alone on
// its line, longer than 75 characters, starts inside a character or does not decode, a base64
// body whose lines are not 76 characters but the last, or that does not decode.
std::optional<DecodedMail> decodeMail(std::string_view mail, std::string& problem);
