// Checks on what callers hand to the library, made before anything reaches a server: nothing
// typed by a user can add a command to the dialogue or a line to the message.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vmail {

constexpr std::size_t kMaxHostLength = 253;     // RFC 1035 2.3.4, without the final dot
constexpr std::size_t kMaxAddressLength = 254;  // RFC 5321 4.5.3.1.3: a path of 256 with <>

// text without the blanks at either end: spaces, tabs and the full-width space of code page 932
// (0x81 0x40, which a Japanese input method types), the latter only as a whole character.
std::string_view withoutBlanks(std::string_view text);

// A host name or address literal: printable ASCII without blanks, 1 to 253 bytes.
bool isSafeHost(std::string_view host);

// A mail address for the envelope and the headers: printable ASCII without blanks, angle
// brackets, commas, quotes or backslashes, 3 to 254 bytes, one "@" with text on both sides.
bool isSafeAddress(std::string_view address);

// A comma-separated list of addresses (blanks around them are ignored, empty entries skipped);
// nothing when any entry is not a safe address. A null or empty list gives an empty one.
std::optional<std::vector<std::string>> parseAddressList(const char* list);

}  // namespace vmail
