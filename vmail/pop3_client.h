// The POP3 client (RFC 1939) as far as a login before SMTP needs it: the greeting, USER/PASS
// or APOP, and QUIT.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vmail/dialogue.h"

namespace vmail {

constexpr std::size_t kMaxPop3Line = 510;  // RFC 1939 3: 512 with CR LF

struct Pop3Session : Dialogue {
    std::string greeting;
};

enum class Pop3Status { positive, negative, invalid };

// "+OK" or "-ERR", each alone or followed by a blank and text; anything else is invalid.
Pop3Status classifyPop3Line(std::string_view line);

// The APOP timestamp of a greeting: its first "<...>" holding an "@" (RFC 1939 7), printable
// ASCII without blanks; nothing when the greeting has none.
std::optional<std::string> apopTimestamp(std::string_view greeting);

// Connects and reads the greeting; then asks for the server's capabilities (RFC 2449) and,
// when it offers STLS, moves the session to TLS with host's verified server (RFC 2595) before
// any name or password is sent. 0, or -1 (no connection, or TLS could not be set up or
// verified), -4 (time-out), -10 (the server refused or garbled its greeting or capabilities);
// the session's failure then says why.
std::int32_t pop3Open(Pop3Session& session, const std::string& host, int port);

// Whether a CAPA listing (the lines between "+OK" and ".") names STLS.
bool offersStls(const std::vector<std::string>& capabilities);

// 1 when logged in; -1 connection error, -2 login refused (APOP without a timestamp too),
// -4 time-out, -10 any other error; the session's failure then says why.
std::int32_t pop3Login(Pop3Session& session, const std::string& user, const std::string& password,
                       bool apop);

// QUIT and close: 1 when the server said +OK, otherwise a negative result; closed either way.
std::int32_t pop3Quit(Pop3Session& session);

}  // namespace vmail
