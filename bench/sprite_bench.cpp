// Frame cost with many sprites, on the benchmarks' 800 × 600 window (BenchGame.h).
//
//   spriteFrame/N   N sprites of 32 × 32 px made in C++, sharing one texture and spread over
//                   the view, all moved each fixed step by one script component that found
//                   their transforms with gameObjects:find in its Init. One iteration is one
//                   whole frame: drawing (beginDraw, endDraw) and the engine step with its one
//                   fixed step (the script, the transforms, the sprites).
//
// Counters: update_ms and draw_ms, the two parts of frame_ms, each per frame.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchGame.h"
#include "graphics/SpriteComponent.h"
#include "luabridge/LuaBridge.h"
#include "world/GameObjectManager.h"
#include "world/LuaScriptManager.h"
#include "world/TransformComponent.h"

namespace {

constexpr int SpritePixels = 32;
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

// The sprites, their texture and the script.
class SpriteScene
{
public:
    explicit SpriteScene(int count) : game_("sprite-bench")
    {
        // Four coloured quadrants.
        game_.writeImage(TexturePath, SpritePixels, SpritePixels, [](int x, int y) {
            return (x >= SpritePixels / 2 ? 0xFF000000u : 0u) | (y >= SpritePixels / 2 ? 0x00FF0000u : 0u) |
                   0x0000FFFFu;
        });
        makeSprites(count);
        luabridge::setGlobal(Orva::LuaScriptManager::getInstance().getLuaState(), count, "SpriteCount");
        game_.loadScript("Mover.lua", MoverSource);
        Orva::GameObjectManager::getInstance().create("mover")->addLuaScript("Mover");
        game_.settle(sprites_.empty() ? nullptr : sprites_.front());
    }

    BenchGame& game() { return game_; }

private:
    // Objects "sprite1" to "spriteN" on a grid that fills the view.
    void makeSprites(int count)
    {
        Orva::GameObjectManager& objects = Orva::GameObjectManager::getInstance();
        const float unitsWide = static_cast<float>(BenchGame::Width) / 64.0f;
        const float unitsHigh = static_cast<float>(BenchGame::Height) / 64.0f;
        int columns = 1;
        while (columns * columns * BenchGame::Height < static_cast<unsigned>(count) * BenchGame::Width) {
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
};

void spriteFrame(benchmark::State& state)
{
    SpriteScene scene(static_cast<int>(state.range(0)));
    scene.game().resetTimes();
    for (auto _ : state) {
        scene.game().runFrame();
    }
    scene.game().reportTimes(state);
}

} // namespace

BENCHMARK(spriteFrame)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->ArgName("N")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
