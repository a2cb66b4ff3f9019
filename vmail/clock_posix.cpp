// The local time with its UTC offset, and random bits, from the POSIX system.
#include "vmail/message.h"

#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace vmail {
namespace {

bool readUrandom(std::uint64_t& value)
{
    std::FILE* file = std::fopen("/dev/urandom", "rb");
    if (!file)
        return false;
    bool read = std::fread(&value, sizeof value, 1, file) == 1;
    std::fclose(file);
    return read;
}

}  // namespace

MailDate currentMailDate()
{
    std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    return MailDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                    local.tm_min, local.tm_sec, static_cast<int>(local.tm_gmtoff / 60)};
}

std::uint64_t randomBits()
{
    std::uint64_t value = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        ssize_t got = getrandom(&value, sizeof value, 0);
        if (got == static_cast<ssize_t>(sizeof value))
            return value;
        if (got >= 0 || errno != EINTR)
            break;
    }
    if (readUrandom(value))
        return value;
    // Without a random source the process and the moment still tell two senders apart.
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<std::uint64_t>(ticks) * 0x9e3779b97f4a7c15u ^
           static_cast<std::uint64_t>(getpid());
}

}  // namespace vmail
