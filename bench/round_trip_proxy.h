// A loopback TCP proxy that counts round trips: every time the server starts answering after
// the client has spoken, one round trip has passed.
#pragma once

#include <atomic>
#include <string>
#include <thread>

class RoundTripProxy {
public:
    RoundTripProxy(const std::string& targetHost, int targetPort);
    ~RoundTripProxy();

    int port() const { return port_; }
    long roundTrips() const { return roundTrips_.load(); }
    void resetCount() { roundTrips_ = 0; }

private:
    void serve();
    void relay(int client);

    std::string targetHost_;
    int targetPort_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<long> roundTrips_{0};
    std::thread thread_;
};
