#include "platform/clock.h"

#include <chrono>

Instant SystemClock::now() const
{
    using namespace std::chrono;
    const auto sinceEpoch = duration<double>(system_clock::now().time_since_epoch());
    return Instant::fromUnixSeconds(sinceEpoch.count());
}
