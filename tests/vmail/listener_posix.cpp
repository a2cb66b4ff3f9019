// The test listener on POSIX sockets.
#include "tests/vmail/listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testnet {

void startSockets() {}

Listener::Listener(int port)
{
    int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<unsigned short>(port));
    socklen_t length = sizeof address;
    if (::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(descriptor, 8) != 0 ||
        getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(descriptor);
        return;
    }
    handle_ = descriptor;
    port_ = ntohs(address.sin_port);
}

Listener::~Listener()
{
    if (isOpen())
        ::close(static_cast<int>(handle_));
}

Peer Listener::accept(int timeoutMs)
{
    pollfd entry = {static_cast<int>(handle_), POLLIN, 0};
    if (!isOpen() || ::poll(&entry, 1, timeoutMs) <= 0)
        return kNoPeer;
    int peer = ::accept(static_cast<int>(handle_), nullptr, nullptr);
    if (peer < 0)
        return kNoPeer;
    // A client that stops reading must not hold a script's send, and so the test, forever.
    timeval sendTimeout = {5, 0};
    setsockopt(peer, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
    return peer;
}

long receiveFrom(Peer peer, char* buffer, std::size_t size, int timeoutMs)
{
    pollfd entry = {static_cast<int>(peer), POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) <= 0)
        return -1;
    ssize_t got = ::recv(static_cast<int>(peer), buffer, size, 0);
    return got < 0 ? -1 : static_cast<long>(got);
}

long sendSome(Peer peer, std::string_view bytes)
{
    return ::send(static_cast<int>(peer), bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

void closePeer(Peer peer)
{
    if (peer != kNoPeer)
        ::close(static_cast<int>(peer));
}

}  // namespace testnet
