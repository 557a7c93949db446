#include <string>

#include "actions/ActionComponent.h"
#include "actions/ActionContainers.h"
#include "actions/LeafActions.h"
#include "core/EventManager.h"
#include "scripting/ScriptHarness.h"
#include "world/ComponentPool.h"
#include "world/ResourceManager.h"
#include "world/TransformComponent.h"

// Actions in a running world: callbacks into scripts, events, object destruction, the guard
// on targets in components, and an action component whose roots call back into it.

namespace {

using namespace Orva::Actions;
using Orva::GameObject;
using Orva::LuaScriptComponent;

constexpr float Step = 0.016f;

// Counts the events of one name and keeps the last sender.
class EventCounter
{
public:
    explicit EventCounter(const char* name)
    {
        Orva::EventManager::getInstance().ListenToEvent(name,
                                                        Orva::FunctionHolder(this, &EventCounter::onEvent));
    }

    Orva::EventCallbackObject& getEventCallbackObject() noexcept { return callbacks_; }

    int count = 0;
    LuaScriptComponent* sender = nullptr;

private:
    void onEvent(Orva::BaseEvent* event)
    {
        ++count;
        sender = static_cast<Orva::LuaEvent*>(event)->scriptComponent;
    }

    Orva::EventCallbackObject callbacks_;
};

class ActionWorldTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        writeScript("scripts/Probe.lua", "function UpdateProbe() end function InitProbe() end\n"
                                         "function DeinitProbe() end function UnloadProbe() end");
        ASSERT_TRUE(loadScripts());
    }

    // A script component of class Probe on the object, readable from chunks as `name`.
    LuaScriptComponent* probeOn(GameObject* object, const char* name)
    {
        LuaScriptComponent* probe = object->addLuaScript("Probe");
        expose(*probe, name);
        return probe;
    }

    static void stepActions() { Orva::ComponentPool<ActionComponent>::getInstance().update(Step); }
};

TEST_F(ActionWorldTest, CallbacksCallTheirScriptObjectOnce)
{
    GameObject* object = objects().create("caller");
    LuaScriptComponent* probe = probeOn(object, "probe");
    ASSERT_TRUE(run("function probe:hit() hits = (hits or 0) + 1; lastSelf = self end").empty());

    ActionGroup group;
    group.luaCallback(probe, "hit");
    EXPECT_TRUE(group.update(Step));
    EXPECT_TRUE(holds("hits == 1 and lastSelf == probe"));
    std::unique_ptr<ActionBase> copy(group.getChildren().front()->clone());
    EXPECT_TRUE(copy->update(Step));
    EXPECT_TRUE(holds("hits == 1")) << "a clone of a callback that ran does not run";

    ActionSequence late;
    late.luaCallback(probe, "hit");
    objects().destroy(object);
    EXPECT_TRUE(late.update(Step));
    EXPECT_TRUE(holds("hits == 1")) << "nothing is called once the script component is gone";
}

TEST_F(ActionWorldTest, CallbacksRefuseNamesThatAreNotFunctions)
{
    LuaScriptComponent* probe = probeOn(objects().create(), "probe");
    ASSERT_TRUE(run("probe.count = 3").empty());
    ActionSequence sequence;
    for (const std::string name : {"nope", "count"}) {
        try {
            sequence.luaCallback(probe, name);
            ADD_FAILURE() << name << " was taken";
        } catch (const Orva::LuaExceptionEvent& error) {
            EXPECT_EQ(error.message, "Action Function Callback is created with a invalid Lua function name.\n"
                                     "Lua function name is: \"" +
                                         name + "\"  from the script class \"Probe\"");
            EXPECT_EQ(error.errorType, 0);
            EXPECT_EQ(error.scriptPath,
                      Orva::Resources::ResourceManager::getResourceDirectory() + "scripts/Probe");
        }
    }
    EXPECT_THROW(sequence.luaCallback(nullptr, "hit"), std::invalid_argument);
    EXPECT_TRUE(sequence.getChildren().empty());
}

TEST_F(ActionWorldTest, SendEventGroupSendsOnceAndFinishesWithItsDelay)
{
    EventCounter pings("Ping");
    GameObject* object = objects().create();
    LuaScriptComponent* probe = probeOn(object, "probe");
    ActionGroup group;
    group.sendEvent(probe, "Ping")->delay(0.5f)->sendEvent(nullptr, "Ping")->sendEvent(probe, "");
    for (int step = 1; step < 32; ++step) {
        ASSERT_FALSE(group.update(Step)) << "step " << step;
    }
    EXPECT_TRUE(group.update(Step));
    Orva::EventManager::PushAllEvents();
    EXPECT_EQ(pings.count, 1);
    EXPECT_EQ(pings.sender, probe);
    std::unique_ptr<ActionBase> again(group.getChildren().front()->clone());
    again->update(Step);
    Orva::EventManager::PushAllEvents();
    EXPECT_EQ(pings.count, 2) << "a clone starts unsent";

    ActionSequence late;
    late.sendEvent(probe, "Ping");
    objects().destroy(object);
    late.update(Step);
    Orva::EventManager::PushAllEvents();
    EXPECT_EQ(pings.count, 2) << "a destroyed sender sends nothing";
}

TEST_F(ActionWorldTest, DestroyActionsLeaveRecycledSlotsAlone)
{
    ActionGroup group;
    const unsigned before = objects().getObjectCount();
    group.destroyGameObjectWithName("nobody")->destroyGameObject(nullptr);
    ASSERT_EQ(group.getChildren().size(), 1u) << "a null object adds nothing";
    EXPECT_TRUE(group.update(Step));

    GameObject* victim = objects().create("victim");
    GameObject* doomed = objects().create("doomed");
    ActionGroup destroys;
    destroys.destroyGameObject(victim)->destroyGameObjectWithName("doomed");
    objects().destroy(victim);
    GameObject* newcomer = objects().create("newcomer");
    ASSERT_EQ(newcomer, victim) << "the freed slot is handed out next";
    EXPECT_TRUE(destroys.update(Step));
    Orva::GameObjectManager::update();
    EXPECT_TRUE(Orva::GameObjectManager::isGameObjectInUse(newcomer));
    EXPECT_FALSE(Orva::GameObjectManager::isGameObjectInUse(doomed));
    EXPECT_EQ(objects().getObjectCount(), before + 1);
}

// Fault mended: tweens went on writing into a destroyed component's slot, now another's.
TEST_F(ActionWorldTest, TweensStopWhenTheComponentHoldingTheirTargetGoes)
{
    GameObject* a = objects().create("a");
    GameObject* b = objects().create("b");
    auto* actions = a->addComponent<ActionComponent>();
    Orva::TransformComponent* target = b->addComponent<Orva::TransformComponent>();
    target->pushRotation();
    ActionGroup* group = actions->createActionGroup();
    group->linearByFloat(nullptr, 1.0f, 1.0f);
    group->linearToVector3f(&target->getLocalTranslation(), {5.0f, 5.0f, 5.0f}, 1.0f);
    stepActions();
    EXPECT_GT(target->getLocalRotationRad(), 0.0f);

    Orva::Math::Vector3D<float>* const scale = &target->getLocalScale();
    objects().destroy(b);
    ActionSequence late;
    late.linearByVector3f(scale, {1.0f, 1.0f, 1.0f}, 1.0f);
    EXPECT_TRUE(late.update(Step)) << "a target in a free slot makes a tween that never writes";
    Orva::TransformComponent* reused = objects().create("c")->addComponent<Orva::TransformComponent>();
    ASSERT_EQ(reused, target);
    stepActions();
    EXPECT_TRUE(actions->getActions().empty()) << "both tweens finished: the group is gone";
    EXPECT_EQ(reused->getLocalRotationRad(), 0.0f);
    EXPECT_EQ(reused->getLocalTranslation(), Orva::Math::Vector3D<float>());
}

TEST_F(ActionWorldTest, DestroyAllActionsFromTheSecondOfThreeRoots)
{
    GameObject* object = objects().create();
    LuaScriptComponent* probe = probeOn(object, "probe");
    auto* actions = object->addComponent<ActionComponent>();
    luabridge::getGlobalNamespace(L).addFunction("destroyAllActions",
                                                 [actions] { actions->destroyAllActions(); });
    ASSERT_TRUE(run("log = ''\n"
                    "function probe:first() log = log .. '1' end\n"
                    "function probe:second() log = log .. '2'; destroyAllActions() end\n"
                    "function probe:third() log = log .. '3' end")
                    .empty());
    for (const char* name : {"first", "second", "third"}) {
        actions->createActionSequence()->luaCallback(probe, name)->delay(1.0f);
    }
    stepActions();
    EXPECT_TRUE(holds("log == '12'")) << "the third root was dropped unrun";
    stepActions();
    EXPECT_TRUE(actions->getActions().empty());
    EXPECT_TRUE(holds("log == '12'"));
}

// Roots a callback adds during the step start at the next one, also once they no longer fit
// in the list's own room and the list moves while it is walked (ASan runs this).
TEST_F(ActionWorldTest, RootsAddedDuringAStepStartAtTheNext)
{
    GameObject* object = objects().create();
    LuaScriptComponent* probe = probeOn(object, "probe");
    auto* actions = object->addComponent<ActionComponent>();
    luabridge::setGlobal(L, actions, "actions");
    ASSERT_TRUE(run("late = 0\n"
                    "function probe:grow()\n"
                    "  for i = 1, 6 do actions:createActionSequence():luaCallback(self.handle, 'late') end\n"
                    "end\n"
                    "function probe:late() late = late + 1 end")
                    .empty());
    actions->createActionSequence()->luaCallback(probe, "grow");
    actions->createActionSequence()->delay(1.0f);
    stepActions();
    EXPECT_TRUE(holds("late == 0"));
    EXPECT_EQ(actions->getActions().size(), 7u) << "the delay and the six new roots";
    stepActions();
    EXPECT_TRUE(holds("late == 6"));
    EXPECT_EQ(actions->getActions().size(), 1u);
}

TEST_F(ActionWorldTest, CallbackDestroyingItsOwnObjectEndsTheStep)
{
    GameObject* object = objects().create();
    LuaScriptComponent* probe = probeOn(object, "probe");
    auto* actions = object->addComponent<ActionComponent>();
    // The new object's action component takes the slot just freed.
    ASSERT_TRUE(run("function probe:die()\n"
                    "  gameObjects:destroyNow(self.owner)\n"
                    "  replacement = gameObjects:createGO():addAction()\n"
                    "end\n"
                    "function probe:after() ran = true end")
                    .empty());
    actions->createActionGroup()->luaCallback(probe, "die")->luaCallback(probe, "after");
    actions->createActionSequence()->luaCallback(probe, "after");
    stepActions();
    EXPECT_TRUE(holds("ran == nil")) << "neither the group's later child nor the next root ran";
    EXPECT_EQ(eval<ActionComponent*>("replacement"), actions);
    EXPECT_TRUE(actions->getActions().empty());
}

} // namespace
