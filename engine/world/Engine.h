#pragma once

#include <exception>
#include <string>
#include <typeinfo>
#include <vector>

#include "core/Export.h"
#include "core/Singleton.h"
#include "world/FramerateController.h"

namespace Orva {

class Window;

namespace Graphics {
class Renderer;
}

// The process-wide engine object: brings every manager up in a fixed order, runs one engine
// step per frame, and takes the managers down again in a fixed order. The program drives it:
// getInstance, initializeEngine, createRenderer, initializeScriptEngine, run, destroy.
class ORVA_API Engine : public Singleton<Engine, SingletonCreation::OnFirstUse>
{
public:
    // The fixed step, in seconds of game time at a time scale of 1.
    static constexpr float FixedStep = 0.016f;
    // The most fixed steps one frame runs, enough for a time scale of 10 at 10 frames per
    // second. A frame that reaches it empties the accumulator: game time then falls behind,
    // where a huge scale would otherwise never empty it and slow steps would ask for more
    // steps every frame.
    static constexpr int MaxStepsPerFrame = 64;
    // Frame times (the mean of the last ten) above this open a slow stretch for analytics.
    static constexpr float SlowFrameTime = 0.03f;
    static constexpr int FramesPerSecond = 60;
    // The profiler section timing the whole frame, waiting included.
    static constexpr const char* FrameSection = "Engine";
    // The engine's configuration, relative to the working directory whatever the resource
    // directory later becomes.
    static constexpr const char* ConfigPath = "../resources/orva.config";
    // Every exception report is also written here, replacing the previous one.
    static constexpr const char* ErrorReportPath = "error.txt";

    // Makes every manager that is not yet set, in the engine's creation order, and reads the
    // configuration (written anew with the defaults when it is missing or malformed).
    void initializeEngine();
    // The object unit size that the configuration gives: always finite and positive. A file
    // that does not load is written anew with the defaults.
    static float readObjectUnitSize();
    // Keeps the lent window, makes the renderer (unless one is set) and the font manager, and
    // initialises the renderer on the window.
    Graphics::Renderer& createRenderer(Window& window);
    // Registers the script interface; does nothing until the renderer exists. Defined with
    // the registration table in scripting/EngineScript.cpp.
    void initializeScriptEngine();
    // Sets the quit flag: run returns before the next frame.
    void exit() noexcept { quit_ = true; }
    bool isQuitting() const noexcept { return quit_; }

    // The frame loop at 60 frames per second: while the quit flag is not set, calls the frame
    // function and, unless it returned false, runs one engine step.
    template <class FrameFunction> void run(FrameFunction&& frame);

    // Destroys every game object, then every manager in the engine's destruction order, then
    // the engine. A manager whose destruction throws is reported on stderr and the rest still
    // go. Never throws.
    static void destroy() noexcept;

    // Reports an exception as a failed frame is reported: its description on stderr and in
    // the error report file. For failures that cannot propagate, such as a script's Deinit
    // failing in a component's destructor.
    static void reportException(std::exception_ptr exception) noexcept;

    Graphics::Renderer* getRenderer() const noexcept { return renderer_; }
    Window* getWindow() const noexcept { return window_; }

    // Step state, for tests and tools: the fixed-step accumulator carried between frames, and
    // a reset of the accumulator and the slow-frame watch (ring, write index, open stretch).
    static float getAccumulator() noexcept;
    static void resetStepState() noexcept;

private:
    friend Singleton<Engine, SingletonCreation::OnFirstUse>;

    Engine() = default;
    ~Engine() = default;

    // One engine step; every exception it meets is reported and the next frame runs as usual.
    void updateLoop(FramerateController& controller) noexcept;
    // A failure in a stage that runs game code (scripts, listeners) ends only that stage and
    // waits in `failures`: the frame's own duties (loads, events, the window's close request,
    // input, sound) go on whatever the scripts do.
    void stepFrame(FramerateController& controller, std::vector<std::exception_ptr>& failures);
    void runFixedSteps();
    void watchSlowFrames();
    // Writes the report to stderr, ending its line, and as it is to the error report file.
    static void throwExceptionEvent(const std::string& message) noexcept;

    Graphics::Renderer* renderer_ = nullptr;
    Window* window_ = nullptr;
    bool quit_ = false;

public:
    // Scales every fixed step; scripts read and write it. Infinity and NaN step as 1.
    float timeScale = 1.0f;
};

template <class FrameFunction> void Engine::run(FrameFunction&& frame)
{
    FramerateController controller(FramesPerSecond);
    while (!quit_) {
        if (!frame()) {
            break;
        }
        updateLoop(controller);
    }
}

namespace detail {

// Reports on stderr the exception being handled (call it from a handler only), thrown while
// the engine's shut-down destroyed a manager or did `what`; a mangled type name is shown
// demangled.
ORVA_API void reportShutdownFailure(const char* what) noexcept;

// Destroys the manager's instance, if any. An exception from its destruction is reported and
// the instance is cleared all the same.
template <class Manager> void destroyManagerReporting() noexcept
{
    try {
        Manager::destroyInstance();
    } catch (...) {
        reportShutdownFailure(typeid(Manager).name());
    }
}

} // namespace detail

} // namespace Orva
