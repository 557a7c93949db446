#pragma once

#include <cstdint>
#include <string>

#include "core/Export.h"

namespace Orva::Analytic {

// The two clocks that play-data tracking reads: a monotonic one for key holds and the system
// clock for the start of frame-rate drops. Both can be frozen and then moved by hand, so that
// holds and drops get exact times without anybody sleeping. Game thread only.
class ORVA_API AnalyticClock
{
public:
    static constexpr std::uint64_t NanosecondsPerSecond = 1000000000;
    // System clock readings are in 100-nanosecond ticks since the Unix epoch.
    static constexpr std::uint64_t TicksPerSecond = 10000000;

    static std::uint64_t monotonicNanoseconds() noexcept;
    static std::uint64_t systemTicks() noexcept;

    // The local time of day at a system clock reading as "h:m:s", each a decimal number
    // without leading zeros; empty when the reading has no local time.
    static std::string localTimeText(std::uint64_t systemTicks);

    // From now on both clocks stand still until advanced: the system clock at the given
    // reading, the monotonic clock at 0.
    static void freeze(std::uint64_t systemTicks) noexcept;
    // Moves both frozen clocks forward by the same time. The total is kept in seconds and each
    // clock reads it rounded to its unit, so sixty steps of 1/60 s add up to exactly one
    // second. A negative or non-finite step, or a step while running freely, changes nothing.
    static void advance(double seconds) noexcept;
    // Back to the real clocks.
    static void unfreeze() noexcept;
    static bool isFrozen() noexcept;
};

} // namespace Orva::Analytic
