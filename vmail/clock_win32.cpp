// The local time with its UTC offset, and random bits, from Windows.
#include "vmail/message.h"

#include <windows.h>

#include <ntsecapi.h>

namespace vmail {
namespace {

std::int64_t fileTimeTicks(const SYSTEMTIME& time)
{
    FILETIME fileTime = {};
    SystemTimeToFileTime(&time, &fileTime);
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32 |
                                     fileTime.dwLowDateTime);
}

}  // namespace

// The local time and the offset come from one reading of the UTC clock, so the offset is the
// one in force at that moment even when daylight saving time begins or ends meanwhile.
MailDate currentMailDate()
{
    SYSTEMTIME utc = {};
    GetSystemTime(&utc);
    SYSTEMTIME local = {};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        local = utc;
    constexpr std::int64_t kTicksPerMinute = 600000000;  // FILETIME counts 100 ns
    std::int64_t difference = fileTimeTicks(local) - fileTimeTicks(utc);
    int offsetMinutes = static_cast<int>(
        (difference + (difference < 0 ? -kTicksPerMinute : kTicksPerMinute) / 2) / kTicksPerMinute);
    return MailDate{local.wYear,   local.wMonth,  local.wDay, local.wHour,
                    local.wMinute, local.wSecond, offsetMinutes};
}

std::uint64_t randomBits()
{
    std::uint64_t value = 0;
    if (RtlGenRandom(&value, sizeof value))
        return value;
    // Without a random source the process and the moment still tell two senders apart.
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart) * 0x9e3779b97f4a7c15u ^
           GetCurrentProcessId();
}

}  // namespace vmail
