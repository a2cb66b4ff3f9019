// Base64 (RFC 4648, standard alphabet with padding), for SASL and MIME.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vmail {

std::string base64Encode(std::string_view data);

// Decodes base64; whitespace (space, tab, CR, LF) is skipped. Nothing for any other byte
// outside the alphabet, misplaced padding or a length that cannot be base64.
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace vmail
