#include "world/FramerateController.h"

#include <iterator>
#include <map>
#include <optional>

namespace Orva {

namespace {

using Clock = FramerateController::Clock;

float secondsSince(Clock::time_point stamp) noexcept
{
    const auto nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - stamp).count();
    return static_cast<float>(nanoseconds) / 1000000000.0f;
}

struct Section
{
    float lastTime = 0.0f;
    Clock::time_point startStamp = Clock::now();
    std::optional<float> suppliedTime;
};

struct ProfilerState
{
    std::map<std::string, Section, std::less<>> sections;
    std::string currentSection;
    int suppliedCount = 0;
};

ProfilerState& profiler()
{
    static ProfilerState state;
    return state;
}

Section& section(const std::string& name)
{
    return profiler().sections[name];
}

} // namespace

FramerateController::FramerateController(unsigned framesPerSecond)
    : targetFrameTime_(1.0f / static_cast<float>(framesPerSecond)), startStamp_(Clock::now())
{
}

void FramerateController::start() noexcept
{
    startStamp_ = Clock::now();
}

void FramerateController::end() noexcept
{
    if (!Debug::FramerateProfiler::isSupplyingTimes()) {
        while (targetFrameTime_ > secondsSince(startStamp_)) {
        }
    }
    startStamp_ = Clock::now();
}

namespace Debug {

void FramerateProfiler::start(const std::string& name)
{
    section(name).startStamp = Clock::now();
    profiler().currentSection = name;
}

void FramerateProfiler::end(const std::string& name)
{
    Section& timed = section(name);
    timed.lastTime = timed.suppliedTime ? *timed.suppliedTime : secondsSince(timed.startStamp);
}

float FramerateProfiler::getDt(const std::string& name)
{
    const Section& timed = section(name);
    return timed.suppliedTime ? *timed.suppliedTime : timed.lastTime;
}

const std::string& FramerateProfiler::getCurrentProfiling()
{
    return profiler().currentSection;
}

void FramerateProfiler::supplyTime(const std::string& name, float seconds)
{
    Section& timed = section(name);
    if (!timed.suppliedTime) {
        ++profiler().suppliedCount;
    }
    timed.suppliedTime = seconds;
}

void FramerateProfiler::stopSupplyingTimes()
{
    for (auto& [name, timed] : profiler().sections) {
        timed.suppliedTime.reset();
    }
    profiler().suppliedCount = 0;
}

bool FramerateProfiler::isSupplyingTimes()
{
    return profiler().suppliedCount > 0;
}

namespace {

FrameStageProbe::Listener stageListener = nullptr;

constexpr const char* StageNames[] = {
    "messages", "window clear",       "layer passes",     "frame-shader passes", "window pass", "swap",
    "wait",     "object destruction", "fixed steps",      "loader delivery",     "events",      "input",
    "audio",    "layer sort",         "slow-frame watch",
};
static_assert(std::size(StageNames) == FrameStageCount, "one name per frame stage");

} // namespace

const char* frameStageName(FrameStage stage) noexcept
{
    const auto index = static_cast<std::size_t>(stage);
    return index < FrameStageCount ? StageNames[index] : "";
}

void FrameStageProbe::setListener(Listener listener) noexcept
{
    stageListener = listener;
}

void FrameStageProbe::enter(FrameStage stage) noexcept
{
    if (stageListener != nullptr) {
        stageListener(stage);
    }
}

} // namespace Debug

} // namespace Orva
