// The counting proxy, on POSIX sockets; one connection at a time, as the benchmark makes them.
#include "bench/round_trip_proxy.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

RoundTripProxy::RoundTripProxy(const std::string& targetHost, int targetPort)
    : targetHost_(targetHost), targetPort_(targetPort)
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 16);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

RoundTripProxy::~RoundTripProxy()
{
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

void RoundTripProxy::serve()
{
    while (!stopping_) {
        pollfd entry = {listener_, POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0)
            continue;
        int client = ::accept(listener_, nullptr, nullptr);
        if (client >= 0)
            relay(client);
    }
}

void RoundTripProxy::relay(int client)
{
    addrinfo hints = {};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* target = nullptr;
    if (getaddrinfo(targetHost_.c_str(), std::to_string(targetPort_).c_str(), &hints, &target) != 0) {
        ::close(client);
        return;
    }
    int server = ::socket(target->ai_family, SOCK_STREAM, 0);
    bool connected = ::connect(server, target->ai_addr, target->ai_addrlen) == 0;
    freeaddrinfo(target);
    if (!connected) {
        ::close(server);
        ::close(client);
        return;
    }
    // The greeting is the server speaking first; it is not a round trip the client waits on.
    bool clientSpokeLast = false;
    char buffer[65536];
    for (int idle = 0; idle < 600;) {  // a connection idle for 60 s is given up
        pollfd entries[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        int ready = ::poll(entries, 2, 100);
        if (ready <= 0) {
            ++idle;
            continue;
        }
        idle = 0;
        if (entries[0].revents) {
            ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            ::send(server, buffer, static_cast<size_t>(got), MSG_NOSIGNAL);
            clientSpokeLast = true;
        }
        if (entries[1].revents) {
            ssize_t got = ::recv(server, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            ::send(client, buffer, static_cast<size_t>(got), MSG_NOSIGNAL);
            if (clientSpokeLast)
                ++roundTrips_;
            clientSpokeLast = false;
        }
    }
    ::close(server);
    ::close(client);
}
