// The transport on POSIX sockets: non-blocking connect and poll for every wait.
#include "vmail/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace vmail {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits until the socket is ready for events; false on time-out or failure.
NetStatus waitFor(int descriptor, short events, int timeoutMs)
{
    pollfd entry = {descriptor, events, 0};
    int result;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do
        result = ::poll(&entry, 1, remainingMs(deadline));
    while (result < 0 && errno == EINTR);
    if (result == 0)
        return NetStatus::timedOut;
    if (result < 0)
        return NetStatus::failed;
    return NetStatus::ok;
}

// One address: a non-blocking connect that must finish before the deadline.
NetStatus connectTo(const addrinfo& address, Clock::time_point deadline, int& descriptor)
{
    descriptor = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                          address.ai_protocol);
    if (descriptor < 0)
        return NetStatus::failed;
    if (::connect(descriptor, address.ai_addr, address.ai_addrlen) == 0)
        return NetStatus::ok;
    NetStatus status = NetStatus::failed;
    if (errno == EINPROGRESS) {
        status = waitFor(descriptor, POLLOUT, remainingMs(deadline));
        if (status == NetStatus::ok) {
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
                status = NetStatus::failed;
        }
    }
    if (status != NetStatus::ok) {
        ::close(descriptor);
        descriptor = -1;
    }
    return status;
}

}  // namespace

bool startNetworking() { return true; }

void stopNetworking() {}

NetStatus Socket::connect(const std::string& host, int port, int timeoutMs)
{
    close();
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (port < 0 || port > 65535)
        return NetStatus::failed;
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* addresses = nullptr;
    std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses) != 0)
        return NetStatus::failed;
    NetStatus status = NetStatus::failed;
    for (addrinfo* address = addresses; address; address = address->ai_next) {
        int descriptor = -1;
        status = connectTo(*address, deadline, descriptor);
        if (status == NetStatus::ok) {
            handle_ = descriptor;
            break;
        }
        if (remainingMs(deadline) == 0) {
            status = NetStatus::timedOut;
            break;
        }
    }
    freeaddrinfo(addresses);
    return status;
}

NetStatus Socket::sendRaw(std::string_view bytes, int timeoutMs)
{
    if (!isOpen())
        return NetStatus::failed;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!bytes.empty()) {
        ssize_t sent = ::send(static_cast<int>(handle_), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            NetStatus status = waitFor(static_cast<int>(handle_), POLLOUT, remainingMs(deadline));
            if (status != NetStatus::ok)
                return status;
            continue;
        }
        return NetStatus::failed;
    }
    return NetStatus::ok;
}

NetStatus Socket::receiveRaw(char* buffer, std::size_t size, std::size_t& received, int timeoutMs)
{
    received = 0;
    if (!isOpen())
        return NetStatus::failed;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ssize_t got = ::recv(static_cast<int>(handle_), buffer, size, 0);
        if (got > 0) {
            received = static_cast<std::size_t>(got);
            return NetStatus::ok;
        }
        if (got == 0)
            return NetStatus::closed;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return NetStatus::failed;
        NetStatus status = waitFor(static_cast<int>(handle_), POLLIN, remainingMs(deadline));
        if (status != NetStatus::ok)
            return status;
    }
}

void Socket::closeRaw()
{
    if (isOpen())
        ::close(static_cast<int>(handle_));
    handle_ = kNoSocket;
}

std::string Socket::localAddressLiteral() const
{
    sockaddr_storage address = {};
    socklen_t length = sizeof address;
    char text[INET6_ADDRSTRLEN] = {};
    if (!isOpen() ||
        getsockname(static_cast<int>(handle_), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return "[127.0.0.1]";
    if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        return std::string("[IPv6:") + text + "]";
    }
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    return std::string("[") + text + "]";
}

}  // namespace vmail
