// What a server said (a reply, a certificate's names), made fit to show on one line of the
// program's code page 932 text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vmail {

constexpr std::size_t kMaxServerText = 200;  // a reply's words in the failure detail

// text without its control characters (bytes below 0x20, and 0x7F), in code page 932 and cut to
// at most maxBytes, never in the middle of a character. Servers speak ASCII or UTF-8, which is
// converted ("?" for what code page 932 lacks); text that is not UTF-8 but is valid code page 932
// (an old Japanese server's) is kept as it is; in anything else each valid UTF-8 character is
// converted and every other byte above 0x7F becomes "?".
std::string serverText(std::string_view text, std::size_t maxBytes = kMaxServerText);

}  // namespace vmail
