// The small per-platform layer under Socket::connect: name resolution and non-blocking connect
// attempts that can be waited on together. The address loop that races them lives in socket.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vmail {

enum class AddressFamily { ipv4, ipv6, other };

// One resolved address, in the system's own sockaddr form.
struct SocketAddress {
    AddressFamily family = AddressFamily::other;
    int length = 0;
    alignas(8) unsigned char bytes[128] = {};
};

using NativeSocket = std::intptr_t;
constexpr NativeSocket kNoNativeSocket = -1;

// Every address of host for a TCP connection to port, in the resolver's order of preference;
// false when the name does not resolve.
bool resolveAddresses(const std::string& host, int port, std::vector<SocketAddress>& addresses);

// The order of the connection attempts (RFC 8305 4): the resolver's first family leads and the
// two families take turns, each keeping the resolver's order; at most 32 addresses.
std::vector<SocketAddress> interleaveFamilies(const std::vector<SocketAddress>& addresses);

enum class AttemptStart { connected, pending, failed };

// Opens a non-blocking socket and starts connecting it to address; socket is kNoNativeSocket
// when the start failed.
AttemptStart startAttempt(const SocketAddress& address, NativeSocket& socket);

enum class AttemptState { pending, connected, failed };

// Waits up to timeoutMs for any of the pending attempts to finish, and tells each one's state.
// False when the wait itself failed.
bool waitForAttempts(const std::vector<NativeSocket>& attempts, int timeoutMs,
                     std::vector<AttemptState>& states);

void closeNativeSocket(NativeSocket socket);

}  // namespace vmail
