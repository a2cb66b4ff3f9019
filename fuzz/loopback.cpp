// The loopback peer of the socket targets.
#include "loopback.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "vmail/options.h"
#include "vmail/results.h"

namespace {

constexpr int kAcceptMs = 10000;  // the client connects at once; this only bounds a mistake

[[noreturn]] void fail(const char* what)
{
    std::perror(what);
    std::abort();
}

struct Listener {
    int descriptor = -1;
    int port = 0;
};

const Listener& listener()
{
    static const Listener made = [] {
        Listener result;
        result.descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (result.descriptor < 0)
            fail("velmor fuzz: listener socket");
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(result.descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(result.descriptor, 16) != 0 ||
            ::getsockname(result.descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            fail("velmor fuzz: listener");
        result.port = ntohs(address.sin_port);
        return result;
    }();
    return made;
}

}  // namespace

LoopbackPeer::LoopbackPeer(std::string_view bytes) : bytes_(bytes)
{
    if (bytes.size() > kMaxBytes)
        std::abort();
    listener();
    thread_ = std::thread([this] { serve(); });
}

LoopbackPeer::LoopbackPeer(std::string_view bytes, vmail::Socket& client) : bytes_(bytes)
{
    if (bytes.size() > kMaxBytes)
        std::abort();
    if (client.connect("127.0.0.1", port(), kAcceptMs) != vmail::NetStatus::ok)
        fail("velmor fuzz: connecting to the listener");
    serve();
    if (server_ < 0)
        fail("velmor fuzz: the connection was not accepted");
}

LoopbackPeer::~LoopbackPeer()
{
    if (thread_.joinable())
        thread_.join();
    if (server_ >= 0) {
        linger reset{1, 0};
        ::setsockopt(server_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        ::close(server_);
    }
}

int LoopbackPeer::port() const { return listener().port; }

void LoopbackPeer::serve()
{
    pollfd entry = {listener().descriptor, POLLIN, 0};
    if (::poll(&entry, 1, kAcceptMs) != 1)
        return;  // nobody connected: the client gave up before, which its result shows
    server_ = ::accept4(listener().descriptor, nullptr, nullptr, SOCK_CLOEXEC);
    if (server_ < 0)
        fail("velmor fuzz: accept");
    int buffer = 4 * static_cast<int>(kMaxBytes);
    ::setsockopt(server_, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    std::size_t done = 0;
    while (done < bytes_.size()) {
        ssize_t count = ::send(server_, bytes_.data() + done, bytes_.size() - done, MSG_NOSIGNAL);
        if (count <= 0)
            return;  // the client closed early: the rest would not have been read anyway
        done += static_cast<std::size_t>(count);
    }
    ::shutdown(server_, SHUT_WR);
}

void boundLoopbackWaits()
{
    static const bool bounded = [] {
        vmail::options().connectMs = 5000;
        vmail::options().replyMs = 5000;
        vmail::options().dataEndMs = 5000;
        return true;
    }();
    (void)bounded;
}
