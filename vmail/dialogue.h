// What the SMTP and POP3 clients share: one connection with its line reader, the one mapping
// from the transport's status to a result, the one way of giving a dialogue up, the move to
// TLS after the server's go-ahead, and the QUIT at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "vmail/line_reader.h"
#include "vmail/socket.h"

namespace vmail {

struct Dialogue {
    Socket socket;
    LineReader reader{socket};
    bool broken = false;  // timed out, lost, garbled or given up: nothing more is said on it
};

// 0 for ok, -4 for a time-out, -1 for anything else.
std::int32_t resultOf(NetStatus status);

// Sends whole command lines within timeoutMs; a failure breaks the dialogue.
std::int32_t sendText(Dialogue& dialogue, std::string_view text, int timeoutMs);

// Ends the dialogue at once with nothing more said: the connection is closed, and the result is
// -4 after a time-out, otherwise -1.
std::int32_t abandon(Dialogue& dialogue, NetStatus status);

// After the server's go-ahead for TLS: moves the connection to TLS with host's verified server.
// Bytes that arrived after the go-ahead are plaintext that someone slipped in before the
// handshake, so they give the dialogue up like a failed handshake does.
std::int32_t moveToTls(Dialogue& dialogue, const std::string& host, int timeoutMs);

// Says QUIT, unless the dialogue is broken (a server that stopped answering would only hold the
// program once more), and gives readAnswer a few seconds for the answer; the connection is
// closed either way. readAnswer's result, or -1 when QUIT was not said.
std::int32_t quit(Dialogue& dialogue,
                  const std::function<std::int32_t(Clock::time_point deadline)>& readAnswer);

}  // namespace vmail
