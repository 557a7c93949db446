// The action pool's step and the cost of making tweens.
//
//   actionStep/N        one fixed step of the action pool over N objects, each running a
//                       looping sequence of three 0.5 s tweens (a float By SineInOut on its
//                       rotation, a Vector3f To QuadOut on its translation, a Vector3f By
//                       CubicInOut on its scale), their starts spread over the 94 steps of one
//                       loop so that the loops refill on different steps; "per_object" next to the
//                       time per step. Every tween targets a transform, so each step also
//                       checks its guard.
//   setStep/N/part      N objects, each running the action set "wave" attached from its file
//                       as a game attaches it: a sequence looping for ever over two groups of
//                       three 1 s By tweens running at once (translation by (2, 1) QuadInOut,
//                       rotation by pi SineInOut, scale by (1, 1) CubicInOut), then the same
//                       back; starts spread over the 126 steps of one loop. part 0 times one
//                       step of the action pool, part 1 that step and the transform pool's
//                       step after it (the transforms the tweens moved are recomputed), part 2
//                       the same after 64 MiB of other memory were touched, untimed: the caches
//                       are cold, as the rest of a game's frame leaves them.
//   tweenMadeAndDeleted one Vector3f tween made by a factory on a transform's translation
//                       (its guard found among the pages of 10,000 objects) and deleted.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchWorld.h"
#include "actions/ActionComponent.h"
#include "actions/ActionSetManager.h"
#include "core/EventManager.h"
#include "world/ComponentPool.h"
#include "world/ResourceManager.h"
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
        Orva::Actions::ActionSequence* loop =
            world.actions[static_cast<std::size_t>(i)]->createActionSequence();
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

// The set of the side-by-side tweens game, half a loop per group.
const char* const WaveSet = R"(<action type="seq" repeat="-1">
  <action type="grp">
    <action type="vec"><params mode="1" ease="6" time="1" type="0" option="0" useParent="1" x="2" y="1" z="0"/></action>
    <action type="float"><params mode="1" ease="3" time="1" type="0" option="6" useParent="1" val="3.141592653589793"/></action>
    <action type="vec"><params mode="1" ease="9" time="1" type="0" option="1" useParent="1" x="1" y="1" z="0"/></action>
  </action>
  <action type="grp">
    <action type="vec"><params mode="1" ease="6" time="1" type="0" option="0" useParent="1" x="-2" y="-1" z="0"/></action>
    <action type="float"><params mode="1" ease="3" time="1" type="0" option="6" useParent="1" val="-3.141592653589793"/></action>
    <action type="vec"><params mode="1" ease="9" time="1" type="0" option="1" useParent="1" x="-1" y="-1" z="0"/></action>
  </action>
</action>
)";
// Steps in one loop of the set: each group's 1 s takes 63 steps of 0.016 s.
constexpr int WaveLoopSteps = 126;

// The action set manager with "wave" read from its file in a scratch resource folder.
class WaveSetFolder
{
public:
    WaveSetFolder()
    {
        std::string folder = (std::filesystem::temp_directory_path() / "orva-actions-bench-XXXXXX").string();
        if (!mkdtemp(folder.data())) {
            throw std::runtime_error("no scratch folder");
        }
        folder_ = folder;
        std::filesystem::create_directory(folder_ / "data");
        std::ofstream(folder_ / "data" / "wave.action", std::ios::binary) << WaveSet;
        Orva::Resources::ResourceManager::setResourceDirectory(folder_.string() + "/");
        Orva::EventManager::createInstance();
        Orva::Actions::ActionSetManager::createInstance().loadAllActionSets();
        if (!Orva::Actions::ActionSetManager::getInstance().getActionSet("wave")) {
            throw std::runtime_error("the wave set did not load");
        }
    }
    ~WaveSetFolder()
    {
        Orva::Actions::ActionSetManager::destroyInstance();
        Orva::EventManager::destroyInstance();
        std::filesystem::remove_all(folder_);
    }
    WaveSetFolder(const WaveSetFolder&) = delete;
    WaveSetFolder& operator=(const WaveSetFolder&) = delete;

private:
    std::filesystem::path folder_;
};

void setStep(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const bool withTransforms = state.range(1) >= 1;
    const bool cold = state.range(1) == 2;
    World world(0);
    const WaveSetFolder sets;
    auto& manager = Orva::Actions::ActionSetManager::getInstance();
    for (int i = 0; i < count; ++i) {
        GameObject* object = world.objects().create();
        object->addComponent<TransformComponent>()->setLocalTranslation(
            {static_cast<float>(i % 100) * 0.2f - 10.0f, static_cast<float>(i / 100) * 0.2f - 10.0f, 0.0f});
        manager.attachActionSet(object, "wave");
        ActionComponent* actions = object->getComponent<ActionComponent>();
        for (int step = 0; step < i % WaveLoopSteps; ++step) {
            actions->update(FixedStep);
        }
    }
    auto& actionPool = Orva::ComponentPool<ActionComponent>::getInstance();
    auto& transformPool = Orva::ComponentPool<TransformComponent>::getInstance();
    transformPool.update(FixedStep);
    // More than any cache holds, touched a line at a time between the steps.
    std::vector<char> other(cold ? 64u << 20 : 0u);
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            for (std::size_t i = 0; i < other.size(); i += 64) {
                other[i] = static_cast<char>(other[i] + 1);
            }
            benchmark::DoNotOptimize(other.data());
            state.ResumeTiming();
        }
        actionPool.update(FixedStep);
        if (withTransforms) {
            transformPool.update(FixedStep);
        }
    }
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
    state.counters["per_tween"] = benchmark::Counter(Batch, benchmark::Counter::kIsIterationInvariantRate |
                                                                benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(actionStep)->Arg(1000)->Arg(10000)->ArgName("N")->Unit(benchmark::kMillisecond);
BENCHMARK(setStep)
    ->ArgsProduct({{1000, 10000}, {0, 1, 2}})
    ->ArgNames({"N", "part"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(tweenMadeAndDeleted)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
