// Whole frames on a 1280 × 720 window as the game program runs them: the window's messages,
// drawing (beginDraw, and endDraw with the swap), then the engine step. It needs an X server
// whose screen holds the window; without a display run it under a virtual one:
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/frame_bench
//
// Workloads:
//   empty/layers:L         an empty stage on L layers (the default one and L - 1 more)
//   sprites:300/layers:L   300 translucent, rotated 64 × 64 px sprites sharing one texture,
//                          spread over the view and dealt round the L layers
//   scripts:N              N objects, each with a script component whose Update does a few
//                          lines of arithmetic on its own table; nothing is drawn
// Modes:
//   back-to-back   frames one after another: the frame-time seam gives each 1/60 s, so
//                  nothing waits (one fixed step a frame, as at 60 fps)
//   paced          the engine's own 60 fps pacing, as a game runs: between frames the main
//                  thread waits and the rasteriser's threads fall idle (not for 100,000
//                  scripts, which cannot keep the pace)
//   stages         back to back, timed per frame stage (world/FramerateController.h); the GL
//                  work of each drawing stage is finished before the next stage begins, so its
//                  rasterising counts where its commands were issued
//
// Counters, per frame: frame_ms, the whole frame without the pacing's wait (in the paced mode
// the reported time is the pace itself); in the stages mode one <stage>_ms per stage, the
// wait excluded. The CPU column is the time of every thread of the process, the rasteriser's
// included (and, paced, the wait's spinning): on a busy machine it shows the work where the
// wall clock shows the waiting for a core.

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "BenchGame.h"
#include "graphics/SpriteComponent.h"
#include "graphics/Viewport.h"
#include "world/GameObjectManager.h"
#include "world/TransformComponent.h"

namespace {

using Clock = std::chrono::steady_clock;
using Orva::Debug::FrameStage;

constexpr unsigned Width = 1280;
constexpr unsigned Height = 720;
constexpr int SpritePixels = 64;
constexpr float FrameTime = BenchGame::FrameTime;
constexpr char TexturePath[] = "images/frame.png";

const char* const CounterSource = R"(
function InitCounter(self)
    self.x = 0
    self.y = 1
    self.n = 0
end
function UpdateCounter(self, dt)
    self.x = self.x + dt * 2
    self.y = self.y * 0.5 + self.x
    self.n = self.n + 1
end
function DeinitCounter(self) end
function UnloadCounter() end
)";

enum class Mode { BackToBack, Paced, Stages };

struct Workload
{
    int layers = 1;
    int sprites = 0;
    int scripts = 0;
};

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// Where the frames' time went, stage by stage, as the frame-stage probe tells it.
struct StageClock
{
    std::array<double, Orva::Debug::FrameStageCount> seconds{};
    FrameStage current = FrameStage::Messages;
    Clock::time_point since;
    bool started = false;
    bool finishDrawing = false;

    static StageClock& instance()
    {
        static StageClock clock;
        return clock;
    }

    static bool isDrawing(FrameStage stage)
    {
        return stage == FrameStage::WindowClear || stage == FrameStage::LayerPasses ||
               stage == FrameStage::FrameShaderPasses || stage == FrameStage::WindowPass;
    }

    static void enter(FrameStage stage)
    {
        StageClock& clock = instance();
        if (clock.finishDrawing && isDrawing(clock.current)) {
            glFinish();
        }
        const Clock::time_point now = Clock::now();
        if (clock.started) {
            clock.seconds[static_cast<std::size_t>(clock.current)] += ::seconds(now - clock.since);
        }
        clock.current = stage;
        clock.since = now;
        clock.started = true;
    }

    double of(FrameStage stage) const { return seconds[static_cast<std::size_t>(stage)]; }
};

class FrameScene
{
public:
    explicit FrameScene(const Workload& workload) : game_("frame-bench", {Width, Height})
    {
        Orva::Graphics::Viewport& viewport = game_.renderer().getViewport();
        for (int layer = 1; layer < workload.layers; ++layer) {
            viewport.addLayer("layer" + std::to_string(layer + 1));
        }
        if (workload.sprites > 0) {
            // Four coloured quadrants.
            game_.writeImage(TexturePath, SpritePixels, SpritePixels, [](int x, int y) {
                return (x >= SpritePixels / 2 ? 0xFF000000u : 0u) |
                       (y >= SpritePixels / 2 ? 0x00FF0000u : 0u) | 0x0000FFFFu;
            });
            makeSprites(workload.sprites, static_cast<unsigned>(workload.layers));
        }
        if (workload.scripts > 0) {
            game_.loadScript("Counter.lua", CounterSource);
            Orva::GameObjectManager& objects = Orva::GameObjectManager::getInstance();
            for (int i = 0; i < workload.scripts; ++i) {
                objects.create()->addLuaScript("Counter");
            }
        }
        game_.settle(sprites_.empty() ? nullptr : sprites_.front());
    }

    // Frames while the benchmark keeps running; the stage clock hears every stage.
    void runFrames(benchmark::State& state, Mode mode)
    {
        if (mode == Mode::Paced) {
            Orva::Debug::FramerateProfiler::stopSupplyingTimes();
        } else {
            Orva::Debug::FramerateProfiler::supplyTime(Orva::Engine::FrameSection, FrameTime);
        }
        StageClock& clock = StageClock::instance();
        clock = StageClock();
        clock.finishDrawing = mode == Mode::Stages;
        Orva::Debug::FrameStageProbe::setListener(&StageClock::enter);
        const Clock::time_point start = Clock::now();
        BenchGame::engine().run([&] { return state.KeepRunning() && drawFrame(); });
        const double total = seconds(Clock::now() - start) - clock.of(FrameStage::Wait);
        Orva::Debug::FrameStageProbe::setListener(nullptr);

        const auto perFrame = [&](double secondsInAll) {
            return benchmark::Counter(secondsInAll * 1000.0 / static_cast<double>(state.iterations()));
        };
        state.counters["frame_ms"] = perFrame(total);
        if (mode != Mode::Stages) {
            return;
        }
        for (std::size_t index = 0; index < Orva::Debug::FrameStageCount; ++index) {
            const auto stage = static_cast<FrameStage>(index);
            if (stage == FrameStage::Wait) {
                continue;
            }
            std::string name = Orva::Debug::frameStageName(stage);
            for (char& c : name) {
                c = c == ' ' || c == '-' ? '_' : c;
            }
            state.counters[name + "_ms"] = perFrame(clock.of(stage));
        }
    }

private:
    // What the game program's frame function does for an empty game.
    bool drawFrame()
    {
        Orva::Debug::FrameStageProbe::enter(FrameStage::Messages);
        const bool open = game_.window().update();
        game_.renderer().beginDraw();
        game_.renderer().endDraw();
        return open;
    }

    // Sprites on a grid over the view, each turned a little further and half transparent,
    // dealt round the layers.
    void makeSprites(int count, unsigned layers)
    {
        Orva::GameObjectManager& objects = Orva::GameObjectManager::getInstance();
        const float unitsWide = static_cast<float>(Width) / 64.0f;
        const float unitsHigh = static_cast<float>(Height) / 64.0f;
        const int columns = static_cast<int>(std::ceil(std::sqrt(count * unitsWide / unitsHigh)));
        const int rows = (count + columns - 1) / columns;
        for (int i = 0; i < count; ++i) {
            Orva::GameObject* object = objects.create();
            Orva::TransformComponent* transform = object->addComponent<Orva::TransformComponent>();
            const float x = (static_cast<float>(i % columns) + 0.5f) / static_cast<float>(columns) - 0.5f;
            const float y = (static_cast<float>(i / columns) + 0.5f) / static_cast<float>(rows) - 0.5f;
            transform->setLocalTranslation({x * unitsWide, y * unitsHigh, 0.0f});
            transform->setLocalRotationRad(0.37f * static_cast<float>(i));
            auto* sprite = object->addComponent<Orva::Graphics::SpriteComponent>();
            sprite->initialize(TexturePath, Orva::Graphics::Color(1.0f, 1.0f, 1.0f, 0.5f));
            sprite->moveToLayer(static_cast<unsigned>(i) % layers);
            sprites_.push_back(sprite);
        }
    }

    BenchGame game_;
    std::vector<Orva::Graphics::SpriteComponent*> sprites_;
};

// A workload that cannot keep 60 frames per second is not run paced: its frames would only be
// late, each catching up with more fixed steps.
void registerFrames(const std::string& name, const Workload& workload, int iterations, bool paced = true)
{
    for (const auto& [mode, modeName] :
         {std::pair{Mode::BackToBack, "back-to-back"}, std::pair{Mode::Paced, "paced"},
          std::pair{Mode::Stages, "stages"}}) {
        if (mode == Mode::Paced && !paced) {
            continue;
        }
        benchmark::RegisterBenchmark((name + "/" + modeName).c_str(),
                                     [workload, mode = mode](benchmark::State& state) {
                                         FrameScene scene(workload);
                                         scene.runFrames(state, mode);
                                     })
            ->Iterations(mode == Mode::Paced ? iterations / 2 : iterations)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
    }
}

} // namespace

int main(int argc, char** argv)
{
    registerFrames("empty/layers:1", {1, 0, 0}, 600);
    registerFrames("empty/layers:2", {2, 0, 0}, 600);
    registerFrames("empty/layers:4", {4, 0, 0}, 600);
    registerFrames("sprites:300/layers:1", {1, 300, 0}, 600);
    registerFrames("sprites:300/layers:2", {2, 300, 0}, 600);
    registerFrames("scripts:1000", {1, 0, 1000}, 600);
    registerFrames("scripts:100000", {1, 0, 100000}, 100, false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
