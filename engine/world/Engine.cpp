#include "world/Engine.h"

#include <tinyxml2.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cxxabi.h>
#include <iostream>
#include <memory>
#include <sstream>

#include "actions/ActionSetManager.h"
#include "audio/AudioManager.h"
#include "core/EventManager.h"
#include "core/FileWrites.h"
#include "core/GlobalManager.h"
#include "core/MemoryPoolManager.h"
#include "core/ScriptEvents.h"
#include "graphics/AnimationManager.h"
#include "graphics/FontManager.h"
#include "graphics/Renderer.h"
#include "graphics/TextureManager.h"
#include "luabridge/LuaException.h"
#include "physics/PhysicsWorld.h"
#include "platform/Platform.h"
#include "window/InputManager.h"
#include "world/AnalyticClock.h"
#include "world/DataAnalyticManager.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/GlobalComponentManager.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"
#include "world/SetManager.h"

namespace Orva {

namespace {

using PerformanceData = Analytic::DataAnalyticManager::PerformanceData;

constexpr float DefaultObjectUnitSize = 64.0f;

// What the frame step keeps between frames.
struct StepState
{
    static constexpr std::size_t RingSize = 10;

    float accumulator = 0.0f;
    std::array<float, RingSize> frameTimes{};
    std::size_t writeIndex = 0;
    bool stretchOpen = false;
    PerformanceData record;
};

StepState& stepState()
{
    static StepState state;
    return state;
}

// Engine configuration: the default file, and the unit size it gives.
void writeDefaultConfiguration()
{
    replaceFileContents(Engine::ConfigPath, "<config>\n\t<object size=\"64\" />\n</config>", "engine");
}

// A script error text reads "<path>/<File>.lua:<line>: <message>". A text without ".lua"
// names no file and is kept whole as the line text; a text that ends right after ".lua"
// has an empty line text.
std::string luaScriptErrorMessage(const std::string& text, const std::string& section)
{
    std::string file;
    std::string lineText = text;
    const std::size_t extension = text.find(".lua");
    if (extension != std::string::npos) {
        const std::size_t fileEnd = extension + 4;
        const std::size_t slash = text.rfind('/', extension);
        const std::size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
        file = text.substr(fileStart, fileEnd - fileStart);
        lineText = fileEnd + 1 < text.size() ? text.substr(fileEnd + 1) : std::string();
    }
    return "Lua Script Error in " + file + " when doing " + section + "\n" + "Line:" + lineText;
}

std::string describeFrameException(std::exception_ptr exception, const std::string& section)
{
    try {
        std::rethrow_exception(exception);
    } catch (const luabridge::LuaException& error) {
        return luaScriptErrorMessage(error.what(), section);
    } catch (const LuaExceptionEvent& error) {
        return error.message;
    } catch (const std::exception& error) {
        return "Exception thrown when doing " + section + "\n" + "Error message:" + error.what() + "\n";
    } catch (...) {
        return "Exception thrown when doing " + section + "\n" + "Unable to access error message.\n";
    }
}

// Objects go before any manager: a script's Deinit may make an object from a set, look up a
// stage or play a sound, and the managers it reaches must still be there.
void destroyObjectsBeforeManagers() noexcept
{
    if (!GameObjectManager::hasInstance()) {
        return;
    }
    try {
        GameObjectManager::getInstance().destroyAllObjects();
    } catch (...) {
        detail::reportShutdownFailure("destroying the game objects");
    }
}

// Runs the stage; a failure is kept for the report and the frame goes on.
template <class Stage> void guarded(std::vector<std::exception_ptr>& failures, Stage&& stage)
{
    try {
        stage();
    } catch (...) {
        failures.push_back(std::current_exception());
    }
}

void runOneFixedStep(float dt)
{
    Physics::PhysicsWorld::getInstance().update(dt);
    GlobalComponentManager::update(dt);
}

} // namespace

void Engine::initializeEngine()
{
    MemoryPoolManager::createInstance();
    InputManager::createInstance();
    EventManager::createInstance();
    LuaScriptManager::createInstance();
    Resources::ResourceManager::createInstance();
    Resources::ResourceManager::setResourceDirectory("../resources/");
    Graphics::TextureManager::createInstance();
    Actions::ActionSetManager::createInstance();
    GlobalManager::createInstance();
    GlobalComponentManager::createInstance();
    GameObjectManager::createInstance();
    Physics::PhysicsWorld::createInstance();
    Graphics::AnimationManager::createInstance();
    GameStateManager::createInstance();
    SetManager::createInstance();
    Audio::AudioManager::createInstance();
    Analytic::DataAnalyticManager::createInstance();

    const float unitSize = readObjectUnitSize();
    GlobalManager::ObjectUnitSize = unitSize;
    GlobalManager::InverseObjectUnitSize = 1.0f / unitSize;
}

// A well-formed file without a usable positive size leaves the default in force (and the file
// as it is): a size of 0 would make every pixel-to-world conversion divide by zero, and one so
// small that its inverse overflows would make them infinite.
float Engine::readObjectUnitSize()
{
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.LoadFile(Engine::ConfigPath) != tinyxml2::XML_SUCCESS) {
        writeDefaultConfiguration();
        return DefaultObjectUnitSize;
    }
    const tinyxml2::XMLElement* config = document.FirstChildElement("config");
    const tinyxml2::XMLElement* object = config ? config->FirstChildElement("object") : nullptr;
    float size = 0.0f;
    if (!object || object->QueryFloatAttribute("size", &size) != tinyxml2::XML_SUCCESS ||
        !std::isfinite(size) || size <= 0.0f || !std::isfinite(1.0f / size)) {
        return DefaultObjectUnitSize;
    }
    return size;
}

Graphics::Renderer& Engine::createRenderer(Window& window)
{
    window_ = &window;
    renderer_ = &Graphics::Renderer::createInstance();
    renderer_->init(window);
    Graphics::FontManager::createInstance();
    return *renderer_;
}

void Engine::updateLoop(FramerateController& controller) noexcept
{
    std::vector<std::exception_ptr> failures;
    try {
        stepFrame(controller, failures);
    } catch (...) {
        reportException(std::current_exception());
    }
    for (const std::exception_ptr& failure : failures) {
        reportException(failure);
    }
}

void Engine::stepFrame(FramerateController& controller, std::vector<std::exception_ptr>& failures)
{
    using Debug::FrameStage;
    using Debug::FrameStageProbe;
    FrameStageProbe::enter(FrameStage::Wait);
    controller.end();
    Debug::FramerateProfiler::end(FrameSection);
    controller.start();
    Debug::FramerateProfiler::start(FrameSection);

    FrameStageProbe::enter(FrameStage::ObjectDestruction);
    guarded(failures, [] { GameObjectManager::update(); });
    FrameStageProbe::enter(FrameStage::FixedSteps);
    guarded(failures, [this] { runFixedSteps(); });
    FrameStageProbe::enter(FrameStage::LoaderDelivery);
    Resources::ResourceManager::getInstance().sendAllEvents();
    FrameStageProbe::enter(FrameStage::Events);
    guarded(failures, [] { EventManager::PushAllEvents(); });
    // Input and the layer re-sort run on frames, not on game time: always 0.016, unscaled.
    FrameStageProbe::enter(FrameStage::Input);
    guarded(failures, [] { InputManager::update(FixedStep); });
    FrameStageProbe::enter(FrameStage::Audio);
    Audio::AudioManager::getInstance().update();
    FrameStageProbe::enter(FrameStage::LayerSort);
    if (renderer_) {
        renderer_->update(FixedStep);
    }
    FrameStageProbe::enter(FrameStage::SlowFrameWatch);
    if (Analytic::DataAnalyticManager::getInstance().isTrackingLevel()) {
        watchSlowFrames();
    }
}

// At a time scale of 1 or more the accumulator decides the step count, at least one per
// frame and at most MaxStepsPerFrame, and may go below zero; below 1 every frame runs
// exactly one (shorter) step. Once the program has been asked to end no step begins: frames
// of slow steps would otherwise keep a close request waiting for many seconds.
void Engine::runFixedSteps()
{
    if (Platform::CloseRequested()) {
        return;
    }
    const float scale = std::isfinite(timeScale) ? timeScale : 1.0f;
    const float dt = scale * FixedStep;
    if (!(scale >= 1.0f)) {
        runOneFixedStep(dt);
        return;
    }
    float& accumulator = stepState().accumulator;
    accumulator += scale * Debug::FramerateProfiler::getDt(FrameSection);
    for (int steps = 1;; ++steps) {
        // Counted before it runs: a step that fails has used its time all the same.
        accumulator -= FixedStep;
        runOneFixedStep(dt);
        if (!(accumulator > FixedStep)) {
            return;
        }
        if (steps == MaxStepsPerFrame) {
            accumulator = 0.0f;
            return;
        }
        if (Platform::CloseRequested()) {
            return;
        }
    }
}

// Opens a record when the mean of the last ten frame times rises above SlowFrameTime and
// appends it to the current stage's entry when the mean falls back.
void Engine::watchSlowFrames()
{
    StepState& state = stepState();
    state.frameTimes[state.writeIndex] = Debug::FramerateProfiler::getDt(FrameSection);
    state.writeIndex = (state.writeIndex + 1) % StepState::RingSize;

    float sum = 0.0f;
    int counted = 0;
    for (const float frameTime : state.frameTimes) {
        if (!(frameTime > 0.0f)) {
            break;
        }
        sum += frameTime;
        ++counted;
    }
    const float mean = counted > 0 ? sum / static_cast<float>(counted) : 0.0f;

    auto& analytics = Analytic::DataAnalyticManager::getInstance();
    if (mean > SlowFrameTime) {
        if (state.stretchOpen) {
            return;
        }
        PerformanceData& record = state.record;
        record = PerformanceData();
        record.frameTime = mean;
        record.startTime = Analytic::AnalyticClock::systemTicks();
        std::ostringstream dump;
        MemoryPoolManager::MemoryDump(dump);
        record.memDump = dump.str();
        record.loading = !Resources::ResourceManager::getInstance().isDone();
        record.objectCount = static_cast<unsigned>(GameObjectManager::getInstance().getAllObjects().size());
        const auto& level = analytics.currentLevelRecord();
        record.objectCreateCount = level.created;
        record.objectDeleteCount = level.deleted;
        state.stretchOpen = true;
    } else if (state.stretchOpen) {
        PerformanceData& record = state.record;
        // Signed: the system clock may have been set back meanwhile.
        const auto ticks =
            static_cast<std::int64_t>(Analytic::AnalyticClock::systemTicks() - record.startTime);
        record.duration =
            static_cast<float>(static_cast<double>(ticks) / Analytic::AnalyticClock::TicksPerSecond);
        record.time = Analytic::AnalyticClock::localTimeText(record.startTime);
        analytics.addPerformanceRecord(record);
        state.stretchOpen = false;
    }
}

void Engine::reportException(std::exception_ptr exception) noexcept
{
    try {
        throwExceptionEvent(
            describeFrameException(exception, Debug::FramerateProfiler::getCurrentProfiling()));
    } catch (...) {
        std::fputs("Engine: a failure could not be reported\n", stderr);
    }
}

// Reports that do not end a line get one on stderr, so that the next report starts its own.
void Engine::throwExceptionEvent(const std::string& message) noexcept
{
    std::cerr << message;
    if (message.empty() || message.back() != '\n') {
        std::cerr << '\n';
    }
    std::cerr << std::flush;
    // Rewritten every frame while a script keeps failing: flushing it to the disk each time
    // would cost the frame more than the report is worth.
    replaceFileContents(ErrorReportPath, message, "engine", Flush::ToCache);
}

void Engine::destroy() noexcept
{
    if (!hasInstance()) {
        return;
    }
    using detail::destroyManagerReporting;
    destroyObjectsBeforeManagers();
    destroyManagerReporting<SetManager>();
    destroyManagerReporting<GameStateManager>();
    destroyManagerReporting<Graphics::AnimationManager>();
    destroyManagerReporting<GameObjectManager>();
    destroyManagerReporting<GlobalComponentManager>();
    destroyManagerReporting<Graphics::FontManager>();
    destroyManagerReporting<Graphics::Renderer>();
    destroyManagerReporting<Physics::PhysicsWorld>();
    destroyManagerReporting<GlobalManager>();
    destroyManagerReporting<Analytic::DataAnalyticManager>();
    destroyManagerReporting<Actions::ActionSetManager>();
    destroyManagerReporting<Audio::AudioManager>();
    destroyManagerReporting<Graphics::TextureManager>();
    destroyManagerReporting<Resources::ResourceManager>();
    // The script manager outlives the event manager, so its own subscriptions go first.
    if (LuaScriptManager::hasInstance()) {
        try {
            LuaScriptManager::getInstance().getEventCallbackObject().clearEvents();
        } catch (...) {
            detail::reportShutdownFailure("withdrawing the script manager's event subscriptions");
        }
    }
    destroyManagerReporting<EventManager>();
    destroyManagerReporting<InputManager>();
    destroyManagerReporting<LuaScriptManager>();
    destroyManagerReporting<MemoryPoolManager>();
    Singleton::destroyInstance();
}

float Engine::getAccumulator() noexcept
{
    return stepState().accumulator;
}

void Engine::resetStepState() noexcept
{
    stepState() = StepState();
}

namespace detail {

void reportShutdownFailure(const char* what) noexcept
{
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(what, nullptr, nullptr, &status), &std::free);
    const char* name = status == 0 && demangled ? demangled.get() : what;
    try {
        throw;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Engine shut-down: %s: %s\n", name, error.what());
    } catch (...) {
        std::fprintf(stderr, "Engine shut-down: %s: unknown exception\n", name);
    }
}

} // namespace detail

} // namespace Orva
