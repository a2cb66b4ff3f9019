// Name resolution for the connection attempts: getaddrinfo has the same form on Winsock and on
// POSIX; only the headers and one flag differ.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

#include <cstring>

#include "vmail/socket_platform.h"

namespace vmail {

namespace {

#ifdef _WIN32
// Windows counts no loopback address as configured, so AI_ADDRCONFIG would leave an offline
// machine unable to resolve even "localhost".
constexpr int kResolveFlags = 0;
#else
constexpr int kResolveFlags = AI_ADDRCONFIG;
#endif

}  // namespace

bool resolveAddresses(const std::string& host, int port, std::vector<SocketAddress>& addresses)
{
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = kResolveFlags;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0)
        return false;
    for (addrinfo* entry = found; entry; entry = entry->ai_next) {
        SocketAddress address;
        if (entry->ai_addrlen > sizeof address.bytes)
            continue;
        address.family = entry->ai_family == AF_INET    ? AddressFamily::ipv4
                         : entry->ai_family == AF_INET6 ? AddressFamily::ipv6
                                                        : AddressFamily::other;
        address.length = static_cast<int>(entry->ai_addrlen);
        std::memcpy(address.bytes, entry->ai_addr, entry->ai_addrlen);
        addresses.push_back(address);
    }
    freeaddrinfo(found);
    return !addresses.empty();
}

}  // namespace vmail
