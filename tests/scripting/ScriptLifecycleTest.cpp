#include <string>
#include <vector>

#include "ScriptHarness.h"
#include "world/TransformComponent.h"

// Script components from Awake to Deinit: one step each of Awake, Init, Update, pause, stop,
// classes without Awake, objects without a transform, classes that do not exist, and
// scripts that destroy their own object.

namespace {

using Orva::GameObject;
using Orva::LuaScriptComponent;

// Keeps a trail in self.log; Update moves the transform by 2 units per second of game time.
const char* const MoverSource = R"(
function AwakeMover(self) self.log = "A" end
function InitMover(self) self.log = self.log .. "I" end
function UpdateMover(self, dt)
    self.log = self.log .. "U"
    self.dt = dt
    local t = self.transform.LocalTranslation
    t.x = t.x + 2 * dt
    self.transform.LocalTranslation = t
end
function DeinitMover(self) Debug.print("deinit " .. self.log) end
function UnloadMover() Debug.print("unload") end
)";

// Counts its calls per kind in the global table "calls", by the id the test gives it.
const char* const CounterSource = R"(
calls = {}
local function count(self, kind)
    local key = (self.id or "?") .. kind
    calls[key] = (calls[key] or 0) + 1
end
function AwakeCounter(self) count(self, "A") end
function InitCounter(self) count(self, "I") end
function UpdateCounter(self) count(self, "U") end
function DeinitCounter(self) count(self, "D") end
function UnloadCounter() end
)";

class ScriptLifecycleTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        capturePrints();
        writeScript("scripts/Mover.lua", MoverSource);
        writeScript("scripts/Counter.lua", CounterSource);
        ASSERT_TRUE(loadScripts());
    }

    // An object with a transform and a Counter component whose instance has the given id.
    LuaScriptComponent* counterOn(GameObject* object, const std::string& id)
    {
        LuaScriptComponent* counter = object->addLuaScript("Counter");
        EXPECT_NE(counter, nullptr);
        counter->luaObject["id"] = id;
        return counter;
    }

    // Loads one more class: every class is loaded again from the list.
    void addClass(const std::string& path, const std::string& source)
    {
        writeScript(path, source);
        scripts().unloadAllScriptClasses();
        ASSERT_TRUE(loadScripts());
        printed().clear();
    }

    int calls(const std::string& key) { return eval<int>("calls['" + key + "'] or 0"); }
};

TEST_F(ScriptLifecycleTest, AwakeInitAndUpdateComeOneStepEachWithTheScaledStep)
{
    GameObject* hero = objects().create("hero");
    hero->addComponent<Orva::TransformComponent>();
    LuaScriptComponent* mover = hero->addLuaScript("Mover");
    ASSERT_NE(mover, nullptr);
    expose(*mover, "mover");

    Orva::Engine::resetStepState();
    const std::vector<std::string> trail{"A", "AI", "AIU", "AIUU", "AIUUU"};
    for (const std::string& expected : trail) {
        runFrames(1);
        EXPECT_EQ(mover->luaObject["log"].cast<std::string>(), expected);
    }
    EXPECT_TRUE(mover->isAwake() && mover->isInitialized());
    EXPECT_TRUE(holds("mover.dt == 0.01600000075995922")) << "every step is the float 0.016";
    EXPECT_EQ(hero->getTransform()->getLocalTranslation().x, 0.096f);
    EXPECT_TRUE(holds("mover.owner == gameObjects:find('hero')"));
    EXPECT_TRUE(holds("mover.handle == mover.owner:getLuaScript('Mover')"));
    EXPECT_TRUE(holds("mover.transform == mover.owner:getTransform()"));
    EXPECT_EQ(run("mover = nil"), "");

    objects().destroy(hero);
    EXPECT_EQ(printed(), std::vector<std::string>{"deinit AIUUU"});
    shutDown();
    EXPECT_EQ(printed(), (std::vector<std::string>{"deinit AIUUU", "unload"}));
}

TEST_F(ScriptLifecycleTest, APausedComponentNeitherWakesNorUpdatesAndResumesWhereItStood)
{
    GameObject* object = objects().create();
    LuaScriptComponent* counter = counterOn(object, "c");
    counter->pause();
    runFrames(3);
    EXPECT_EQ(calls("cA"), 0);
    EXPECT_FALSE(counter->isAwake());

    counter->unpause();
    runFrames(2);
    EXPECT_EQ(calls("cA"), 1);
    EXPECT_EQ(calls("cI"), 1);
    counter->pause();
    runFrames(2);
    counter->unpause();
    runFrames(1);
    EXPECT_EQ(calls("cU"), 1);
}

TEST_F(ScriptLifecycleTest, DeinitRunsOnceWhetherStoppedFirstOrDestroyedAfterAwake)
{
    GameObject* object = objects().create();
    LuaScriptComponent* stopped = counterOn(object, "s");
    counterOn(object, "d");
    LuaScriptComponent* sleeping = counterOn(objects().create(), "z");
    sleeping->pause();
    runFrames(1);

    stopped->stop();
    EXPECT_EQ(calls("sD"), 1);
    EXPECT_EQ(object->getComponentList().size(), 1u) << "stop takes the component off its object";
    runFrames(2);
    objects().destroy(object);
    EXPECT_EQ(calls("sD"), 1);
    EXPECT_EQ(calls("dD"), 1) << "destroyed after its Awake step";
    EXPECT_EQ(calls("dU"), 1);

    objects().destroy(sleeping->owner);
    EXPECT_EQ(calls("zD"), 0) << "never awake, so no Deinit";
}

TEST_F(ScriptLifecycleTest, StopTakesOffTheStoppedComponentNotTheFirstOfItsClass)
{
    GameObject* object = objects().create();
    LuaScriptComponent* first = counterOn(object, "first");
    LuaScriptComponent* second = counterOn(object, "second");
    second->stop();
    EXPECT_EQ(object->getLuaScript("Counter"), first);
    ASSERT_EQ(object->getComponentList().size(), 1u);
    runFrames(3);
    EXPECT_EQ(calls("firstU"), 1);
    EXPECT_EQ(calls("secondD"), 1);
}

TEST_F(ScriptLifecycleTest, WithoutAwakeTheFirstStepOnlyMarksItAwake)
{
    addClass("scripts/Sleepy.lua", R"(
        steps = {}
        function InitSleepy(self) steps[#steps + 1] = "I" end
        function UpdateSleepy(self) steps[#steps + 1] = "U" end
        function DeinitSleepy(self) end
        function UnloadSleepy() end)");
    LuaScriptComponent* sleepy = objects().create()->addLuaScript("Sleepy");
    ASSERT_NE(sleepy, nullptr);
    runFrames(1);
    EXPECT_TRUE(sleepy->isAwake());
    EXPECT_EQ(eval<int>("#steps"), 0);
    runFrames(2);
    EXPECT_EQ(eval<std::string>("table.concat(steps)"), "IU");
}

TEST_F(ScriptLifecycleTest, AnObjectWithoutTransformGivesANilTransform)
{
    LuaScriptComponent* mover = objects().create("bare")->addLuaScript("Mover");
    ASSERT_NE(mover, nullptr);
    expose(*mover, "mover");
    EXPECT_TRUE(holds("mover.transform == nil"));
    EXPECT_TRUE(holds("mover.owner.name == 'bare'"));
    EXPECT_TRUE(holds("mover._invalid == nil"));
    EXPECT_EQ(run("mover = nil"), "");
}

TEST_F(ScriptLifecycleTest, ScriptComponentsAreFoundAndRemovedByClassName)
{
    GameObject* object = objects().create();
    LuaScriptComponent* mover = object->addLuaScript("Mover");
    LuaScriptComponent* counter = counterOn(object, "c");
    LuaScriptComponent* secondMover = object->addLuaScript("Mover");
    EXPECT_EQ(mover->ScriptClassName, "Mover");
    EXPECT_EQ(mover->getOwner(), object);
    EXPECT_EQ(mover->type, LuaScriptComponent::TypeNumber);
    EXPECT_EQ(object->getLuaScript("Counter"), counter);
    EXPECT_EQ(object->getLuaScript("mover"), nullptr) << "names are case-sensitive";

    object->removeLuaScript("Mover");
    EXPECT_EQ(object->getLuaScript("Mover"), secondMover);
    object->removeLuaScript("Nobody");
    EXPECT_EQ(object->getComponentList().size(), 2u);
}

TEST_F(ScriptLifecycleTest, AnUnknownClassAddsNothingReportsOnceAndStaysQuiet)
{
    ScriptErrorListener listener;
    GameObject* object = objects().create("o");
    EXPECT_EQ(object->addLuaScript("Nope"), nullptr);
    EXPECT_TRUE(holds("gameObjects:find('o'):addLuaScript('Nope') == nil"));
    EXPECT_TRUE(object->getComponentList().empty());
    EXPECT_EQ(scripts().getScriptClassCount(), 2u);
    EXPECT_EQ(scripts().findScriptClass("Nope"), nullptr);

    runFrames(3);
    ASSERT_EQ(listener.received().size(), 2u);
    for (const Orva::LuaExceptionEvent& report : listener.received()) {
        EXPECT_EQ(report.message, "Nope script class is not a valid class (Does not exist). "
                                  "No functions will be runned for it");
        EXPECT_EQ(report.errorType, 1);
        EXPECT_EQ(report.scriptPath, "");
    }
    EXPECT_EQ(errorReport(), "") << "no frame was cut short";
}

TEST_F(ScriptLifecycleTest, AComponentWithoutObjectWhoseClassIsMissingNeverRuns)
{
    LuaScriptComponent loose;
    EXPECT_FALSE(loose.initScriptForGame("Nope"));
    EXPECT_FALSE(loose.isRunning());
    loose.update(0.016f);
    EXPECT_TRUE(loose.initScriptForGame("Counter"));
    loose.luaObject["id"] = "loose";
    loose.update(0.016f);
    EXPECT_EQ(calls("looseA"), 1) << "a later class starts it afresh";
}

TEST_F(ScriptLifecycleTest, AScriptMayDestroyItsOwnObjectFromAnyStep)
{
    addClass("scripts/Doomed.lua", R"(
        function AwakeDoomed(self) if self.owner.name == "awake" then gameObjects:destroyNow(self.owner) end end
        function InitDoomed(self)
            if self.owner.name == "init" then
                gameObjects:destroyNow(self.owner)
                -- The freed slot is reused at once: the new component must start afresh.
                gameObjects:createGOWithName("heir"):addLuaScript("Counter")
            end
        end
        function UpdateDoomed(self) gameObjects:destroyNow(self.owner) end
        function DeinitDoomed(self) Debug.print("deinit " .. self.owner.name) end
        function UnloadDoomed() end)");
    for (const char* name : {"awake", "init", "update"}) {
        ASSERT_NE(objects().create(name)->addLuaScript("Doomed"), nullptr);
    }
    runFrames(4);
    EXPECT_EQ(objects().find("awake"), nullptr);
    EXPECT_EQ(objects().find("init"), nullptr);
    EXPECT_EQ(objects().find("update"), nullptr);
    EXPECT_EQ(printed(), (std::vector<std::string>{"deinit init", "deinit update"}))
        << "a component destroyed in its Awake step was never awake";
    const LuaScriptComponent* heir = objects().find("heir")->getLuaScript("Counter");
    ASSERT_NE(heir, nullptr);
    EXPECT_TRUE(heir->isAwake());
    EXPECT_EQ(calls("?I"), 1) << "stepped from a fresh start, not marked initialised by its predecessor";
    EXPECT_EQ(errorReport(), "");
}

} // namespace
