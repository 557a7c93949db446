// The action pool's step and the cost of making tweens.
//
//   actionStep/N        one fixed step of the action pool over N objects, each running a
//                       looping sequence of three 0.5 s tweens (a float By SineInOut on its
//                       rotation, a Vector3f To QuadOut on its translation, a Vector3f By
//                       CubicInOut on its scale), their starts spread over the 94 steps of one
//                       loop so that the loops refill on different steps; "per_object" next to the
//                       time per step. Every tween targets a transform, so each step also
//                       checks its guard.
//   tweenMadeAndDeleted one Vector3f tween made by a factory on a transform's translation
//                       (its guard found among the pages of 10,000 objects) and deleted.

#include <benchmark/benchmark.h>

#include <vector>

#include "BenchWorld.h"
#include "actions/ActionComponent.h"
#include "world/ComponentPool.h"
#include "world/TransformComponent.h"

namespace {

using Orva::GameObject;
using Orva::TransformComponent;
using Orva::Actions::ActionComponent;
using Orva::Math::Vector3D;

constexpr float FixedStep = 0.016f;
constexpr float TweenSeconds = 0.5f;
// Steps in one loop of the three tweens (1.5 s), so starts spread over a whole loop.
constexpr int StaggerSteps = 94;

// 10,000 objects or so, each with a transform and an action component.
struct World : BenchWorld
{
    explicit World(int objectCount)
    {
        for (int i = 0; i < objectCount; ++i) {
            GameObject* object = objects().create();
            transforms.push_back(object->addComponent<TransformComponent>());
            actions.push_back(object->addComponent<ActionComponent>());
        }
    }

    std::vector<TransformComponent*> transforms;
    std::vector<ActionComponent*> actions;
};

// Each object's root is the looping sequence, made in object order and then stepped ahead
// by hand by its object's place in the turn.
void actionStep(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    World world(count);
    for (int i = 0; i < count; ++i) {
        TransformComponent& transform = *world.transforms[static_cast<std::size_t>(i)];
        Orva::Actions::ActionSequence* loop = world.actions[static_cast<std::size_t>(i)]->createActionSequence();
        transform.pushRotation();
        loop->sineInOutByFloat(nullptr, 1.0f, TweenSeconds);
        loop->quadOutToVector3f(&transform.getLocalTranslation(), {4.0f, 2.0f, 0.0f}, TweenSeconds);
        loop->cubicInOutByVector3f(&transform.getLocalScale(), {0.5f, 0.5f, 0.0f}, TweenSeconds);
        loop->repeatAlways();
        for (int step = 0; step < i % StaggerSteps; ++step) {
            loop->update(FixedStep);
        }
    }
    auto& pool = Orva::ComponentPool<ActionComponent>::getInstance();
    for (auto _ : state) {
        pool.update(FixedStep);
    }
    benchmark::DoNotOptimize(world.transforms.back()->getLocalRotationRad());
    state.counters["per_object"] =
        benchmark::Counter(static_cast<double>(count),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void tweenMadeAndDeleted(benchmark::State& state)
{
    constexpr int Batch = 1000;
    World world(10000);
    Vector3D<float>& target = world.transforms[5000]->getLocalTranslation();
    for (auto _ : state) {
        auto* sequence = new Orva::Actions::ActionSequence();
        for (int i = 0; i < Batch; ++i) {
            sequence->linearByVector3f(&target, {1.0f, 0.0f, 0.0f}, 1.0f);
        }
        delete sequence;
    }
    state.counters["per_tween"] =
        benchmark::Counter(Batch, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(actionStep)->Arg(1000)->Arg(10000)->ArgName("N")->Unit(benchmark::kMillisecond);
BENCHMARK(tweenMadeAndDeleted)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
