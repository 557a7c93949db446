// Game objects and the transform step. Each case reports "per_object", the time per object
// of one pass over N objects, next to the time per iteration.
//
//   createDestroy/N/mode     N objects, each with a transform and a sprite, made then destroyed:
//                            mode 0 at once, mode 1 through destroyNextFrame and one update.
//   transformStep/N/changed  one fixed step of the transform pool over N transforms in groups
//                            of a parent and nine children: changed 0 with every transform
//                            settled, changed 1 with every local translation moved first.
//   firstStep/N/inStep       the step (the world's, then the pools') that first pairs N circle
//                            colliders of radius 0.5 on a grid 2 units apart, each object made
//                            with a transform placed by setLocalTranslation and then a collider:
//                            inStep 0 made between steps, inStep 1 made within the step before,
//                            after the transform pool, as a script's Update makes them.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <utility>
#include <vector>

#include "BenchWorld.h"
#include "graphics/SpriteComponent.h"
#include "physics/CircleCollider.h"
#include "world/ComponentPool.h"
#include "world/IComponentPool.h"
#include "world/TransformComponent.h"

namespace {

using Orva::GameObject;
using Orva::GameObjectManager;
using Orva::TransformComponent;

constexpr float FixedStep = 0.016f;
constexpr int GroupSize = 10;

void reportPerObject(benchmark::State& state, int objects)
{
    state.counters["per_object"] =
        benchmark::Counter(static_cast<double>(objects),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void createDestroy(benchmark::State& state)
{
    BenchWorld world;
    GameObjectManager& manager = world.objects();
    const int count = static_cast<int>(state.range(0));
    const bool deferred = state.range(1) != 0;
    std::vector<GameObject*> made(static_cast<std::size_t>(count));
    const auto createThenDestroy = [&] {
        for (GameObject*& object : made) {
            object = manager.create();
            object->addComponent<TransformComponent>();
            object->addComponent<Orva::Graphics::SpriteComponent>();
        }
        for (GameObject* object : made) {
            if (deferred) {
                manager.destroyNextFrame(object);
            } else {
                manager.destroy(object);
            }
        }
        if (deferred) {
            GameObjectManager::update();
        }
    };
    // Once untimed, so that the pages exist: the cases measure a game in its stride, not the
    // first growth of the pools.
    createThenDestroy();
    for (auto _ : state) {
        createThenDestroy();
        benchmark::DoNotOptimize(manager.getObjectCount());
    }
    reportPerObject(state, count);
}

void transformStep(benchmark::State& state)
{
    BenchWorld world;
    GameObjectManager& manager = world.objects();
    auto& pool = Orva::ComponentPool<TransformComponent>::getInstance();
    const int count = static_cast<int>(state.range(0));
    const bool changed = state.range(1) != 0;

    std::vector<TransformComponent*> transforms;
    GameObject* parent = nullptr;
    for (int i = 0; i < count; ++i) {
        GameObject* object = manager.create(i % GroupSize == 0 ? nullptr : parent);
        if (i % GroupSize == 0) {
            parent = object;
        }
        transforms.push_back(object->addComponent<TransformComponent>());
        transforms.back()->setLocalTranslation({static_cast<float>(i % GroupSize), 1.0f, 0.0f});
    }
    for (int settle = 0; settle < 3; ++settle) {
        pool.update(FixedStep);
    }

    float offset = 0.0f;
    for (auto _ : state) {
        if (changed) {
            state.PauseTiming();
            offset += 0.5f;
            for (TransformComponent* transform : transforms) {
                transform->getLocalTranslation().y = offset;
            }
            state.ResumeTiming();
        }
        pool.update(FixedStep);
        benchmark::DoNotOptimize(transforms.back()->getWorldMatrix());
    }
    reportPerObject(state, count);
}

// A pool with no components whose step runs the benchmark's code once, in the pools' order.
struct StepHook final : Orva::IComponentPool
{
    std::function<void()> once;

    void clear() override {}
    const char* getName() const override { return "StepHook"; }
    int getAllocationCount() const override { return 0; }
    int getHighestCount() const override { return 0; }
    int getFreeCount() const override { return 0; }
    void update(float) override
    {
        if (once) {
            std::exchange(once, nullptr)();
        }
    }
    void free(Orva::BaseComponent*) override {}
    Orva::BaseComponent* allocate() override { return nullptr; }
    bool isType(const std::type_info&) const override { return false; }
    std::ostream& doMemoryDump(std::ostream& out) const override { return out; }
    unsigned getTotalMemoryAllocationCount() const override { return 0; }
};

void firstStep(benchmark::State& state)
{
    BenchWorld world;
    const int count = static_cast<int>(state.range(0));
    const bool inStep = state.range(1) != 0;
    StepHook hook;
    auto& updated = Orva::GlobalComponentManager::getInstance().getUpdateList();
    const auto transforms =
        std::find(updated.begin(), updated.end(), &Orva::ComponentPool<TransformComponent>::getInstance());
    updated.insert(transforms + 1, &hook);
    const auto step = [] {
        Orva::Physics::PhysicsWorld::getInstance().update(FixedStep);
        Orva::GlobalComponentManager::update(FixedStep);
    };
    const auto make = [&] {
        const int perRow = 100;
        for (int i = 0; i < count; ++i) {
            GameObject* object = world.objects().create();
            object->addComponent<TransformComponent>()->setLocalTranslation(
                {2.0f * static_cast<float>(i % perRow), 2.0f * static_cast<float>(i / perRow), 0.0f});
            object->addComponent<Orva::Physics::CircleCollider>()->radius = 0.5f;
        }
    };
    for (auto _ : state) {
        state.PauseTiming();
        if (inStep) {
            hook.once = make;
        } else {
            make();
        }
        step();
        state.ResumeTiming();
        step();
        state.PauseTiming();
        world.objects().destroyAllObjects();
        state.ResumeTiming();
    }
    reportPerObject(state, count);
}

void objectCounts(benchmark::internal::Benchmark* benchmark)
{
    for (const int count : {1000, 10000, 100000}) {
        for (const int mode : {0, 1}) {
            benchmark->Args({count, mode});
        }
    }
}

} // namespace

BENCHMARK(createDestroy)->Apply(objectCounts)->ArgNames({"N", "deferred"})->Unit(benchmark::kMicrosecond);
BENCHMARK(transformStep)->Apply(objectCounts)->ArgNames({"N", "changed"})->Unit(benchmark::kMicrosecond);
BENCHMARK(firstStep)
    ->ArgsProduct({{1000, 10000}, {0, 1}})
    ->ArgNames({"N", "inStep"})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
