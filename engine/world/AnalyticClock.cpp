#include "world/AnalyticClock.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace Orva::Analytic {

namespace {

struct FrozenClocks
{
    bool frozen = false;
    std::uint64_t systemStart = 0;
    double elapsedSeconds = 0.0;
};

FrozenClocks& frozenClocks() noexcept
{
    static FrozenClocks clocks;
    return clocks;
}

std::uint64_t frozenReading(std::uint64_t unitsPerSecond) noexcept
{
    return static_cast<std::uint64_t>(
        std::llround(frozenClocks().elapsedSeconds * static_cast<double>(unitsPerSecond)));
}

template <class Duration, class TimePoint> std::uint64_t countSinceEpoch(TimePoint now) noexcept
{
    return static_cast<std::uint64_t>(std::chrono::duration_cast<Duration>(now.time_since_epoch()).count());
}

} // namespace

std::uint64_t AnalyticClock::monotonicNanoseconds() noexcept
{
    if (frozenClocks().frozen) {
        return frozenReading(NanosecondsPerSecond);
    }
    return countSinceEpoch<std::chrono::nanoseconds>(std::chrono::steady_clock::now());
}

std::uint64_t AnalyticClock::systemTicks() noexcept
{
    if (frozenClocks().frozen) {
        return frozenClocks().systemStart + frozenReading(TicksPerSecond);
    }
    using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, TicksPerSecond>>;
    return countSinceEpoch<Ticks>(std::chrono::system_clock::now());
}

std::string AnalyticClock::localTimeText(std::uint64_t systemTicks)
{
    const auto seconds = static_cast<std::time_t>(systemTicks / TicksPerSecond);
    std::tm local{};
    if (!localtime_r(&seconds, &local)) {
        return {};
    }
    return std::to_string(local.tm_hour) + ":" + std::to_string(local.tm_min) + ":" +
           std::to_string(local.tm_sec);
}

void AnalyticClock::freeze(std::uint64_t systemTicks) noexcept
{
    frozenClocks() = FrozenClocks{true, systemTicks, 0.0};
}

void AnalyticClock::advance(double seconds) noexcept
{
    FrozenClocks& clocks = frozenClocks();
    if (clocks.frozen && std::isfinite(seconds) && seconds > 0.0) {
        clocks.elapsedSeconds += seconds;
    }
}

void AnalyticClock::unfreeze() noexcept
{
    frozenClocks() = FrozenClocks();
}

bool AnalyticClock::isFrozen() noexcept
{
    return frozenClocks().frozen;
}

} // namespace Orva::Analytic
