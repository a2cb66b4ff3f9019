// Reads CR LF ended lines from a socket, each within a limit of bytes and before a deadline.
#pragma once

#include <cstddef>
#include <string>

#include "vmail/deadline.h"
#include "vmail/socket.h"

namespace vmail {

enum class LineStatus {
    ok,
    failed,    // the connection broke or was closed
    timedOut,
    tooLong,   // a line longer than the limit: the peer is not speaking the protocol
};

class LineReader {
public:
    explicit LineReader(Socket& socket) : socket_(socket) {}

    // The next line without its line end. A bare LF ends a line too, as many servers send
    // it; a lone CR inside a line is kept.
    LineStatus readLine(std::string& line, std::size_t maxLength, Clock::time_point deadline);
    // Whether bytes beyond the last line read have arrived. Before TLS starts there must be
    // none: whatever a server (or someone in between) sent after its go-ahead is plaintext
    // that must not be taken for part of the encrypted dialogue.
    bool hasBuffered() const { return !buffer_.empty(); }

private:
    Socket& socket_;
    std::string buffer_;
};

}  // namespace vmail
