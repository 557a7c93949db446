#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "AnalyticsFixture.h"

namespace {

using Orva::Analytic::AnalyticClock;

class AnalyticClockTest : public ::testing::Test
{
protected:
    void TearDown() override { AnalyticClock::unfreeze(); }
};

TEST_F(AnalyticClockTest, FrozenClocksMoveTogetherAndOnlyForward)
{
    AnalyticClock::freeze(5000);
    EXPECT_TRUE(AnalyticClock::isFrozen());
    EXPECT_EQ(AnalyticClock::monotonicNanoseconds(), 0u);
    EXPECT_EQ(AnalyticClock::systemTicks(), 5000u);

    for (int frame = 0; frame < 60; ++frame) {
        AnalyticClock::advance(1.0 / 60.0);
    }
    EXPECT_EQ(AnalyticClock::monotonicNanoseconds(), AnalyticClock::NanosecondsPerSecond);
    EXPECT_EQ(AnalyticClock::systemTicks(), 5000u + AnalyticClock::TicksPerSecond);

    for (const double step : {-1.0, 0.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        AnalyticClock::advance(step);
    }
    EXPECT_EQ(AnalyticClock::monotonicNanoseconds(), AnalyticClock::NanosecondsPerSecond);

    // Freezing again starts over.
    AnalyticClock::freeze(7);
    AnalyticClock::advance(0.25);
    EXPECT_EQ(AnalyticClock::monotonicNanoseconds(), 250000000u);
    EXPECT_EQ(AnalyticClock::systemTicks(), 2500007u);
}

TEST_F(AnalyticClockTest, UnfrozenClocksAreTheRealOnesAndIgnoreAdvances)
{
    AnalyticClock::freeze(1);
    AnalyticClock::unfreeze();
    EXPECT_FALSE(AnalyticClock::isFrozen());

    const std::uint64_t before = AnalyticClock::monotonicNanoseconds();
    AnalyticClock::advance(3600.0);
    const std::uint64_t after = AnalyticClock::monotonicNanoseconds();
    EXPECT_GE(after, before);
    EXPECT_LT(after - before, 60 * AnalyticClock::NanosecondsPerSecond);

    const auto now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    const auto seconds =
        static_cast<std::int64_t>(AnalyticClock::systemTicks() / AnalyticClock::TicksPerSecond);
    EXPECT_LE(std::llabs(seconds - now), 60);
}

TEST_F(AnalyticClockTest, LocalTimeIsHourMinuteSecondWithoutLeadingZeros)
{
    const ScopedTimeZone zone("XYZ-2");
    const auto at = [](std::uint64_t seconds, std::uint64_t fraction = 0) {
        return AnalyticClock::localTimeText(seconds * AnalyticClock::TicksPerSecond + fraction);
    };
    EXPECT_EQ(at(0), "2:0:0");
    EXPECT_EQ(at(1714979289, AnalyticClock::TicksPerSecond - 1), "9:8:9") << "fractions of a second drop";
    EXPECT_EQ(at(1714979289 + 14 * 3600 + 51 * 60 + 50), "23:59:59");
    EXPECT_EQ(at(1714979289 + 14 * 3600 + 51 * 60 + 51), "0:0:0");
    EXPECT_EQ(at(1714979289 + 3 * 3600 + 1), "12:8:10");
}

} // namespace
