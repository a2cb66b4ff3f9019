// The transport on POSIX sockets: non-blocking connect attempts and poll for every wait.
#include "vmail/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>


#include "vmail/deadline.h"
#include "vmail/socket_platform.h"

namespace vmail {

namespace {

int descriptorOf(NativeSocket socket) { return static_cast<int>(socket); }

// Waits until the socket is ready for events, within timeoutMs.
NetStatus waitFor(int descriptor, short events, int timeoutMs)
{
    pollfd entry = {descriptor, events, 0};
    int result;
    Clock::time_point deadline = deadlineIn(timeoutMs);
    do
        result = ::poll(&entry, 1, millisecondsUntil(deadline));
    while (result < 0 && errno == EINTR);
    if (result == 0)
        return NetStatus::timedOut;
    if (result < 0)
        return NetStatus::failed;
    return NetStatus::ok;
}

}  // namespace

bool startNetworking() { return true; }

void stopNetworking() {}

AttemptStart startAttempt(const SocketAddress& address, NativeSocket& socket)
{
    socket = kNoNativeSocket;
    const auto* native = reinterpret_cast<const sockaddr*>(address.bytes);
    int descriptor = ::socket(native->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0)
        return AttemptStart::failed;
    if (::connect(descriptor, native, static_cast<socklen_t>(address.length)) == 0) {
        socket = descriptor;
        return AttemptStart::connected;
    }
    if (errno != EINPROGRESS) {
        ::close(descriptor);
        return AttemptStart::failed;
    }
    socket = descriptor;
    return AttemptStart::pending;
}

bool waitForAttempts(const std::vector<NativeSocket>& attempts, int timeoutMs,
                     std::vector<AttemptState>& states)
{
    std::vector<pollfd> entries;
    for (NativeSocket socket : attempts)
        entries.push_back({descriptorOf(socket), POLLOUT, 0});
    Clock::time_point deadline = deadlineIn(timeoutMs);
    int result;
    do
        result = ::poll(entries.data(), entries.size(), millisecondsUntil(deadline));
    while (result < 0 && errno == EINTR);
    if (result < 0)
        return false;
    states.assign(attempts.size(), AttemptState::pending);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].revents == 0)
            continue;
        // Writable or in error: the connect has finished, and SO_ERROR tells how.
        int error = 0;
        socklen_t length = sizeof error;
        bool connected = getsockopt(entries[i].fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
                         error == 0 && (entries[i].revents & (POLLERR | POLLHUP)) == 0;
        states[i] = connected ? AttemptState::connected : AttemptState::failed;
    }
    return true;
}

void closeNativeSocket(NativeSocket socket)
{
    if (socket != kNoNativeSocket)
        ::close(descriptorOf(socket));
}

NetStatus Socket::sendRaw(std::string_view bytes, int timeoutMs)
{
    if (!isOpen())
        return NetStatus::failed;
    Clock::time_point deadline = deadlineIn(timeoutMs);
    while (!bytes.empty()) {
        ssize_t sent = ::send(static_cast<int>(handle_), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            NetStatus status = waitFor(static_cast<int>(handle_), POLLOUT, millisecondsUntil(deadline));
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
        NetStatus status = waitFor(static_cast<int>(handle_), POLLIN, millisecondsUntil(deadline));
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
