// Frame cost of text and particles, on the benchmarks' 800 × 600 window (BenchGame.h).
//
//   textFrame      200 static texts of 20 characters in DejaVuSans made at size 40, on objects
//                  of scale 0.5 spread over the view.
//   particleFrame  additive emitters of one 8 × 8 texture, particles 0.1 units square living
//                  1 s. emitters:1 is one emitter with a budget of 10,000, 200 emitted each
//                  update: about 10,000 live. emitters:10 is ten on a 5 × 2 grid, each with a
//                  budget of 1,100, 16 emitted each update, fading through two colours: about
//                  1,000 live each, as the side-by-side particle game has them. Counter live:
//                  all of them, at the end.
//
// One iteration is one whole frame: drawing and the engine step with its one fixed step.
// Counters: update_ms and draw_ms, the two parts of frame_ms, each per frame.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

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

// The emitters of particleFrame: one of about 10,000 live particles, or ten of about 1,000
// fading through two colours.
struct EmitterLoad
{
    unsigned budget;
    unsigned perUpdate;
    Orva::Math::Vector3D<float> randomVelocity;
    bool fading;
};

EmitterLoad emitterLoad(std::int64_t emitters)
{
    if (emitters == 1) {
        return {10000, 200, {5.0f, 4.0f, 0.0f}, false};
    }
    return {1100, 16, {3.5f, 3.5f, 0.0f}, true};
}

// Where emitter `index` of `count` stands: the view's centre for one, else the cells of a grid
// five wide.
Orva::Math::Vector2D<float> emitterPlace(int index, int count)
{
    if (count == 1) {
        return {0.0f, 0.0f};
    }
    const int rows = (count + 4) / 5;
    const float unitsWide = static_cast<float>(BenchGame::Width) / 64.0f;
    const float unitsHigh = static_cast<float>(BenchGame::Height) / 64.0f;
    return {((static_cast<float>(index % 5) + 0.5f) / 5.0f - 0.5f) * unitsWide,
            ((static_cast<float>(index / 5) + 0.5f) / static_cast<float>(rows) - 0.5f) * unitsHigh};
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
    const int count = static_cast<int>(state.range(0));
    const EmitterLoad load = emitterLoad(count);
    std::vector<Orva::Graphics::ParticleEmitter*> emitters;
    for (int index = 0; index < count; ++index) {
        const Orva::Math::Vector2D<float> place = emitterPlace(index, count);
        auto* component = placedObject(place.x, place.y, 1.0f)
                              ->owner->addComponent<Orva::Graphics::ParticleEmitterComponent>();
        Orva::Graphics::ParticleEmitter& emitter = *component->get();
        emitter.active = true;
        emitter.setParticleCount(load.budget);
        emitter.setEmissionCount(load.perUpdate);
        emitter.setLife(1.0f, 0.0f);
        emitter.setSize({0.1f, 0.1f}, {0.0f, 0.0f});
        emitter.setVelocity({0.0f, 0.0f, 0.0f}, load.randomVelocity);
        emitter.setAcceleration({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f});
        emitter.setBlendMode(true);
        if (load.fading) {
            emitter.addColor({1.0f, 0.9f, 0.4f, 1.0f});
            emitter.addColor({0.6f, 0.1f, 0.0f, 0.0f});
        }
        Orva::Graphics::TextureManager::getInstance().addEmitter(component, SparkPath);
        emitters.push_back(&emitter);
    }
    game.runFramesUntil(
        [&] {
            for (const Orva::Graphics::ParticleEmitter* emitter : emitters) {
                if (emitter->getTexture() == nullptr || !emitter->getTexture()->isLoaded()) {
                    return false;
                }
            }
            return true;
        },
        "the spark's arrival");
    warmUp(game);
    for (auto _ : state) {
        game.runFrame();
    }
    game.reportTimes(state);
    std::size_t live = 0;
    for (const Orva::Graphics::ParticleEmitter* emitter : emitters) {
        live += emitter->getLiveParticles().size();
    }
    state.counters["live"] = static_cast<double>(live);
}

} // namespace

BENCHMARK(textFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(particleFrame)->ArgName("emitters")->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
