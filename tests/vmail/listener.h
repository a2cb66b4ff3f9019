// The smallest TCP listener a scripted test server needs, on loopback only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace testnet {

using Peer = std::intptr_t;
constexpr Peer kNoPeer = -1;

// Starts the system's socket layer for the test process (Winsock); idempotent.
void startSockets();

class Listener {
public:
    // Listens on 127.0.0.1 at port, or at a free port the system picks when port is 0.
    explicit Listener(int port = 0);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    bool isOpen() const { return handle_ != kNoPeer; }
    int port() const { return port_; }
    // The next connection within timeoutMs, or kNoPeer.
    Peer accept(int timeoutMs);

private:
    std::intptr_t handle_ = kNoPeer;
    int port_ = 0;
};

// Bytes received within timeoutMs: >0 bytes, 0 when the peer closed, -1 on time-out or error.
long receiveFrom(Peer peer, char* buffer, std::size_t size, int timeoutMs);
// Bytes sent from the front of bytes by one send call, or 0 or less when it failed.
long sendSome(Peer peer, std::string_view bytes);

inline bool sendTo(Peer peer, std::string_view bytes)
{
    while (!bytes.empty()) {
        long sent = sendSome(peer, bytes);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}
void closePeer(Peer peer);

}  // namespace testnet
