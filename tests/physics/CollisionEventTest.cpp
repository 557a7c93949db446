#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <tinyxml2.h>

#include "PhysicsScene.h"
#include "core/Random.h"
#include "core/SwapRemove.h"
#include "scripting/ScriptHarness.h"
#include "world/GameObjectDeserializer.h"

// Contact events through the world's step, heard by script listeners: the known answers,
// the listener rules, and listeners that destroy, stop or fail.

namespace {

using namespace scene;
using Orva::LuaScriptComponent;

// Hear writes one line per call: "<this>><other> <type> (<normal>)". A listener whose
// instance has "chain" registers a persist listener for that collider; one with "doom"
// destroys both objects of the event at once. Tell writes the instance's name and the type.
const char* const ListenerSource = R"lua(
heard = {}
function AwakeListener(self) end
function InitListener(self) end
function UpdateListener(self, dt) end
function DeinitListener(self) end
function UnloadListener() end
function Hear(self)
    local e = collisionEvent
    heard[#heard + 1] = string.format("%s>%s %d (%g, %g)", e.ThisCollider.owner.Name,
        e.OtherCollider.owner.Name, e.Type, e.Normal.x, e.Normal.y)
    if self.chain then
        physics:listenToCollisionPersist(self.handle, "Also", self.chain)
        self.chain = nil
    end
    if self.doom then
        gameObjects:destroyNow(e.OtherCollider.owner)
        gameObjects:destroyNow(self.owner)
    end
end
function Tell(self) heard[#heard + 1] = self.name .. collisionEvent.Type end
function Also(self) heard[#heard + 1] = "also " .. collisionEvent.ThisCollider.owner.Name end
function Fail(self) heard[#heard + 1] = "fail"; error("listener failed") end
)lua";

class CollisionEventTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        writeScript("scripts/Listener.lua", ListenerSource);
        ASSERT_TRUE(loadScripts());
    }

    static LuaScriptComponent* listener(BaseCollider* collider)
    {
        return collider->owner->addLuaScript("Listener");
    }
    static LuaScriptComponent* hearEnter(BaseCollider* collider, const char* function = "Hear")
    {
        LuaScriptComponent* component = listener(collider);
        world().listenToCollisionEnter(component, function, collider);
        return component;
    }
    static LuaScriptComponent* hearAll(BaseCollider* collider)
    {
        LuaScriptComponent* component = hearEnter(collider);
        world().listenToCollisionPersist(component, "Hear", collider);
        world().listenToCollisionExit(component, "Hear", collider);
        return component;
    }
    std::string heard()
    {
        std::string lines = eval<std::string>("table.concat(heard, '; ')");
        run("heard = {}");
        return lines;
    }

    // Circles, boxes and turned boxes of 0.5 to 2 at random, as dense as 300 in 20 x 20, in
    // three groups (1 and 2 blind to each other), some ghosts, half on moving bodies, a quarter
    // heard; a fifteenth destroyed a third of the way through and as many made at half way;
    // `extras` runs before each step. Every event heard, then every position at the end.
    std::string runLivelyScene(int count, int steps, bool broadPhase,
                               const std::function<void(int, std::vector<Orva::GameObject*>&)>& extras = {})
    {
        world().setBroadPhase(broadPhase);
        world().setCollisionGroupFlag(1, 2, false);
        std::uint32_t seed = 7;
        const auto next = [&seed](float low, float high) {
            seed = seed * 1664525u + 1013904223u;
            return low + (high - low) * static_cast<float>(seed >> 8) / static_cast<float>(1u << 24);
        };
        const float side = 20.0f * std::sqrt(static_cast<float>(count) / 300.0f);
        std::vector<Orva::GameObject*> made;
        const auto make = [&](int k) {
            const std::string name = "o" + std::to_string(k);
            const float x = next(0.0f, side);
            const float y = next(0.0f, side);
            const float width = next(0.5f, 2.0f);
            const float height = next(0.5f, 2.0f);
            BaseCollider* collider = nullptr;
            if (k % 3 == 0) {
                collider = circle(name, x, y, width / 2.0f);
            } else if (k % 3 == 1) {
                collider = aabb(name, x, y, width, height);
            } else {
                collider = box(name, x, y, width, height, next(0.0f, 3.0f));
            }
            collider->isGhost = k % 7 == 0;
            collider->setCollisionGroupIndex(k % 5 % 3);
            if (k % 2 == 0) {
                const float vx = next(-3.0f, 3.0f);
                const float vy = next(-3.0f, 3.0f);
                body(collider, vx, vy)->acceleration = {0.0f, next(-2.0f, 0.0f), 0.0f};
            }
            if (k % 4 == 1) {
                hearAll(collider);
            }
            made.push_back(collider->owner);
        };
        std::string trace;
        for (int k = 0; k < count; ++k) {
            make(k);
        }
        settle();
        for (int s = 0; s < steps; ++s) {
            if (s == steps / 3) {
                for (int k = 0; k < count / 15; ++k) {
                    objects().destroy(std::exchange(made[static_cast<std::size_t>(k * 7)], nullptr));
                }
            }
            if (s == steps / 2) {
                for (int k = count; k < count + count / 15; ++k) {
                    make(k);
                }
            }
            if (extras) {
                extras(s, made);
            }
            step();
            trace += heard() + "\n";
        }
        for (const Orva::GameObject* object : made) {
            if (object) {
                char line[64];
                const auto& p = object->getTransform()->getLocalTranslation();
                std::snprintf(line, sizeof line, "%a %a\n", static_cast<double>(p.x),
                              static_cast<double>(p.y));
                trace += line;
            }
        }
        objects().destroyAllObjects();
        return trace;
    }
};

TEST_F(CollisionEventTest, KnownAnswers)
{
    {
        // A circle falling onto a circle without a body.
        CircleCollider* a = circle("a", 0.0f, 0.0f);
        CircleCollider* b = circle("b", 0.0f, 0.9f);
        RigidBody* falling = body(b, 0.0f, -1.0f);
        hearEnter(b);
        settle();
        step();
        EXPECT_NEAR(position(b).y, 1.0502534f, 1e-5f);
        EXPECT_NEAR(falling->velocity.y, 0.01584f, 1e-5f);
        EXPECT_EQ(falling->velocity.x, 0.0f);
        EXPECT_EQ(position(a).y, 0.0f);
        EXPECT_EQ(heard(), "b>a 0 (0, 1)");
        Orva::GameObjectManager::getInstance().destroyAllObjects();
    }
    {
        // A circle leaving a static box at once, its exit one step later.
        AABBCollider* wall = aabb("wall", 0.0f, 0.0f, 2.0f, 2.0f);
        CircleCollider* ball = circle("ball", 1.3f, 0.0f);
        RigidBody* moving = body(ball, -1.0f, 0.0f);
        hearAll(ball);
        settle();
        step();
        EXPECT_NEAR(position(ball).x, 1.616f, 1e-5f);
        EXPECT_NEAR(moving->velocity.x, 1.0f, 1e-5f);
        EXPECT_EQ(heard(), "ball>wall 0 (-1, 0)");
        step();
        EXPECT_EQ(heard(), "ball>wall 1 (0, 0)");
        EXPECT_NEAR(position(ball).x, 1.632f, 1e-5f);
        EXPECT_EQ(position(wall).x, 0.0f);
    }
}

TEST_F(CollisionEventTest, IntegrationAndResponses)
{
    RigidBody* falling = body(circle("falling", 0.0f, 0.0f));
    falling->acceleration = {0.0f, -10.0f, 0.0f};
    RigidBody* dropped = body(circle("dropped", 50.0f, 0.0f));
    dropped->acceleration = {0.0f, -10.0f, 0.0f};
    settle();
    step();
    EXPECT_NEAR(falling->velocity.y, -0.16f, 1e-5f);
    EXPECT_NEAR(position(falling->getCollider()).y, -0.00256f, 1e-5f) << "the new velocity moves";
    dropped->velocity = {};
    position(dropped->getCollider()).y = 0.0f;
    runFrames(10);
    EXPECT_NEAR(position(dropped->getCollider()).y, -0.1408f, 1e-5f);

    // Two bodies: both velocities scaled by 0.01584 after the exchange.
    RigidBody* up = body(circle("up", 10.0f, 0.0f), 0.0f, 1.0f);
    RigidBody* down = body(circle("down", 10.0f, 0.9f), 0.0f, -1.0f);
    // An inactive body is pushed and bounced but not integrated.
    CircleCollider* sleeper = circle("sleeper", 20.0f, 0.9f);
    body(sleeper, 0.0f, -1.0f)->active = false;
    circle("floor", 20.0f, 0.0f);
    // Ghosts raise events and resolve nothing.
    CircleCollider* ghost = circle("ghost", 30.0f, 0.0f);
    ghost->isGhost = true;
    RigidBody* through = body(circle("through", 30.0f, 0.9f), 0.0f, -1.0f);
    hearEnter(ghost);
    // Boxes are never pushed, nor anything touching them.
    RigidBody* onBox = body(aabb("onBox", 40.0f, 0.0f), 0.0f, -1.0f);
    box("box", 40.0f, 0.9f, 1.0f, 1.0f);
    settle();
    step();
    EXPECT_NEAR(down->velocity.y, 3.0f * 0.01584f, 1e-6f);
    EXPECT_NEAR(up->velocity.y, -3.0f * 0.01584f, 1e-6f);
    EXPECT_NEAR(position(sleeper).y, 1.05f, 1e-5f);
    EXPECT_NEAR(sleeper->getRigidBody()->velocity.y, -1.0f + 2.0f * 0.01584f, 1e-6f)
        << "only the change scaled";
    EXPECT_EQ(heard(), "ghost>through 0 (0, 1)");
    EXPECT_EQ(through->velocity.y, -1.0f);
    EXPECT_EQ(onBox->velocity.y, -1.0f);
    EXPECT_NEAR(position(onBox->getCollider()).y, -0.016f, 1e-6f);
}

TEST_F(CollisionEventTest, ListenerRules)
{
    CircleCollider* a = circle("a", 0.0f, 0.0f);
    CircleCollider* b = circle("b", 0.0f, 0.9f);
    CircleCollider* c = circle("c", 10.0f, 0.0f);
    CircleCollider* d = circle("d", 10.0f, 0.9f);
    LuaScriptComponent* hearsA = hearAll(a);
    world().listenToCollisionEnter(listener(a), "Also", a); // a second one: never called
    world().listenToCollisionExit(listener(c), "Hear", c);  // c keeps contacts, hears exits
    settle();
    step();
    EXPECT_EQ(heard(), "a>b 0 (0, 1)") << "only a listens; b raises nothing";
    // Hear adds a persist listener for c, whose persist event comes later in this dispatch.
    hearsA->luaObject["chain"] = static_cast<BaseCollider*>(c);
    position(b).y = 5.0f;
    settle();
    step();
    EXPECT_EQ(heard(), "a>b 1 (0, 0)");
    step();
    EXPECT_EQ(heard(), "also c");
    position(b).y = 0.9f;
    settle();
    step();
    EXPECT_EQ(heard(), "a>b 0 (0, 1); also c");

    // A pair whose groups stop detecting each other raises nothing, not even an exit, and
    // keeps its contacts.
    a->setCollisionGroupIndex(1);
    world().setCollisionGroupFlag(0, 1, false);
    step();
    EXPECT_EQ(heard(), "also c");
    world().setCollisionGroupFlag(0, 1, true);
    step();
    EXPECT_EQ(heard(), "a>b 2 (0, 1); also c");

    // A stop takes the component's first listener of the kind, whatever collider it names.
    world().stopListeningToPersist(hearsA, d);
    world().stopListeningToExit(hearsA, nullptr);
    position(b).y = 5.0f;
    settle();
    step();
    EXPECT_EQ(heard(), "also c");
    world().clearCollisionEvents();
    step();
    EXPECT_EQ(heard(), "");
}

// X hears z; A, then B, hear c. X stopping lets B's listeners fill its places ahead of A's,
// yet every kind of c's events still reaches A alone, until A stops.
TEST_F(CollisionEventTest, ACollidersFirstAddedListenerHearsWhoeverElseStops)
{
    CircleCollider* z = circle("z", 20.0f, 0.0f);
    CircleCollider* c = circle("c", 0.0f, 0.0f);
    CircleCollider* d = circle("d", 0.0f, 0.9f);
    const auto tells = [](const char* name, BaseCollider* collider) {
        LuaScriptComponent* component = listener(collider);
        component->luaObject["name"] = name;
        world().listenToCollisionEnter(component, "Tell", collider);
        world().listenToCollisionPersist(component, "Tell", collider);
        world().listenToCollisionExit(component, "Tell", collider);
        return component;
    };
    LuaScriptComponent* x = tells("X", z);
    LuaScriptComponent* a = tells("A", c);
    tells("B", c);
    settle();
    step();
    EXPECT_EQ(heard(), "A0");
    world().stopListeningToEnter(x, z);
    world().stopListeningToPersist(x, z);
    world().stopListeningToExit(x, z);
    step();
    EXPECT_EQ(heard(), "A2");
    position(d).y = 5.0f;
    settle();
    step();
    EXPECT_EQ(heard(), "A1");
    world().stopListeningToEnter(a, c);
    position(d).y = 0.9f;
    settle();
    step();
    EXPECT_EQ(heard(), "B0");
}

TEST_F(CollisionEventTest, CollidersArePairedOnlyOnceTheirPoolPlacedThem)
{
    CircleCollider* listening = circle("listening", 0.0f, 0.0f);
    hearEnter(listening);
    settle();
    RigidBody* late = body(circle("late", 5.0f, 5.0f));
    tinyxml2::XMLDocument document;
    document.Parse(R"(<obj name="read"><comp type="0"><position x="-5" y="5" z="0"/></comp>
                      <comp type="5"><radius rad="0.5"/></comp></obj>)");
    Orva::GameObject* read = Orva::GameObjectDeserializer::execute(document.RootElement(), false);
    step();
    step();
    EXPECT_EQ(heard(), "");
    EXPECT_EQ(position(late->getCollider()).x, 5.0f);
    EXPECT_EQ(read->getComponent<CircleCollider>()->getActualCenter().x, -5.0f);
}

TEST_F(CollisionEventTest, ListenersWithdrawnBeforeTheyGoLiveAreNeverCalled)
{
    CircleCollider* a = circle("a", 0.0f, 0.0f);
    circle("b", 0.0f, 0.9f);
    settle();
    hearEnter(a)->stop();
    LuaScriptComponent* destroyed = hearEnter(a);
    a->owner->removeComponent(destroyed);
    LuaScriptComponent* kept = hearEnter(a, "Also");
    world().stopListeningToEnter(kept, a);

    // A destroyed collider's listener goes with it: a stop then takes the component's next.
    CircleCollider* gone = circle("gone", 20.0f, 5.0f);
    CircleCollider* y = circle("y", 20.0f, 0.0f);
    circle("z", 20.0f, 0.9f);
    settle();
    LuaScriptComponent* follower = hearEnter(gone);
    gone->owner->removeComponent(gone);
    world().listenToCollisionEnter(follower, "Hear", y);
    world().stopListeningToEnter(follower, nullptr);
    step();
    EXPECT_EQ(heard(), "");
    EXPECT_TRUE(follower->getEventCallbackObject().subscriptions().empty());
}

TEST_F(CollisionEventTest, ListenersMayDestroyWhatLaterEventsName)
{
    CircleCollider* a = circle("a", 0.0f, 0.0f);
    CircleCollider* b = circle("b", 0.0f, 0.9f);
    CircleCollider* c = circle("c", 10.0f, 0.0f);
    CircleCollider* d = circle("d", 10.0f, 0.9f);
    hearAll(a);
    hearEnter(b)->luaObject["doom"] = true;
    hearAll(c);
    hearEnter(d);
    settle();
    step();
    EXPECT_EQ(heard(), "b>a 0 (0, 1); d>c 0 (0, 1); c>d 0 (0, 1)") << "b's listener destroyed a and b";
    EXPECT_EQ(world().getListOfCollider().size(), 2u);

    // A destroyed collider leaves its partner's contacts with no exit and loses its
    // listeners: one made in its slot starts afresh.
    Orva::GameObject* holder = d->owner;
    holder->removeComponent(d);
    step();
    EXPECT_EQ(heard(), "");
    CircleCollider* again = holder->addComponent<CircleCollider>();
    ASSERT_EQ(again, d) << "the pool hands out the freed slot first";
    world().listenToCollisionExit(listener(again), "Hear", again);
    settle();
    step();
    EXPECT_EQ(heard(), "c>d 0 (0, 1)");
}

TEST_F(CollisionEventTest, AFailingListenerStillLetsTheOthersHearOnce)
{
    CircleCollider* a = circle("a", 0.0f, 0.0f);
    CircleCollider* b = circle("b", 0.0f, 0.9f);
    hearEnter(a, "Fail");
    hearEnter(b);
    settle();
    EXPECT_THROW(world().update(Step), luabridge::LuaException);
    settle();
    EXPECT_EQ(heard(), "b>a 0 (0, 1); fail");
    step();
    EXPECT_EQ(heard(), "");

    // A body whose transform is removed is neither moved nor pushed.
    RigidBody* loose = body(b, 0.0f, -1.0f);
    b->owner->removeComponent<Orva::TransformComponent>();
    step();
    EXPECT_EQ(loose->getTransform(), nullptr);
}

// The 320-collider scene, run twice: with the broad phase and without it, every event heard
// and every position after the last step agree.
TEST_F(CollisionEventTest, TheBroadPhaseChangesNothing)
{
    const std::string tested = runLivelyScene(300, 300, false);
    const std::string culled = runLivelyScene(300, 300, true);
    EXPECT_GT(tested.size(), 20000u) << "a scene with many events";
    const auto differs = std::mismatch(tested.begin(), tested.end(), culled.begin(), culled.end());
    EXPECT_EQ(tested, culled) << "first difference at " << (differs.first - tested.begin());
}

// The same at 10,000 colliders, with walls and a sensor wider than the grid takes, a pair
// far off, and colliders moved far from their contacts, switched off and on, or put in no
// group between steps.
TEST_F(CollisionEventTest, TheBroadPhaseChangesNothingAtTenThousand)
{
    const auto extras = [](int step, std::vector<Orva::GameObject*>& made) {
        if (step == 0) {
            aabb("wall", 0.0f, -1.0f, 300.0f, 2.0f);
            aabb("post", -1.0f, 50.0f, 2.0f, 100.0f);
            box("beam", 60.0f, 60.0f, 150.0f, 1.0f, 0.7f);
            AABBCollider* sensor = aabb("sensor", 100.0f, 40.0f, 200.0f, 3.0f);
            sensor->isGhost = true;
            hearAll(sensor);
            hearAll(circle("far", 1e10f, 0.0f));
            circle("farther", 1e10f, 0.3f);
            return;
        }
        for (std::size_t k = 1; k < made.size(); k += 10) {
            BaseCollider* collider = made[k] ? made[k]->getCollider() : nullptr;
            if (!collider) {
                continue;
            }
            if (step == 1 && k % 40 == 1) {
                made[k]->getTransform()->getLocalTranslation().x += 500.0f;
            } else if (k % 40 == 11) {
                collider->active = step == 2;
            } else if (step == 1 && k % 40 == 21) {
                collider->setCollisionGroupIndex(-1);
            }
        }
    };
    const std::string tested = runLivelyScene(10000, 3, false, extras);
    const std::string culled = runLivelyScene(10000, 3, true, extras);
    for (const char* seen : {" 0 (", " 1 (", " 2 (", "sensor>", "far>farther 2"}) {
        EXPECT_NE(tested.find(seen), std::string::npos) << seen;
    }
    const auto differs = std::mismatch(tested.begin(), tested.end(), culled.begin(), culled.end());
    const auto at = static_cast<std::size_t>(differs.first - tested.begin());
    EXPECT_TRUE(tested == culled) << "first difference at " << at << ": " << tested.substr(at, 80) << " | "
                                  << culled.substr(at, 80);
}

// Colliders and bodies destroyed in a random order between steps: each list stays the one a
// search and swap leaves, and every contact kept is a listed collider.
TEST_F(CollisionEventTest, RemovalKeepsTheListOrderAndTheOtherContacts)
{
    Orva::srand(41);
    for (int k = 0; k < 400; ++k) {
        const auto x = static_cast<float>(Orva::rand() % 1000) / 100.0f;
        BaseCollider* made =
            k % 2 ? static_cast<BaseCollider*>(circle("c", x, x / 2.0f)) : aabb("a", x, 5.0f - x);
        made->trackContacts();
        if (k % 3 == 0) {
            body(made);
        }
    }
    settle();
    PhysicsWorld::ColliderList colliders = world().getListOfCollider();
    PhysicsWorld::RigidBodyList bodies = world().getListOfRigidBody();
    while (!colliders.empty()) {
        BaseCollider* leaving = colliders[static_cast<std::size_t>(Orva::rand()) % colliders.size()];
        Orva::swapRemove(colliders, leaving);
        Orva::swapRemove(bodies, leaving->getRigidBody());
        objects().destroy(leaving->owner);
        if (colliders.size() % 40 == 0) {
            step();
            ASSERT_EQ(world().getListOfCollider(), colliders);
            ASSERT_EQ(world().getListOfRigidBody(), bodies);
            for (BaseCollider* collider : colliders) {
                for (BaseCollider* contact : collider->getContacts()) {
                    ASSERT_NE(std::find(colliders.begin(), colliders.end(), contact), colliders.end());
                }
            }
        }
    }
}

// Shapes of no size, far out or not finite touch only what they overlap; a collider that is
// not finite touches nothing, named once on stderr. So on scenes full of them the broad phase
// and every pair agree, and no NaN reaches a body that met only finite shapes.
TEST_F(CollisionEventTest, ShapesTouchOnlyWhereTheyOverlapDegenerateOnesIncluded)
{
    const float nan = std::nanf("");
    constexpr float Inf = std::numeric_limits<float>::infinity();
    BoxCollider* turned = box("turned", 0.0f, 0.0f, 0.0f, 0.0f, 0.5f);
    AABBCollider* point = aabb("point", 100.0f, 100.0f, 0.0f, 0.0f);
    AABBCollider* farOut = aabb("farOut", 1e29f, 0.0f);
    BoxCollider* farBack = box("farBack", -1e29f, 0.0f, 1.0f, 1.0f, 0.3f);
    AABBCollider* under = aabb("under", 0.0f, 0.0f);
    CircleCollider* lost = circle("lost", nan, 0.0f);
    box("sunk", 0.0f, 0.0f, Inf, 1.0f);
    CircleCollider* huge = circle("huge", 1e30f, -1e30f, 1e30f); // 1.4e30 from under
    BoxCollider* high = box("high", 1e30f, 1.8f, 1.0f, 1.0f, 0.5f);
    BoxCollider* low = box("low", 1e30f, 0.0f, 1.0f, 1.0f, 0.5f);
    settle();
    EXPECT_FALSE(test(turned, point).found || test(point, turned).found) << "points 141 apart";
    EXPECT_FALSE(test(farOut, farBack).found || test(under, lost).found);
    EXPECT_FALSE(test(under, huge).found || test(low, high).found) << "far out, shapes keep their extents";
    hearAll(under);
    testing::internal::CaptureStderr();
    step(3);
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_EQ(heard(), "under>turned 0 (1, 0); under>turned 2 (1, 0); under>turned 2 (1, 0)");
    EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), 2) << reported;
    EXPECT_NE(reported.find("\"lost\""), std::string::npos);
    lost->owner->getTransform()->setLocalTranslation({5.0f, 0.0f, 0.0f});
    settle();
    EXPECT_EQ(lost->getActualCenter().x, 5.0f) << "back from NaN";
    objects().destroyAllObjects();

    // The lively scene among 100 shapes with one value in five odd (a coordinate NaN,
    // infinite or 1e30 either way; a size zero, NaN or infinite), and a tenth of its own
    // shapes at x = NaN from step 10 to step 20.
    const auto oddOnes = [&](int step, std::vector<Orva::GameObject*>& made) {
        const auto uniform = [](float low, float high) {
            return low + (high - low) * Orva::rand() / Orva::RANDOM_MAX;
        };
        const auto value = [&](std::initializer_list<float> odd, float low, float high) {
            const auto draw = static_cast<std::size_t>(Orva::rand() % 25);
            return draw < odd.size() ? odd.begin()[draw] : uniform(low, high);
        };
        if (step == 0) {
            circle("rim", 5.0f, -1e30f, 1e30f); // its top at 0, give or take 1e23
        }
        for (int k = 0; k < 100 && step == 0; ++k) {
            const std::string name = "odd" + std::to_string(k);
            const float x = value({nan, Inf, -Inf, 1e30f, -1e30f}, 0.0f, 20.0f);
            const float y = value({nan, Inf, -Inf, 1e30f, -1e30f}, 0.0f, 20.0f);
            const float w = value({0.0f, 0.0f, 0.0f, nan, Inf}, 0.5f, 2.0f);
            const float h = value({0.0f, 0.0f, 0.0f, nan, Inf}, 0.5f, 2.0f);
            BaseCollider* odd = k % 3 == 0   ? static_cast<BaseCollider*>(circle(name, x, y, w))
                                : k % 3 == 1 ? static_cast<BaseCollider*>(aabb(name, x, y, w, h))
                                             : box(name, x, y, w, h, uniform(0.0f, 3.0f));
            body(odd, uniform(-3.0f, 3.0f), uniform(-3.0f, 3.0f));
            hearAll(odd);
        }
        for (std::size_t k = 3; (step == 10 || step == 20) && k < made.size(); k += 10) {
            if (made[k]) {
                auto p = made[k]->getTransform()->getLocalTranslation();
                p.x = step == 10 ? nan : static_cast<float>(k % 20);
                made[k]->getTransform()->setLocalTranslation(p);
            }
        }
    };
    for (const unsigned seed : {1u, 2u}) {
        std::string traces[2], reports[2];
        for (const bool broadPhase : {false, true}) {
            Orva::srand(seed);
            testing::internal::CaptureStderr();
            traces[broadPhase] = runLivelyScene(300, 40, broadPhase, oddOnes);
            reports[broadPhase] = testing::internal::GetCapturedStderr();
        }
        EXPECT_TRUE(traces[0] == traces[1]) << "seed " << seed << ": the same events and positions";
        EXPECT_TRUE(reports[0] == reports[1]) << "the same colliders named, in the same order";
        EXPECT_EQ(traces[0].find("nan"), std::string::npos) << "the lively scene's own bodies stay finite";
        EXPECT_EQ(traces[0].find("inf"), std::string::npos);
    }
}

TEST_F(CollisionEventTest, ScriptInterface)
{
    writeScript("scripts/Hit.lua", R"(
function AwakeHit(self) end
function InitHit(self)
    physics:listenToCollisionEnter(self.handle, "OnEnterHit", self.owner:getCircleCollider())
end
function UpdateHit(self, dt) end
function DeinitHit(self) end
function UnloadHit() end
function OnEnterHit(self)
    local e = collisionEvent
    hits = (hits or 0) + 1
    seen = e.Type == 0 and e.Normal.y == 1 and e.OtherCollider.owner.Name == "a" and
        e.ThisCollider == self.owner:getCircleCollider() and e.EventHashCode == 2689849686
    kept = e
end
)");
    scripts().unloadAllScriptClasses();
    ASSERT_TRUE(loadScripts());
    circle("a", 0.0f, 0.0f);
    CircleCollider* b = circle("b", 0.0f, 0.9f);
    b->owner->addLuaScript("Hit");
    runFrames(5);
    EXPECT_TRUE(holds("hits == 1 and seen"));
    EXPECT_TRUE(holds("kept.EventHashCode == 2689849686 and kept.Type == 0")) << "a copy of its own";
    EXPECT_TRUE(holds("getmetatable(kept).__name == 'CollisionEvent'"));

    luabridge::setGlobal(L, b, "b");
    EXPECT_TRUE(holds("b.Radius == 0.5 and b.IsGhost == false and b:getCollisionGroupIndex() == 0"));
    EXPECT_EQ(run("b.Radius = 2; b.Offset = Math.Vector2f.make(0.5, 0); b.IsGhost = true; "
                  "physics:setCollisionGroupName(3, 'walls'); b:setCollisionGroup('walls')"),
              "");
    EXPECT_EQ(b->getCollisionGroupIndex(), 3);
    EXPECT_TRUE(holds("physics:getCollisionGroupIndex('walls') == 3"));
    EXPECT_EQ(run("physics:setCollisionFlagByName('walls', 'nowhere', false)"), "");
    EXPECT_TRUE(world().getCollisionFlagField()[3][3]);
    EXPECT_EQ(run("physics:setCollisionFlagByIndex(3, 4, false)"), "");
    EXPECT_FALSE(world().getCollisionFlagField()[4][3]);
    EXPECT_TRUE(b->isGhost);
    EXPECT_EQ(b->offset.x, 0.5f);

    EXPECT_EQ(run("b.owner:addRigidBody().Velocity = Math.Vector3f.make(1, 2, 3)"), "");
    EXPECT_EQ(b->getRigidBody()->velocity.y, 2.0f);
    EXPECT_TRUE(
        holds("b.owner:getRigidBody().Velocity.z == 3 and b:checkPointIsWithin(Math.Vector2f.make(0, 0.9))"));

    for (const char* call : {"physics:listenToCollisionEnter(nil, 'Hear', b)",
                             "physics:listenToCollisionExit(b.owner:getLuaScript('Hit'), 'Hear', nil)",
                             "physics:stopListeningToPersist(nil, b)"}) {
        const std::string error = run(call);
        const std::string function = std::string(call).substr(8, std::string(call).find('(') - 8);
        EXPECT_NE(error.find(function), std::string::npos) << call << ": " << error;
    }
}

} // namespace
