// Frame cost with many sprites, on an 800 × 600 window (run it under an X server, e.g.
// `xvfb-run -a -s "-screen 0 1024x768x24" build/bin/sprite_bench`).
//
//   spriteFrame/N   N sprites of 32 × 32 px made in C++, sharing one texture and spread over
//                   the view, all moved each fixed step by one script component that found
//                   their transforms with gameObjects:find in its Init. One iteration is one
//                   whole frame: drawing (beginDraw, endDraw) and the engine step with its one
//                   fixed step (the script, the transforms, the sprites). Frame times go
//                   through the frame-time seam, so nothing waits for the 60 fps pace.
//
// Counters: update_ms and draw_ms, the two parts of frame_ms, each per frame.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "BenchGame.h"
#include "graphics/Renderer.h"
#include "graphics/SpriteComponent.h"
#include "graphics/Texture.h"
#include "scripting/luabridge/LuaBridge.h"
#include "world/Engine.h"
#include "world/FramerateController.h"
#include "world/GameObjectManager.h"
#include "world/LuaScriptManager.h"
#include "world/TransformComponent.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned Width = 800;
constexpr unsigned Height = 600;
constexpr int SpritePixels = 32;
constexpr float FrameTime = 1.0f / 60.0f;
constexpr char TexturePath[] = "images/bench.png";

// Every sprite swings left and right by half a unit around its place.
const char* const MoverSource = R"(
function InitMover(self)
    self.transforms = {}
    for i = 1, SpriteCount do
        self.transforms[i] = gameObjects:find("sprite" .. i).transform
    end
    self.time = 0
end
function UpdateMover(self, dt)
    self.time = self.time + dt
    local dx = 0.5 * math.cos(self.time) * dt
    local transforms = self.transforms
    for i = 1, #transforms do
        local transform = transforms[i]
        local t = transform.LocalTranslation
        t.x = t.x + dx
        transform.LocalTranslation = t
    end
end
function DeinitMover(self) end
function UnloadMover() end
)";

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// The game with the sprites, their texture and the script.
class SpriteScene
{
public:
    explicit SpriteScene(int count) : game_("sprite bench", Width, Height)
    {
        game_.writeTexture(TexturePath, SpritePixels);
        makeSprites(count);
        luabridge::setGlobal(Orva::LuaScriptManager::getInstance().getLuaState(), count, "SpriteCount");
        game_.loadScript("Mover.lua", MoverSource);
        Orva::GameObjectManager::getInstance().create("mover")->addLuaScript("Mover");
        BenchGame::runFramesUntil([this] { runFrame(); }, [this] {
            return sprites_.empty() ||
                   (sprites_.front()->getTexture() != nullptr && sprites_.front()->getTexture()->isLoaded());
        });
        // The script's Init, the first sort and the batch's first growth stay out of the table.
        for (int frame = 0; frame < 10; ++frame) {
            runFrame();
        }
    }

    // One frame as the game program runs it: drawing, then the engine step.
    void runFrame()
    {
        bool drawn = false;
        Clock::time_point drawEnd;
        BenchGame::engine().run([&] {
            if (drawn) {
                return false;
            }
            const Clock::time_point drawStart = Clock::now();
            game_.renderer().beginDraw();
            game_.renderer().endDraw();
            drawEnd = Clock::now();
            drawSeconds_ += seconds(drawEnd - drawStart);
            Orva::Debug::FramerateProfiler::supplyTime(Orva::Engine::FrameSection, FrameTime);
            drawn = true;
            return true;
        });
        updateSeconds_ += seconds(Clock::now() - drawEnd);
    }

    // Forgets the time of the frames so far.
    void resetTimes()
    {
        drawSeconds_ = 0.0;
        updateSeconds_ = 0.0;
    }
    double getDrawSeconds() const { return drawSeconds_; }
    double getUpdateSeconds() const { return updateSeconds_; }

private:
    // Objects "sprite1" to "spriteN" on a grid that fills the view.
    void makeSprites(int count)
    {
        Orva::GameObjectManager& objects = Orva::GameObjectManager::getInstance();
        const float unitsWide = static_cast<float>(Width) / 64.0f;
        const float unitsHigh = static_cast<float>(Height) / 64.0f;
        int columns = 1;
        while (columns * columns * Height < static_cast<unsigned>(count) * Width) {
            ++columns;
        }
        const int rows = (count + columns - 1) / columns;
        for (int i = 0; i < count; ++i) {
            Orva::GameObject* object = objects.create("sprite" + std::to_string(i + 1));
            Orva::TransformComponent* transform = object->addComponent<Orva::TransformComponent>();
            const float x = (static_cast<float>(i % columns) + 0.5f) / static_cast<float>(columns) - 0.5f;
            const float y = (static_cast<float>(i / columns) + 0.5f) / static_cast<float>(rows) - 0.5f;
            transform->setLocalTranslation({x * unitsWide, y * unitsHigh, 0.0f});
            object->addComponent<Orva::Graphics::SpriteComponent>()->initialize(TexturePath,
                                                                                Orva::Graphics::Color());
            sprites_.push_back(object->getComponent<Orva::Graphics::SpriteComponent>());
        }
    }

    BenchGame game_;
    std::vector<Orva::Graphics::SpriteComponent*> sprites_;
    double drawSeconds_ = 0.0;
    double updateSeconds_ = 0.0;
};

void spriteFrame(benchmark::State& state)
{
    SpriteScene scene(static_cast<int>(state.range(0)));
    scene.resetTimes();
    for (auto _ : state) {
        scene.runFrame();
    }
    const auto perFrame = [&](double total) {
        return benchmark::Counter(total * 1000.0, benchmark::Counter::kAvgIterations);
    };
    state.counters["update_ms"] = perFrame(scene.getUpdateSeconds());
    state.counters["draw_ms"] = perFrame(scene.getDrawSeconds());
    state.counters["frame_ms"] = perFrame(scene.getUpdateSeconds() + scene.getDrawSeconds());
}

} // namespace

BENCHMARK(spriteFrame)->Arg(1000)->Arg(5000)->Arg(20000)->ArgName("N")->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
