// The library's result codes.
#pragma once

#include <cstdint>

namespace vmail {

// Results of the C interface. Send operations also return a refusing server's SMTP reply code
// negated (-421 to -554).
constexpr std::int32_t kResultConnection = -1;  // no connection, or it broke
constexpr std::int32_t kResultLoginRefused = -2;  // POP3: the server refused the login
constexpr std::int32_t kResultTimeout = -4;
constexpr std::int32_t kResultOther = -10;  // POP3: any other error
constexpr std::int32_t kResultBadParameter = -501;  // refused before anything was sent
constexpr std::int32_t kResultNoMechanism = -504;  // no SMTP AUTH mechanism in common

}  // namespace vmail
