#pragma once

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "EngineFixture.h"
#include "window/InputKeys.h"
#include "world/AnalyticClock.h"
#include "world/DataAnalyticManager.h"
#include "world/GameObjectManager.h"

// Local time in the given POSIX time zone while it lives; the zone before it afterwards.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* current = std::getenv("TZ")) {
            saved_ = current;
        }
        setenv("TZ", zone, 1);
        tzset();
    }

    ~ScopedTimeZone()
    {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> saved_;
};

// A whole engine whose analytics clocks are frozen at 2024-05-06 7:08:09 UTC and move only
// with the frames, in a time zone two hours east of UTC, with every key up.
class AnalyticsTest : public EngineTest
{
protected:
    static constexpr std::uint64_t StartSeconds = 1714979289; // 2024-05-06 07:08:09 UTC
    static constexpr std::uint64_t StartTicks = StartSeconds * Orva::Analytic::AnalyticClock::TicksPerSecond;
    static constexpr float SixtiethOfASecond = 1.0f / 60.0f;

    void SetUp() override
    {
        EngineTest::SetUp();
        zone_.emplace("XYZ-2");
        std::memset(Orva::WindowKeyStates, 0, sizeof Orva::WindowKeyStates);
        Orva::Analytic::AnalyticClock::freeze(StartTicks);
    }

    void TearDown() override
    {
        Orva::Analytic::AnalyticClock::unfreeze();
        std::memset(Orva::WindowKeyStates, 0, sizeof Orva::WindowKeyStates);
        zone_.reset();
        EngineTest::TearDown();
    }

    static Orva::Analytic::DataAnalyticManager& analytics()
    {
        return Orva::Analytic::DataAnalyticManager::getInstance();
    }
    static Orva::GameObjectManager& objects() { return Orva::GameObjectManager::getInstance(); }

    // The key is down for `frames` frames of 1/60 s, then up for one more.
    static void holdKey(unsigned char key, std::size_t frames)
    {
        Orva::WindowKeyStates[key] = 1;
        runFrames(frames, SixtiethOfASecond);
        Orva::WindowKeyStates[key] = 0;
        runFrames(1, SixtiethOfASecond);
    }

private:
    std::optional<ScopedTimeZone> zone_;
};
