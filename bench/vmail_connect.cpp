// Benchmark: how long the library takes to connect through a name whose first address never
// answers (a broken IPv6 path), beside a direct connect to the address that works. Both run in
// turns against the rig's SMTP port; prints both medians and what the silent address costs.
//   vmail_connect RIG_ENV [COUNT]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/vmail/rig_env.h"
#include "vmail/options.h"
#include "vmail/socket.h"

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Milliseconds for one connect, or a negative value when it failed.
double timeConnect(const std::string& host, int port)
{
    vmail::Socket socket;
    Clock::time_point start = Clock::now();
    vmail::NetStatus status = socket.connect(host, port, vmail::options().connectMs);
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return status == vmail::NetStatus::ok ? ms : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: vmail_connect RIG_ENV [COUNT]\n");
        return 2;
    }
    setenv("VELMOR_RIG_ENV", argv[1], 1);
    RigEnv env = loadRigEnv();
    int count = argc > 2 ? std::atoi(argv[2]) : 50;
    if (!env.loaded || count <= 0) {
        std::fprintf(stderr, "vmail_connect: cannot read %s\n", argv[1]);
        return 2;
    }
    vmail::startNetworking();
    const int port = env.port("RIG_SMTP_PORT");
    std::vector<double> direct, dual;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        double ms = timeConnect(env["RIG_HOST"], port);
        ms < 0 ? ++failures : (direct.push_back(ms), 0);
        ms = timeConnect(env["RIG_DUAL_HOST"], port);
        ms < 0 ? ++failures : (dual.push_back(ms), 0);
    }
    vmail::stopNetworking();
    std::printf("connect: %d connects each to the rig's SMTP port, in turns\n", count);
    std::printf("  direct to %-24s median %8.2f ms\n", env["RIG_HOST"].c_str(), median(direct));
    std::printf("  through %-26s median %8.2f ms (first address silent)\n",
                env["RIG_DUAL_HOST"].c_str(), median(dual));
    std::printf("  the silent address costs:          %8.2f ms (connect time-out %d ms)\n",
                median(dual) - median(direct), vmail::options().connectMs);
    std::printf("  failed connects:                   %d\n", failures);
    return failures == 0 ? 0 : 1;
}
