// Deadlines: every wait of the library ends at a point of the steady clock, and each system
// call waits only for what is left until then.
#pragma once

#include <chrono>

namespace vmail {

using Clock = std::chrono::steady_clock;

// The point timeoutMs from now.
inline Clock::time_point deadlineIn(int timeoutMs)
{
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

// Milliseconds left until deadline, at least 0.
inline int millisecondsUntil(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace vmail
