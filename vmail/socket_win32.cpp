// The transport on Winsock: non-blocking connect attempts and select for every wait.
#include "vmail/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>

#include "vmail/deadline.h"
#include "vmail/socket_platform.h"

namespace vmail {

namespace {

SOCKET asSocket(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

// Waits until the socket can be read, or written.
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

AttemptStart startAttempt(const SocketAddress& address, NativeSocket& native)
{
    native = kNoNativeSocket;
    const auto* target = reinterpret_cast<const sockaddr*>(address.bytes);
    SOCKET socket = ::socket(target->sa_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET)
        return AttemptStart::failed;
    // A blocking socket would hold the race on this one address for the system's own time-out:
    // one that cannot be made non-blocking counts as a failed attempt.
    u_long nonBlocking = 1;
    if (ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) {
        closesocket(socket);
        return AttemptStart::failed;
    }
    AttemptStart start = AttemptStart::connected;
    if (::connect(socket, target, address.length) == SOCKET_ERROR)
        start = WSAGetLastError() == WSAEWOULDBLOCK ? AttemptStart::pending : AttemptStart::failed;
    if (start == AttemptStart::failed) {
        closesocket(socket);
        return start;
    }
    native = static_cast<NativeSocket>(socket);
    return start;
}

bool waitForAttempts(const std::vector<NativeSocket>& attempts, int timeoutMs,
                     std::vector<AttemptState>& states)
{
    // Winsock reports a finished connect as writable, a failed one in the exception set.
    fd_set connected;
    fd_set failed;
    FD_ZERO(&connected);
    FD_ZERO(&failed);
    for (NativeSocket attempt : attempts) {
        FD_SET(asSocket(attempt), &connected);
        FD_SET(asSocket(attempt), &failed);
    }
    timeval timeout = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (select(0, nullptr, &connected, &failed, &timeout) == SOCKET_ERROR)
        return false;
    states.assign(attempts.size(), AttemptState::pending);
    for (std::size_t i = 0; i < attempts.size(); ++i) {
        if (FD_ISSET(asSocket(attempts[i]), &failed))
            states[i] = AttemptState::failed;
        else if (FD_ISSET(asSocket(attempts[i]), &connected))
            states[i] = AttemptState::connected;
    }
    return true;
}

void closeNativeSocket(NativeSocket socket)
{
    if (socket != kNoNativeSocket)
        closesocket(asSocket(socket));
}

NetStatus Socket::sendRaw(std::string_view bytes, int timeoutMs)
{
    if (!isOpen())
        return NetStatus::failed;
    Clock::time_point deadline = deadlineIn(timeoutMs);
    while (!bytes.empty()) {
        int chunk = bytes.size() > 0x10000 ? 0x10000 : static_cast<int>(bytes.size());
        int sent = ::send(asSocket(handle_), bytes.data(), chunk, 0);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
            NetStatus status = waitFor(asSocket(handle_), true, millisecondsUntil(deadline));
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
    Clock::time_point deadline = deadlineIn(timeoutMs);
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
        NetStatus status = waitFor(asSocket(handle_), false, millisecondsUntil(deadline));
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
