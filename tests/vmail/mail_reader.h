// Reads a delivered message the way the tests need it: header fields unfolded, the body, and
// the library's RFC 2047 words decoded.
#pragma once

#include <string>
#include <vector>

struct Header {
    std::string name;
    std::string value;  // unfolded
};

struct Delivered {
    std::vector<Header> headers;
    std::string body;

    // The value of the first field of that name, or "<none>".
    std::string field(const std::string& name) const;
};

// Splits a message (CR LF or LF line ends) into its header fields and its body.
Delivered parse(const std::string& message);

// A field value with its "=?UTF-8?B?...?=" words decoded and joined; other values unchanged.
std::string decodeWords(const std::string& value);
