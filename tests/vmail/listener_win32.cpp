// The test listener on Winsock.
#include "tests/vmail/listener.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace testnet {

namespace {

bool waitReadable(SOCKET socket, int timeoutMs)
{
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket, &ready);
    timeval timeout = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, &ready, nullptr, nullptr, &timeout) > 0;
}

}  // namespace

void startSockets()
{
    static bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

Listener::Listener(int port)
{
    startSockets();
    SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET)
        return;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    int length = sizeof address;
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socket, 8) != 0 ||
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(socket);
        return;
    }
    handle_ = static_cast<std::intptr_t>(socket);
    port_ = ntohs(address.sin_port);
}

Listener::~Listener()
{
    if (isOpen())
        closesocket(static_cast<SOCKET>(handle_));
}

Peer Listener::accept(int timeoutMs)
{
    if (!isOpen() || !waitReadable(static_cast<SOCKET>(handle_), timeoutMs))
        return kNoPeer;
    SOCKET peer = ::accept(static_cast<SOCKET>(handle_), nullptr, nullptr);
    if (peer == INVALID_SOCKET)
        return kNoPeer;
    // A client that stops reading must not hold a script's send, and so the test, forever.
    DWORD sendTimeoutMs = 5000;
    setsockopt(peer, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeoutMs),
               sizeof sendTimeoutMs);
    return static_cast<Peer>(peer);
}

long receiveFrom(Peer peer, char* buffer, std::size_t size, int timeoutMs)
{
    if (!waitReadable(static_cast<SOCKET>(peer), timeoutMs))
        return -1;
    int got = ::recv(static_cast<SOCKET>(peer), buffer, static_cast<int>(size), 0);
    return got < 0 ? -1 : got;
}

long sendSome(Peer peer, std::string_view bytes)
{
    return ::send(static_cast<SOCKET>(peer), bytes.data(), static_cast<int>(bytes.size()), 0);
}

void closePeer(Peer peer)
{
    if (peer != kNoPeer)
        closesocket(static_cast<SOCKET>(peer));
}

}  // namespace testnet
