// A TCP connection with time-outs, in the clear or over TLS: the transport under the SMTP and
// POP3 clients.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "vmail/tls.h"

namespace vmail {

enum class NetStatus {
    ok,
    failed,    // no connection, or the connection broke
    timedOut,  // nothing happened before the deadline
    closed,    // the peer closed the connection
};

// Why connect gave up.
enum class ConnectFault {
    none,
    noName,    // the name did not resolve
    refused,   // every address refused the connection, or could not be tried
    timedOut,  // no attempt connected in time
    other,     // an unusable port, or the system's wait failed
};

// Starts and ends the system's socket layer (Winsock on Windows; nothing to do elsewhere).
// Calls nest: every successful start needs one end.
bool startNetworking();
void stopNetworking();

class Socket {
public:
    Socket() = default;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket();

    // Resolves host (IPv4 and IPv6) and races connection attempts over its addresses, the
    // families interleaved, a new attempt every 250 ms while none has connected and at once
    // when one fails (RFC 8305); the first to connect is kept. timeoutMs bounds the attempts
    // together, from when the addresses are known.
    NetStatus connect(const std::string& host, int port, int timeoutMs);
    // Why the last connect failed.
    ConnectFault connectFault() const { return connectFault_; }
    // Turns the open connection into a TLS session with host's verified server, all within
    // timeoutMs: closed when the server hung up during the handshake. Unless ok, the connection
    // must not be used further: the caller closes it.
    NetStatus startTls(const std::string& host, int timeoutMs);
    // Why the last startTls failed, when it returned failed.
    const TlsFault& tlsFault() const { return tlsFault_; }
    bool encrypted() const { return tls_ != nullptr; }

    // Sends every byte within timeoutMs, encrypted once TLS has started.
    NetStatus sendAll(std::string_view bytes, int timeoutMs);
    // Receives at least one byte, at most size, within timeoutMs.
    NetStatus receive(char* buffer, std::size_t size, std::size_t& received, int timeoutMs);
    // Ends the TLS session, if any, with a close_notify, and closes the connection.
    void close();
    bool isOpen() const { return handle_ != kNoSocket; }

    // This end's address as an SMTP address literal: "[127.0.0.1]" or "[IPv6:::1]".
    std::string localAddressLiteral() const;

private:
    // The bare TCP stream, one implementation per platform.
    NetStatus sendRaw(std::string_view bytes, int timeoutMs);
    NetStatus receiveRaw(char* buffer, std::size_t size, std::size_t& received, int timeoutMs);
    void closeRaw();
    // Adds what the server sends next, within timeoutMs, to the bytes not yet decrypted.
    NetStatus receiveRecords(int timeoutMs);

    static constexpr std::intptr_t kNoSocket = -1;
    std::intptr_t handle_ = kNoSocket;
    ConnectFault connectFault_ = ConnectFault::none;
    TlsFault tlsFault_;
    std::unique_ptr<TlsEngine> tls_;
    std::string received_;   // bytes from the server not yet decrypted
    std::string plaintext_;  // decrypted bytes not yet handed out
};

}  // namespace vmail
