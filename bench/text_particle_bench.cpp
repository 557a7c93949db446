// Frame cost of text and particles, on the benchmarks' 800 × 600 window (BenchGame.h).
//
//   textFrame      200 static texts of 20 characters in DejaVuSans made at size 40, on objects
//                  of scale 0.5 spread over the view.
//   particleFrame  one additive emitter with a budget of 10,000 particles, 200 emitted each
//                  update, living 1 s, 0.1 units square with an 8 × 8 texture: about 10,000
//                  live (counter live, at the end).
//
// One iteration is one whole frame: drawing and the engine step with its one fixed step.
// Counters: update_ms and draw_ms, the two parts of frame_ms, each per frame.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "BenchGame.h"
#include "graphics/FontManager.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "graphics/Texture.h"
#include "graphics/TextureManager.h"
#include "world/GameObjectManager.h"
#include "world/TransformComponent.h"

namespace {

constexpr char FontPath[] = "fonts/DejaVuSans.ttf";
constexpr char SparkPath[] = "images/spark.png";
constexpr int TextCount = 200;
constexpr int TextColumns = 4;
constexpr char Text[] = "Twenty characters ok";
static_assert(sizeof(Text) == 21);

// The texts' first draw and the sort that follows stay out of the table; the emitter reaches
// its budget in about 50 updates.
constexpr int WarmUpFrames = 70;

Orva::TransformComponent* placedObject(float x, float y, float scale)
{
    Orva::TransformComponent* transform =
        Orva::GameObjectManager::getInstance().create()->addComponent<Orva::TransformComponent>();
    transform->setLocalTranslation({x, y, 0.0f});
    transform->setLocalScale({scale, scale, 1.0f});
    return transform;
}

void warmUp(BenchGame& game)
{
    for (int frame = 0; frame < WarmUpFrames; ++frame) {
        game.runFrame();
    }
    game.resetTimes();
}

void textFrame(benchmark::State& state)
{
    BenchGame game("text-bench");
    std::filesystem::create_directories(game.resources() / "fonts");
    std::filesystem::copy_file(ORVA_BENCH_FONT, game.resources() / FontPath);
    Orva::Graphics::FontManager::getInstance().makeFont(FontPath, 40);
    const float unitsWide = static_cast<float>(BenchGame::Width) / 64.0f;
    const float unitsHigh = static_cast<float>(BenchGame::Height) / 64.0f;
    constexpr int rows = TextCount / TextColumns;
    for (int i = 0; i < TextCount; ++i) {
        const float x = (static_cast<float>(i % TextColumns) / TextColumns - 0.5f) * unitsWide;
        const float y = ((static_cast<float>(i / TextColumns) + 0.5f) / rows - 0.5f) * unitsHigh;
        placedObject(x, y, 0.5f)
            ->owner->addComponent<Orva::Graphics::SpriteFontComponent>()
            ->initialize(Text, FontPath);
    }
    warmUp(game);
    for (auto _ : state) {
        game.runFrame();
    }
    game.reportTimes(state);
}

void particleFrame(benchmark::State& state)
{
    BenchGame game("particle-bench");
    // A round spark, opaque in the middle, fading out.
    game.writeImage(SparkPath, 8, 8, [](int x, int y) {
        const int dx = 2 * x - 7;
        const int dy = 2 * y - 7;
        return dx * dx + dy * dy < 50 ? 0xFFC060FFu : 0xFFC06000u;
    });
    auto* component =
        placedObject(0.0f, 0.0f, 1.0f)->owner->addComponent<Orva::Graphics::ParticleEmitterComponent>();
    Orva::Graphics::ParticleEmitter& emitter = *component->get();
    emitter.active = true;
    emitter.setParticleCount(10000);
    emitter.setEmissionCount(200);
    emitter.setLife(1.0f, 0.0f);
    emitter.setSize({0.1f, 0.1f}, {0.0f, 0.0f});
    emitter.setVelocity({0.0f, 0.0f, 0.0f}, {5.0f, 4.0f, 0.0f});
    emitter.setAcceleration({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f});
    emitter.setBlendMode(true);
    Orva::Graphics::TextureManager::getInstance().addEmitter(component, SparkPath);
    game.runFramesUntil([&] { return emitter.getTexture() != nullptr && emitter.getTexture()->isLoaded(); },
                        "the spark's arrival");
    warmUp(game);
    for (auto _ : state) {
        game.runFrame();
    }
    game.reportTimes(state);
    state.counters["live"] = static_cast<double>(emitter.getLiveParticles().size());
}

} // namespace

BENCHMARK(textFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(particleFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
