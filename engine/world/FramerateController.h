#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "core/Export.h"

namespace Orva {

// Holds the frame loop to a frame rate. The frame loop calls end() and then start() at the
// top of every frame, so a frame never takes less than the target time.
class ORVA_API FramerateController
{
public:
    using Clock = std::chrono::steady_clock;

    // The target frame time is 1 / framesPerSecond in single precision (60 gives 0.016666668).
    explicit FramerateController(unsigned framesPerSecond = 60);

    void start() noexcept;
    // Spins on the clock, without sleeping, until the target time has passed since the frame
    // began, then begins the next one. A frame that already took longer does not wait, and
    // neither does any frame while the profiler is supplied frame times.
    void end() noexcept;

    float getTargetFrameTime() const noexcept { return targetFrameTime_; }

private:
    float targetFrameTime_;
    Clock::time_point startStamp_;
};

namespace Debug {

// Named timing sections on the steady clock. A section is made on first use by any
// operation, with its start stamp taken then: a section ended before it was ever started
// measures (nearly) 0 instead of the time since the clock's epoch. Main thread only.
class ORVA_API FramerateProfiler
{
public:
    static void start(const std::string& name);
    // The section's last time becomes the seconds since its start.
    static void end(const std::string& name);
    // The section's last time in seconds; 0 for a section never ended.
    static float getDt(const std::string& name);
    // The name given to the last start(); empty before any.
    static const std::string& getCurrentProfiling();

    // Frame-time seam for tests and tools: while a time is supplied for a section, its end()
    // records that time instead of measuring, getDt() returns it, and FramerateController::end()
    // does not wait. A later call for the same section replaces the time.
    static void supplyTime(const std::string& name, float seconds);
    // Back to measuring every section.
    static void stopSupplyingTimes();
    static bool isSupplyingTimes();
};

// The stages of one frame of a game, in the order they run: the program's frame function
// (messages, drawing, swap), then the engine step. The window pass is the pass that shows
// the last layer on the window, with the window's clear when it goes with that pass; the
// window clear is a clear on its own.
enum class FrameStage : unsigned char {
    Messages,
    WindowClear,
    LayerPasses,
    FrameShaderPasses,
    WindowPass,
    Swap,
    Wait,
    ObjectDestruction,
    FixedSteps,
    LoaderDelivery,
    Events,
    Input,
    Audio,
    LayerSort,
    SlowFrameWatch,
};
inline constexpr std::size_t FrameStageCount = static_cast<std::size_t>(FrameStage::SlowFrameWatch) + 1;

// The stage's name in lower case words ("layer passes").
ORVA_API const char* frameStageName(FrameStage stage) noexcept;

// Tells a profiling tool where the frame is: the listener hears each stage as it begins, and
// a stage lasts until the next one begins. Drawing stages are heard when their commands are
// issued; a listener that wants their rasterising time finishes the GL work it was told of.
// Main thread only; nobody listens unless a tool says so.
class ORVA_API FrameStageProbe
{
public:
    using Listener = void (*)(FrameStage stage);

    static void setListener(Listener listener) noexcept;
    static void enter(FrameStage stage) noexcept;
};

} // namespace Debug

} // namespace Orva
