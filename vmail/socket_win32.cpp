// The transport on Winsock: non-blocking connect and select for every wait.
#include "vmail/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>

namespace vmail {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

SOCKET asSocket(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

// Waits until the socket can be read, or written (writing also reports a failed connect).
NetStatus waitFor(SOCKET socket, bool forWriting, int timeoutMs)
{
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval timeout = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int result = select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed,
                        &timeout);
    if (result == 0)
        return NetStatus::timedOut;
    if (result == SOCKET_ERROR || FD_ISSET(socket, &failed))
        return NetStatus::failed;
    return NetStatus::ok;
}

NetStatus connectTo(const addrinfo& address, Clock::time_point deadline, SOCKET& socket)
{
    socket = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (socket == INVALID_SOCKET)
        return NetStatus::failed;
    u_long nonBlocking = 1;
    ioctlsocket(socket, FIONBIO, &nonBlocking);
    NetStatus status = NetStatus::ok;
    if (::connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == SOCKET_ERROR) {
        status = WSAGetLastError() == WSAEWOULDBLOCK ? waitFor(socket, true, remainingMs(deadline))
                                                     : NetStatus::failed;
    }
    if (status != NetStatus::ok) {
        closesocket(socket);
        socket = INVALID_SOCKET;
    }
    return status;
}

std::atomic<int> networkStarts{0};

}  // namespace

bool startNetworking()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    ++networkStarts;
    return true;
}

void stopNetworking()
{
    // Only a successful start is ended, so an end after a failed start does nothing.
    int starts = networkStarts.load();
    while (starts > 0 && !networkStarts.compare_exchange_weak(starts, starts - 1)) {
    }
    if (starts > 0)
        WSACleanup();
}

NetStatus Socket::connect(const std::string& host, int port, int timeoutMs)
{
    close();
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (port < 0 || port > 65535)
        return NetStatus::failed;
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* addresses = nullptr;
    std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses) != 0)
        return NetStatus::failed;
    NetStatus status = NetStatus::failed;
    for (addrinfo* address = addresses; address; address = address->ai_next) {
        SOCKET socket = INVALID_SOCKET;
        status = connectTo(*address, deadline, socket);
        if (status == NetStatus::ok) {
            handle_ = static_cast<std::intptr_t>(socket);
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
        int chunk = bytes.size() > 0x10000 ? 0x10000 : static_cast<int>(bytes.size());
        int sent = ::send(asSocket(handle_), bytes.data(), chunk, 0);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
            NetStatus status = waitFor(asSocket(handle_), true, remainingMs(deadline));
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
    int chunk = size > 0x10000 ? 0x10000 : static_cast<int>(size);
    for (;;) {
        int got = ::recv(asSocket(handle_), buffer, chunk, 0);
        if (got > 0) {
            received = static_cast<std::size_t>(got);
            return NetStatus::ok;
        }
        if (got == 0)
            return NetStatus::closed;
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return NetStatus::failed;
        NetStatus status = waitFor(asSocket(handle_), false, remainingMs(deadline));
        if (status != NetStatus::ok)
            return status;
    }
}

void Socket::closeRaw()
{
    if (isOpen())
        closesocket(asSocket(handle_));
    handle_ = kNoSocket;
}

std::string Socket::localAddressLiteral() const
{
    sockaddr_storage address = {};
    int length = sizeof address;
    char text[INET6_ADDRSTRLEN] = {};
    if (!isOpen() ||
        getsockname(asSocket(handle_), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return "[127.0.0.1]";
    if (address.ss_family == AF_INET6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        return std::string("[IPv6:") + text + "]";
    }
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    return std::string("[") + text + "]";
}

}  // namespace vmail
