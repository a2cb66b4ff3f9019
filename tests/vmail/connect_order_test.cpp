// The order of connection attempts over a name's addresses: the resolver's first family leads,
// then the families take turns, each in the resolver's order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vmail/socket_platform.h"

namespace {

using vmail::AddressFamily;
using vmail::SocketAddress;

// Addresses written as "6a 4b ...": the family, then a tag that tells them apart.
std::vector<SocketAddress> addresses(const std::string& spelled)
{
    std::vector<SocketAddress> list;
    for (std::size_t i = 0; i + 1 < spelled.size(); i += 3) {
        SocketAddress address;
        address.family = spelled[i] == '6' ? AddressFamily::ipv6 : AddressFamily::ipv4;
        address.bytes[0] = static_cast<unsigned char>(spelled[i + 1]);
        list.push_back(address);
    }
    return list;
}

std::string spelled(const std::vector<SocketAddress>& list)
{
    std::string text;
    for (const SocketAddress& address : list) {
        text += text.empty() ? "" : " ";
        text += address.family == AddressFamily::ipv6 ? '6' : '4';
        text += static_cast<char>(address.bytes[0]);
    }
    return text;
}

}  // namespace

TEST(ConnectionOrder, InterleavesTheFamiliesLeadingWithTheResolversFirst)
{
    const struct {
        const char* resolved;
        const char* tried;
    } cases[] = {
        {"", ""},
        {"6a 6b 4c 4d", "6a 4c 6b 4d"},
        {"4a 6b 6c 6d", "4a 6b 6c 6d"},
        {"4a 4b 4c 6d", "4a 6d 4b 4c"},
        {"6a 4b", "6a 4b"},
        {"4a 4b", "4a 4b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(spelled(vmail::interleaveFamilies(addresses(c.resolved))), c.tried) << c.resolved;

    std::string many;
    for (int i = 0; i < 40; ++i)
        many += std::string(many.empty() ? "" : " ") + "4" + static_cast<char>('0' + i);
    EXPECT_EQ(vmail::interleaveFamilies(addresses(many)).size(), 32u);
}
