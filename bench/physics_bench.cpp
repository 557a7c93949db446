// The physics step with many bodies. Four static axis-aligned boxes enclose 40 × 70 units;
// N circle bodies (radius 0.5, acceleration (0, -10, 0), restitution 1) start in rows 1.5
// apart, 25 to a row 1.5 apart, every second row shifted by 0.75, and fall and bounce.
//
//   fixedStep/N/broadPhase   one fixed step: the world's step (pairs, responses, integration)
//                            and the pools' step (transforms, collider geometry), with the
//                            world's broad phase on (1) or every pair tested (0). The first
//                            300 steps run untimed; each iteration is one of the next 600.
//
//   placedStep/N             one fixed step of N colliders placed apart on a square lattice
//                            2 units apart (circles of radius 0.5, unit AABBs and unit boxes
//                            turned by 0.5 rad in turn, every tenth drifting on a body), with
//                            the broad phase on. One untimed step; each iteration is one of the
//                            next 20.
//
//   restingStep/N            one fixed step of N circles resting apart on one floor whose
//                            contacts a script hears, every circle touching it. Two untimed
//                            steps; each iteration is one of the next 20.
//
//   teardown/N/by/listened   the same N colliders, every tenth from the second on a circle
//                            that keeps its contacts and overlaps the collider before it, after
//                            one step: the time to destroy them all, by destroyAllObjects (by 0,
//                            as a stage change does) or by destroy one object at a time in the
//                            order made (by 1). With listened 1 each object also has a script
//                            component whose function hears its collider's enter events; with
//                            listened 2 one that hears an event by name, and the event
//                            manager's next dispatch, which takes the listeners away, is timed
//                            too. With listened 3 one script, on an object made before them
//                            and destroyed after them one at a time, hears the enter and exit
//                            events of every collider; with listened 4 as well, and one more
//                            collider made with it, under the whole lattice, touches them all
//                            (destroyed last). Making them and the step are untimed.
//
// Counter: inside, the bodies still within the enclosure after the timed steps. Circles,
// since touching boxes with bodies part ever faster and turned boxes are never pushed.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "BenchWorld.h"
#include "core/EventManager.h"
#include "physics/AABBCollider.h"
#include "physics/BoxCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "world/LuaScriptComponent.h"
#include "world/TransformComponent.h"

namespace {

using Orva::GameObject;
using Orva::GameObjectManager;
using Orva::TransformComponent;
using Orva::Physics::PhysicsWorld;

constexpr float FixedStep = 0.016f;
constexpr float Width = 40.0f;
constexpr float Height = 70.0f;
constexpr float Wall = 2.0f;
constexpr int PerRow = 25;
constexpr float Spacing = 1.5f;
constexpr int UntimedSteps = 300;
constexpr int TimedSteps = 600;
constexpr float LatticeSpacing = 2.0f;
constexpr int PlacedTimedSteps = 20;

const char* const HearerSource = R"(
function InitHearer(self) end
function UpdateHearer(self, dt) end
function DeinitHearer(self) end
function UnloadHearer() end
function Hear(self) end
)";

GameObject* placed(float x, float y, float angle = 0.0f)
{
    GameObject* object = GameObjectManager::getInstance().create();
    auto* transform = object->addComponent<TransformComponent>();
    transform->setLocalTranslation({x, y, 0.0f});
    transform->setLocalRotationRad(angle);
    return object;
}

void wall(float x, float y, float width, float height)
{
    placed(x, y)->addComponent<Orva::Physics::AABBCollider>()->size = {width, height};
}

TransformComponent* ball(float x, float y)
{
    GameObject* object = placed(x, y);
    object->addComponent<Orva::Physics::CircleCollider>()->radius = 0.5f;
    object->addComponent<Orva::Physics::RigidBody>()->acceleration = {0.0f, -10.0f, 0.0f};
    return object->getTransform();
}

void step()
{
    PhysicsWorld::getInstance().update(FixedStep);
    Orva::GlobalComponentManager::update(FixedStep);
}

void fixedStep(benchmark::State& state)
{
    BenchWorld world;
    const int count = static_cast<int>(state.range(0));
    PhysicsWorld::getInstance().setBroadPhase(state.range(1) != 0);
    wall(-Wall / 2.0f, Height / 2.0f, Wall, Height + 2.0f * Wall);
    wall(Width + Wall / 2.0f, Height / 2.0f, Wall, Height + 2.0f * Wall);
    wall(Width / 2.0f, -Wall / 2.0f, Width + 2.0f * Wall, Wall);
    wall(Width / 2.0f, Height + Wall / 2.0f, Width + 2.0f * Wall, Wall);
    std::vector<TransformComponent*> balls;
    for (int i = 0; i < count; ++i) {
        const int row = i / PerRow;
        const float shift = row % 2 == 1 ? Spacing / 2.0f : 0.0f;
        balls.push_back(ball(Spacing + shift + Spacing * static_cast<float>(i % PerRow),
                             Spacing + Spacing * static_cast<float>(row)));
    }
    for (int i = 0; i < UntimedSteps; ++i) {
        step();
    }
    for (auto _ : state) {
        step();
    }
    int inside = 0;
    for (const TransformComponent* transform : balls) {
        const auto& p = transform->getWorldTranslation();
        inside += p.x > 0.0f && p.x < Width && p.y > 0.0f && p.y < Height ? 1 : 0;
    }
    state.counters["inside"] = inside;
}

// The lattice of placedStep. With `heard`, every tenth collider from the second on is a
// circle that keeps its contacts, moved onto the one before it.
std::vector<Orva::Physics::BaseCollider*> lattice(int count, bool heard)
{
    std::vector<Orva::Physics::BaseCollider*> made;
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    for (int i = 0; i < count; ++i) {
        const bool overlapping = heard && i % 10 == 1;
        const int at = overlapping ? i - 1 : i;
        const float x = LatticeSpacing * static_cast<float>(at % side) + (overlapping ? 0.5f : 0.0f);
        const float y = LatticeSpacing * static_cast<float>(at / side);
        Orva::Physics::BaseCollider* collider = nullptr;
        if (i % 3 == 0 || overlapping) {
            auto* circle = placed(x, y)->addComponent<Orva::Physics::CircleCollider>();
            circle->radius = 0.5f;
            collider = circle;
        } else if (i % 3 == 1) {
            collider = placed(x, y)->addComponent<Orva::Physics::AABBCollider>();
        } else {
            collider = placed(x, y, 0.5f)->addComponent<Orva::Physics::BoxCollider>();
        }
        if (overlapping) {
            collider->trackContacts();
        }
        if (i % 10 == 0) {
            collider->owner->addComponent<Orva::Physics::RigidBody>()->velocity = {0.1f, 0.1f, 0.0f};
        }
        made.push_back(collider);
    }
    return made;
}

// One collider under the whole lattice of that many, touching every one of them.
GameObject* groundUnder(int count)
{
    const float extent = LatticeSpacing * std::ceil(std::sqrt(static_cast<float>(count)));
    GameObject* ground = placed(extent / 2.0f, extent / 2.0f);
    ground->addComponent<Orva::Physics::AABBCollider>()->size = {extent + 2.0f, extent + 2.0f};
    return ground;
}

void placedStep(benchmark::State& state)
{
    BenchWorld world;
    lattice(static_cast<int>(state.range(0)), false);
    step();
    for (auto _ : state) {
        step();
    }
}

void restingStep(benchmark::State& state)
{
    BenchWorld world;
    world.loadScriptClass("Hearer.lua", HearerSource);
    const int count = static_cast<int>(state.range(0));
    const float length = LatticeSpacing * static_cast<float>(count);
    GameObject* floor = placed(length / 2.0f, 0.0f);
    auto* floorCollider = floor->addComponent<Orva::Physics::AABBCollider>();
    floorCollider->size = {length + 2.0f, 1.0f};
    PhysicsWorld::getInstance().listenToCollisionEnter(floor->addLuaScript("Hearer"), "Hear", floorCollider);
    for (int i = 0; i < count; ++i) {
        placed(LatticeSpacing * static_cast<float>(i), 0.5f)
            ->addComponent<Orva::Physics::CircleCollider>()
            ->radius = 0.5f;
    }
    step();
    step();
    for (auto _ : state) {
        step();
    }
    state.counters["touching"] = static_cast<double>(floorCollider->getContacts().size());
}

void teardown(benchmark::State& state)
{
    BenchWorld world;
    const bool oneByOne = state.range(1) != 0;
    const auto listened = state.range(2);
    if (listened != 0) {
        world.loadScriptClass("Hearer.lua", HearerSource);
    }
    for (auto _ : state) {
        state.PauseTiming();
        Orva::LuaScriptComponent* const hearer =
            listened >= 3 ? placed(0.0f, 0.0f)->addLuaScript("Hearer") : nullptr;
        GameObject* const ground = listened == 4 ? groundUnder(static_cast<int>(state.range(0))) : nullptr;
        const std::vector<Orva::Physics::BaseCollider*> made =
            lattice(static_cast<int>(state.range(0)), true);
        for (Orva::Physics::BaseCollider* collider : made) {
            if (hearer) {
                PhysicsWorld::getInstance().listenToCollisionEnter(hearer, "Hear", collider);
                PhysicsWorld::getInstance().listenToCollisionExit(hearer, "Hear", collider);
            } else if (listened == 1) {
                PhysicsWorld::getInstance().listenToCollisionEnter(collider->owner->addLuaScript("Hearer"),
                                                                   "Hear", collider);
            } else if (listened == 2) {
                Orva::EventManager::getInstance().listenToEventName(collider->owner->addLuaScript("Hearer"),
                                                                    "Ping", "Hear");
            }
        }
        // The pools' half of the first step places the colliders; the second finds the contacts.
        step();
        step();
        if (listened == 2) {
            Orva::EventManager::PushAllEvents();
        }
        state.ResumeTiming();
        if (oneByOne) {
            for (Orva::Physics::BaseCollider* collider : made) {
                world.objects().destroy(collider->owner);
            }
            if (hearer) {
                world.objects().destroy(hearer->owner);
            }
            if (ground) {
                world.objects().destroy(ground);
            }
        } else {
            world.objects().destroyAllObjects();
        }
        if (listened == 2) {
            Orva::EventManager::PushAllEvents();
        }
    }
    state.counters["left"] = static_cast<double>(PhysicsWorld::getInstance().getListOfCollider().size());
}

} // namespace

BENCHMARK(fixedStep)
    ->ArgsProduct({{250, 1000}, {1, 0}})
    ->ArgNames({"N", "broadPhase"})
    ->Iterations(TimedSteps)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(placedStep)
    ->Arg(10000)
    ->Arg(100000)
    ->ArgName("N")
    ->Iterations(PlacedTimedSteps)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(restingStep)
    ->Arg(10000)
    ->Arg(100000)
    ->ArgName("N")
    ->Iterations(PlacedTimedSteps)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(teardown)
    ->ArgsProduct({{10000, 100000}, {0, 1}, {0, 1, 2, 3, 4}})
    ->ArgNames({"N", "by", "listened"})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
