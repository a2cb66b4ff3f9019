// Feeds bytes to the real socket readers without a network: a listener on 127.0.0.1 made once
// per process and, per input, a server side that accepts one connection, sends every byte and
// shuts down its sending side, so that the reader sees the bytes and then the peer's close.
// Whatever the client sends stays unread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <thread>

#include "vmail/socket.h"

// Sets the library's connect and reply time-outs for loopback inputs, once. A closed connection
// answers at once; these only bound a reader that waits wrongly.
void boundLoopbackWaits();

class LoopbackPeer {
public:
    // The most bytes one input may hold: what the socket buffers take without a reader.
    static constexpr std::size_t kMaxBytes = 64 * 1024;

    // Starts serving bytes, from a thread of its own, to the next connection to port(), for a
    // client that connects by itself; aborts when bytes is too long.
    explicit LoopbackPeer(std::string_view bytes);
    // Connects client and serves bytes to it before returning, without a thread: the kernel
    // completes the connection before it is accepted.
    LoopbackPeer(std::string_view bytes, vmail::Socket& client);
    // Waits for the server side to finish and resets the connection, so that no TIME_WAIT is
    // left behind and millions of inputs cannot run the machine out of ports.
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    int port() const;

private:
    void serve();

    std::string bytes_;
    int server_ = -1;
    std::thread thread_;
};
