#include <filesystem>
#include <string>

#include "ScriptHarness.h"
#include "actions/ActionComponent.h"
#include "actions/ActionSetManager.h"
#include "actions/ActionTween.h"
#include "actions/LeafActions.h"

// Actions as scripts build them: chained builders, the easing functions, refused arguments,
// tweens of script-owned values, callback errors from a running script, and set attachment.

namespace {

using namespace Orva::Actions;

class ActionScriptTest : public ScriptHarness
{
protected:
    // "o", an object with an action component, and "seq", a sequence on it.
    void SetUp() override
    {
        ScriptHarness::SetUp();
        ASSERT_EQ(run("o = gameObjects:createGOWithName('o'); seq = o:addAction():createActionSequence()"),
                  "");
        component = objects().find("o")->getComponent<ActionComponent>();
    }

    const ActionSequence& sequence() const
    {
        return dynamic_cast<const ActionSequence&>(*component->getActions().front());
    }

    ActionComponent* component = nullptr;
};

TEST_F(ActionScriptTest, BuildersChainOnTheirContainer)
{
    ASSERT_EQ(run("v = Math.Vector3f.make(0, 0, 0)\n"
                  "r = seq:delay(1):linearByVector3f(v, Math.Vector3f.make(2, 0, 0), 2):playSound('s')\n"
                  "g = seq:addAndReturnGroup(); g:delay(5); g:reverse():destroyOneAction(0)"),
              "");
    EXPECT_TRUE(holds("r == seq and g ~= seq and seq.IsDone == nil and Actions.Tween.linear == nil"));
    const ActionSequence::ChildList& children = sequence().getChildren();
    ASSERT_EQ(children.size(), 4u);
    auto child = children.begin();
    EXPECT_NE(dynamic_cast<ActionDelay*>(*child++), nullptr);
    EXPECT_NE(dynamic_cast<ActionTweenByLinear<Orva::Math::Vector3D<float>>*>(*child++), nullptr);
    EXPECT_NE(dynamic_cast<ActionPlaySound*>(*child++), nullptr);
    const auto& group = dynamic_cast<const ActionGroup&>(**child);
    ASSERT_EQ(group.getChildren().size(), 1u);
    EXPECT_TRUE(group.getChildren().front()->isDone()) << "the reversed group's child was destroyed";
    EXPECT_NE(dynamic_cast<ActionSequence*>(group.getChildren().front()), nullptr);
}

TEST_F(ActionScriptTest, EasingFunctionsGiveTheirKnownAnswers)
{
    EXPECT_EQ(eval<double>("Actions.Tween.quadIn(1, 2)"), 0.25);
    EXPECT_EQ(eval<double>("Actions.Tween.quadInPercent(0.5)"), 0.25);
    EXPECT_EQ(eval<double>("Actions.Tween.cubicInOut(1, 2)"), 0.50000107288360596);
    EXPECT_EQ(eval<double>("Actions.Tween.sineInOutPercent(0.1)"), 0.024471743032336235);
}

// Decided: missing tween targets and nil script components are refused, adding nothing.
TEST_F(ActionScriptTest, RefusedArgumentsAddNoChild)
{
    const auto refusal = [this](const std::string& call, const std::string& text) {
        const std::string error = run(call);
        EXPECT_NE(error.find(text), std::string::npos) << call << ": " << error;
    };
    refusal("seq:quadInToInt(7, 1, 1)", "expected, got number");
    refusal("seq:linearByDouble(nil, 1, 1)", "test.lua:1: no tween target");
    refusal("seq:linearToVector2f(nil, Math.Vector2f.make(1, 1), 1)", "no tween target");
    refusal("seq:luaCallback(nil, 'f')", "LuaScriptComponent expected, got nil");
    EXPECT_EQ(run("seq:sendEvent(nil, 'e'):destroyGameObject(nil)"), "");
    EXPECT_EQ(sequence().getChildren().size(), 1u) << "only the event, which keeps its nil sender";
}

TEST_F(ActionScriptTest, IntTweensMoveAPushedComponentInWholeSteps)
{
    ASSERT_EQ(run("w = Math.Vector3i.make(0, 0, 0); w:pushZ(); seq:linearByInt(nil, 8, 0.04)"), "");
    for (const int z : {3, 6, 8}) {
        runFrames(1);
        EXPECT_EQ(eval<int>("w.z"), z);
    }
}

// Fault mended: tweens wrote into script values the collector had freed. A tween keeps its
// value alive, and lets it go when it ends.
TEST_F(ActionScriptTest, TweenedScriptValuesLiveAsLongAsTheirTweens)
{
    ASSERT_EQ(
        run("a = o:getAction(); kept = setmetatable({}, {__mode = 'v'})\n"
            "do local v = Math.Vector2f.make(0, 0); v:pushY()\n"
            "   a:createActionSequence():linearByFloat(nil, 3, 0.5); kept.v = v end\n"
            "do local t = Math.Vector3f.make(0, 0, 0)\n"
            "   a:createActionGroup():linearByVector3f(t, Math.Vector3f.make(1, 1, 1), 0.5); kept.t = t end\n"
            "do local c = Graphics.Color(); c:pushA(); seq:linearToFloat(nil, 0, 2); kept.c = c end\n"
            "Math.Vector2f.make(0, 0):pushX()\n"
            "collectgarbage(); collectgarbage()"),
        "");
    runFrames(40);
    EXPECT_TRUE(holds("kept.v.y == 3 and kept.t.z == 1 and kept.c.a > 0"));
    ASSERT_EQ(run("collectgarbage(); collectgarbage()"), "");
    EXPECT_TRUE(holds("kept.v == nil and kept.t == nil and kept.c ~= nil")) << "finished tweens let go";
    runFrames(20);
}

// The script error event of a bad callback name reaches the frame's report whole.
TEST_F(ActionScriptTest, ABadCallbackNameIsReportedAndTheGameGoesOn)
{
    writeScript("scripts/Caller.lua", "function InitCaller(self) end\n"
                                      "function UpdateCaller(self)\n"
                                      "  updates = (updates or 0) + 1\n"
                                      "  if updates == 1 then seq:luaCallback(self.handle, 'nope') end\n"
                                      "end\n"
                                      "function DeinitCaller() end function UnloadCaller() end");
    ASSERT_TRUE(loadScripts());
    objects().find("o")->addLuaScript("Caller");
    ASSERT_EQ(run("seq:delay(1)"), "");
    runFrames(3);
    EXPECT_EQ(errorReport(), "Action Function Callback is created with a invalid Lua function name.\n"
                             "Lua function name is: \"nope\"  from the script class \"Caller\"");
    const int updates = eval<int>("updates");
    runFrames(1);
    EXPECT_GT(eval<int>("updates"), updates);
    EXPECT_EQ(sequence().getChildren().size(), 1u);
}

// Fault mended: a script that kept a finished action wrote into its freed block.
TEST_F(ActionScriptTest, AReferenceToAFinishedActionRaises)
{
    ASSERT_EQ(run("kept = seq"), "");
    runFrames(1);
    ASSERT_TRUE(component->getActions().empty());
    const std::string error = run("kept:delay(1)");
    EXPECT_NE(error.find("ActionSequence no longer exists"), std::string::npos) << error;
    EXPECT_TRUE(holds("o:getAction():createActionSequence() ~= kept and kept == seq"));
}

TEST_F(ActionScriptTest, TheActionsGlobalAttachesSetsAndEndsEveryAction)
{
    std::filesystem::create_directories(root() / "resources" / "data");
    writeFile(root() / "resources" / "data" / "wait.action",
              "<action><action type=\"delay\" duration=\"9\"/></action>");
    ActionSetManager::getInstance().loadAllActionSets();
    ASSERT_EQ(run("actions:attachActionSet(o, 'wait'); actions:attachActionSet(nil, 'wait')\n"
                  "actions:attachActionSet(o, 'none'); actions:destroyAllActionsInScene()"),
              "");
    ASSERT_EQ(component->getActions().size(), 2u);
    EXPECT_TRUE(component->getActions().back()->isDone());
    runFrames(1);
    EXPECT_TRUE(component->getActions().empty());
}

} // namespace
