// A scripted server on loopback for fault tests: it plays one conversation per connection on
// its own thread and keeps every line the client sent, so tests can assert the transcript.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/vmail/listener.h"

class ScriptConnection {
public:
    ScriptConnection(testnet::Peer peer, std::vector<std::string>& transcript, std::mutex& lock)
        : peer_(peer), transcript_(transcript), lock_(lock) {}

    void send(const std::string& bytes) { testnet::sendTo(peer_, bytes); }
    // The client's next line without CR LF, recorded in the transcript; nothing when the
    // client closed or sent nothing within timeoutMs.
    std::optional<std::string> readLine(int timeoutMs = 5000);
    // Reads lines up to and including one equal to end (the "." of DATA); their count.
    std::size_t readUntil(const std::string& end, int timeoutMs = 5000);
    // Reads a line and answers it: the usual step of a script.
    void reply(const std::string& answer);
    // Waits, bounded, for bytes that need not form a line (a TLS handshake's); how many came.
    std::size_t receiveBytes(int timeoutMs = 5000);
    // Waits, bounded, for the client to hang up, answering nothing: a dead server.
    void stayQuiet(int timeoutMs) { bytesUntilHangUp(timeoutMs); }
    // The same, counting the bytes the client sent meanwhile.
    std::size_t bytesUntilHangUp(int timeoutMs);

private:
    testnet::Peer peer_;
    std::vector<std::string>& transcript_;
    std::mutex& lock_;
    std::string buffer_;
};

class ScriptServer {
public:
    using Script = std::function<void(ScriptConnection&)>;

    // Serves up to connections connections, each with script, waiting for each at most
    // acceptTimeoutMs.
    explicit ScriptServer(Script script, int connections = 1, int acceptTimeoutMs = 10000);
    ~ScriptServer();

    int port() const { return listener_.port(); }
    // Every line received so far, from all connections, in order.
    std::vector<std::string> transcript();
    // Waits for the script threads to finish, then the number of connections served.
    int finish();

private:
    testnet::Listener listener_;
    Script script_;
    int connections_;
    int acceptTimeoutMs_;
    int served_ = 0;
    std::vector<std::string> transcript_;
    std::mutex lock_;
    std::thread thread_;
};
