// The race of connection attempts over the three addresses of the rig's race name, the test's
// own servers at two of them (one silent, one answering) and none at the third (refusing): how
// long the connect takes and that no losing attempt stays open (only the answering server can
// be the one connected). Linux only: it counts the process's
// descriptors in /proc and makes a silent server with a socket filter.
#include <gtest/gtest.h>

#include <linux/filter.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/vmail/vmail_fixture.h"
#include "vmail/socket.h"
#include "vmail/socket_platform.h"

namespace {

enum class Role { refusing, silent, answering };

// A listening server at one address: one that answers, or a silent one that drops every packet
// it is sent, so connection attempts go unanswered as behind a broken path. Where nothing
// listens, a connection is refused.
class RaceServer {
public:
    RaceServer(Role role, vmail::SocketAddress address, int port)
    {
        descriptor_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        reinterpret_cast<sockaddr_in*>(address.bytes)->sin_port = htons(static_cast<uint16_t>(port));
        sock_filter dropAll[] = {{BPF_RET | BPF_K, 0, 0, 0}};
        sock_fprog filter = {1, dropAll};
        sockaddr_in bound = {};
        socklen_t length = sizeof bound;
        if (::bind(descriptor_, reinterpret_cast<sockaddr*>(address.bytes),
                   static_cast<socklen_t>(address.length)) != 0 ||
            (role == Role::silent &&
             setsockopt(descriptor_, SOL_SOCKET, SO_ATTACH_FILTER, &filter, sizeof filter) != 0) ||
            ::listen(descriptor_, 8) != 0 ||
            getsockname(descriptor_, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
            return;
        port_ = ntohs(bound.sin_port);
    }
    ~RaceServer()
    {
        if (descriptor_ >= 0)
            ::close(descriptor_);
    }
    RaceServer(const RaceServer&) = delete;
    RaceServer& operator=(const RaceServer&) = delete;

    int port() const { return port_; }

private:
    int descriptor_ = -1;
    int port_ = 0;
};

std::size_t openDescriptors()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

}  // namespace

// Each row puts the roles on the addresses in the order they are tried, with the attempt delay
// at 1 s. A refusal starts the next attempt at once, well within a third of the delay, also while
// a silent attempt is pending; waiting out the delay instead would add a whole second to the
// second row, whose limit leaves half a second for the moments a refusal takes to arrive.
TEST_F(RigTest, TheRaceOverThreeAddressesTakesTheFirstAnswerAndClosesTheRest)
{
    const struct {
        const char* name;
        Role roles[3];
        int atLeastMs;
        int belowMs;
    } races[] = {
        {"refusing, answering, silent", {Role::refusing, Role::answering, Role::silent}, 0, 333},
        {"silent, refusing, answering", {Role::silent, Role::refusing, Role::answering}, 1000, 1500},
    };
    vmail::options().attemptDelayMs = 1000;
    const std::string host = env_["RIG_RACE_HOST"];
    std::vector<vmail::SocketAddress> resolved;
    ASSERT_TRUE(vmail::resolveAddresses(host, 0, resolved)) << host;
    const std::vector<vmail::SocketAddress> order = vmail::interleaveFamilies(resolved);
    ASSERT_EQ(order.size(), 3u);
    for (const auto& race : races) {
        SCOPED_TRACE(race.name);
        auto at = [&](Role role) {
            return static_cast<std::size_t>(std::find(race.roles, race.roles + 3, role) - race.roles);
        };
        // The answering server picks the port; the silent one listens on it too.
        RaceServer answering(Role::answering, order[at(Role::answering)], 0);
        ASSERT_NE(answering.port(), 0);
        RaceServer silent(Role::silent, order[at(Role::silent)], answering.port());
        ASSERT_NE(silent.port(), 0);

        const std::size_t before = openDescriptors();
        vmail::Socket socket;
        auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(socket.connect(host, answering.port(), 5000), vmail::NetStatus::ok);
        auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, std::chrono::milliseconds(race.atLeastMs));
        EXPECT_LT(took, std::chrono::milliseconds(race.belowMs));
        EXPECT_EQ(openDescriptors(), before + 1) << "only the winning connection is open";
        socket.close();
        EXPECT_EQ(openDescriptors(), before);
    }
}
