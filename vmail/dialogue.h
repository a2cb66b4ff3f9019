// What the SMTP and POP3 clients share: one connection with its line reader and the record of why
// its last operation failed, the one mapping from the transport's status to a result, the one
// way of giving a dialogue up, the move to TLS after the server's go-ahead, and the QUIT at the
// end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "vmail/failure.h"
#include "vmail/line_reader.h"
#include "vmail/socket.h"

namespace vmail {

struct Dialogue {
    Socket socket;
    LineReader reader{socket};
    bool broken = false;  // timed out, lost, garbled or given up: nothing more is said on it
    Failure failure;      // why the running or the last operation failed
};

// Records why the running operation fails, unless it has its reason already: the first failure
// is what the rest follows from (a refusal, then the RSET after it that times out).
void note(Dialogue& dialogue, const Failure& failure);

// Connects to host and port within the options' connectMs, recording why it could not.
std::int32_t connectTo(Dialogue& dialogue, const std::string& host, int port);

// 0 for ok, -4 for a time-out, -1 for anything else.
std::int32_t resultOf(NetStatus status);

// Sends whole command lines within timeoutMs; a failure breaks the dialogue and is recorded.
std::int32_t sendText(Dialogue& dialogue, std::string_view text, int timeoutMs);

// Ends the dialogue at once with nothing more said: the connection is closed, and the result is
// -4 after a time-out, otherwise -1.
std::int32_t abandon(Dialogue& dialogue, NetStatus status);

// After the server's go-ahead for TLS: moves the connection to TLS with host's verified server.
// Bytes that arrived after the go-ahead are plaintext that someone slipped in before the
// handshake, so they give the dialogue up like a failed handshake does. A failure is recorded.
std::int32_t moveToTls(Dialogue& dialogue, const std::string& host, int timeoutMs);

// Says QUIT, unless the dialogue is broken (a server that stopped answering would only hold the
// program once more), and gives readAnswer a few seconds (its timeoutMs) for the answer; the
// connection is closed either way. readAnswer's result, or -1 when QUIT was not said. Whatever
// goes wrong here is not recorded: the operation before it has succeeded or failed for its own
// reason.
std::int32_t quit(Dialogue& dialogue, const std::function<std::int32_t(int timeoutMs)>& readAnswer);

}  // namespace vmail
