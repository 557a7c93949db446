#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ScriptHarness.h"

// Failing scripts: errors in a step end that frame's script work and are reported once per
// frame as the engine reports any frame failure; failures where nothing can propagate (a
// Deinit in a destructor, an Unload at shut-down) are reported the same way and the rest goes
// on; C++ exceptions cross the interpreter with their type.

namespace {

using Orva::GameObject;
using Orva::LuaScriptComponent;

const char* const TickerSource = R"(
ticks = 0
function InitTicker(self) end
function UpdateTicker(self) ticks = ticks + 1 end
function DeinitTicker(self) end
function UnloadTicker() Debug.print("unload ticker") end
)";

class ScriptFailureTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        capturePrints();
        // Bindings that fail the way engine code does.
        luabridge::getGlobalNamespace(L)
            .beginNamespace("Test")
            .addFunction("throwRuntimeError", [] { throw std::runtime_error("boom"); })
            .addFunction("throwScriptReport",
                         [] { throw Orva::LuaExceptionEvent("Bad callback name", 0, "scripts/X.lua"); })
            .addFunction("stop", [](LuaScriptComponent* component) { component->stop(); })
            .endNamespace();
        writeScript("scripts/Ticker.lua", TickerSource);
    }

    // Loads the listed classes and puts one component of the class on a new object.
    LuaScriptComponent* scriptOn(const std::string& objectName, const std::string& className)
    {
        if (scripts().getScriptClassCount() == 0) {
            EXPECT_TRUE(loadScripts());
        }
        LuaScriptComponent* component = objects().create(objectName)->addLuaScript(className);
        EXPECT_NE(component, nullptr) << className;
        return component;
    }
};

TEST_F(ScriptFailureTest, AnUpdateErrorIsReportedEveryFrameWhileOtherScriptsRun)
{
    writeScript("scripts/Boom.lua", "function InitBoom(self) end\n"
                                    "function UpdateBoom(self)\n"
                                    "    error(\"x\")\n"
                                    "end\n"
                                    "function DeinitBoom(self) end\n"
                                    "function UnloadBoom() end\n");
    // A pool steps its newest component first: the ticker runs before the failing script.
    scriptOn("boom", "Boom");
    scriptOn("ticker", "Ticker");

    const std::string report = "Lua Script Error in Boom.lua when doing Engine\nLine:3: x";
    runFrames(299);
    EXPECT_EQ(errorReport(), report);
    removeErrorReport();
    runFrames(1);
    EXPECT_EQ(errorReport(), report) << "written again by the last frame";
    EXPECT_EQ(eval<int>("ticks"), 298);
}

// Error values without a message are reported as a string error is: the script and its line,
// then what the value says of itself.
TEST_F(ScriptFailureTest, AnErrorValueWithoutAMessageIsReportedWithItsScriptAndLine)
{
    writeScript("scripts/Odd.lua", "function InitOdd(self) end\nfunction UpdateOdd(self) error(raised) end\n"
                                   "function DeinitOdd(self) end\nfunction UnloadOdd() end\n");
    scriptOn("odd", "Odd");
    runFrames(2);
    for (const auto& [value, text] : std::vector<std::pair<std::string, std::string>>{
             {"nil", "(error object is a nil value)"},
             {"{}", "(error object is a table value)"},
             {"setmetatable({}, {__tostring = function() error('worse') end})",
              "(error object is a table value)"},
             {"setmetatable({}, {__tostring = function() return 'out of keys' end})", "out of keys"},
             {"7", "7"}}) {
        ASSERT_EQ(run("raised = " + value), "");
        runFrames(1);
        EXPECT_EQ(errorReport(), "Lua Script Error in Odd.lua when doing Engine\nLine:2: " + text) << value;
    }
}

TEST_F(ScriptFailureTest, ACppExceptionFromABindingReachesTheFrameWithItsType)
{
    writeScript("scripts/Thrower.lua", R"(
        function InitThrower(self) end
        function UpdateThrower(self) if self.owner.name == "runtime" then Test.throwRuntimeError() else Test.throwScriptReport() end end
        function DeinitThrower(self) end
        function UnloadThrower() end)");
    scriptOn("runtime", "Thrower");
    runFrames(3);
    EXPECT_EQ(errorReport(), "Exception thrown when doing Engine\nError message:boom\n");

    objects().find("runtime")->name = "report";
    runFrames(1);
    EXPECT_EQ(errorReport(), "Bad callback name") << "a LuaExceptionEvent is reported by its message";
}

TEST_F(ScriptFailureTest, AFailingDeinitDuringDestroyNowIsReportedAndTheObjectGoes)
{
    writeScript("scripts/Fragile.lua", "function InitFragile(self) end\n"
                                       "function UpdateFragile(self) end\n"
                                       "function DeinitFragile(self)\n"
                                       "    error(\"no way out\")\n"
                                       "end\n"
                                       "function UnloadFragile() end\n");
    scriptOn("fromCpp", "Fragile");
    scriptOn("fromLua", "Fragile");
    runFrames(1);

    objects().destroy(objects().find("fromCpp"));
    EXPECT_EQ(objects().find("fromCpp"), nullptr);
    EXPECT_EQ(errorReport(), "Lua Script Error in Fragile.lua when doing Engine\nLine:4: no way out");
    removeErrorReport();

    EXPECT_EQ(run("gameObjects:destroyNow(gameObjects:find('fromLua')); afterwards = true"), "");
    EXPECT_TRUE(holds("afterwards and gameObjects:find('fromLua') == nil"))
        << "the script that destroyed it carries on";
    EXPECT_EQ(errorReport(), "Lua Script Error in Fragile.lua when doing Engine\nLine:4: no way out");
}

TEST_F(ScriptFailureTest, StopTakesTheComponentOffAlsoWhenDeinitFailsThenRethrows)
{
    writeScript("scripts/Fragile.lua", R"(
        function InitFragile(self) end
        function UpdateFragile(self) end
        function DeinitFragile(self) error("stop failed") end
        function UnloadFragile() end)");
    LuaScriptComponent* fragile = scriptOn("fragile", "Fragile");
    GameObject* object = fragile->owner;
    runFrames(1);
    try {
        fragile->stop();
        ADD_FAILURE() << "the failure of Deinit comes back from stop";
    } catch (const luabridge::LuaException& error) {
        EXPECT_STREQ(error.what(), "scripts/Fragile.lua:4: stop failed");
    }
    EXPECT_TRUE(object->getComponentList().empty());
}

// The stop's LuaException leaves a binding called from a script: it must cross the
// interpreter as itself, not as a broken status.
TEST_F(ScriptFailureTest, AFailingDeinitInsideAScriptStepReachesTheFrameAsAScriptError)
{
    writeScript("scripts/Fragile.lua", R"(
        function InitFragile(self) end
        function UpdateFragile(self) end
        function DeinitFragile(self) error("nested") end
        function UnloadFragile() end)");
    writeScript("scripts/Stopper.lua", R"(
        function InitStopper(self) end
        function UpdateStopper(self) Test.stop(gameObjects:find("fragile"):getLuaScript("Fragile")) end
        function DeinitStopper(self) end
        function UnloadStopper() end)");
    scriptOn("fragile", "Fragile");
    scriptOn("stopper", "Stopper");
    runFrames(3);
    EXPECT_EQ(errorReport(), "Lua Script Error in Fragile.lua when doing Engine\nLine:4: nested");
    EXPECT_TRUE(objects().find("fragile")->getComponentList().empty());
}

TEST_F(ScriptFailureTest, ShutDownReportsFailingDeinitAndUnloadAndRunsTheOtherUnloads)
{
    writeScript("scripts/Anchor.lua", R"(
        function InitAnchor(self) end
        function UpdateAnchor(self) end
        function DeinitAnchor(self) error("deinit at shut-down") end
        function UnloadAnchor() error("unload at shut-down") end)");
    scriptOn("anchor", "Anchor");
    runFrames(1);

    testing::internal::CaptureStderr();
    shutDown();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("Line:4: deinit at shut-down"), std::string::npos) << errors;
    EXPECT_NE(errors.find("Line:5: unload at shut-down"), std::string::npos) << errors;
    EXPECT_EQ(printed(), std::vector<std::string>{"unload ticker"}) << "the other class still unloads";
}

TEST_F(ScriptFailureTest, AFailingLoadReportsAFailingUnloadAndStillEmptiesTheClassTable)
{
    writeScript("scripts/Anchor.lua", R"(
        function InitAnchor(self) end
        function UpdateAnchor(self) end
        function DeinitAnchor(self) end
        function UnloadAnchor() error("unloading") end)");
    writeScript("scripts/Broken.lua", "function UpdateBroken() end");
    EXPECT_FALSE(loadScripts());
    EXPECT_EQ(scripts().getScriptClassCount(), 0u);
    EXPECT_EQ(errorReport().rfind("Lua Script Error in Anchor.lua when doing ", 0), 0u) << errorReport();
    EXPECT_NE(errorReport().find("\nLine:5: unloading"), std::string::npos) << errorReport();
    EXPECT_EQ(printed(), std::vector<std::string>{"unload ticker"});
}

// A finalizer's error is reported as its own: the script and the line that raised it, not the
// line whose allocation or collectgarbage happened to run the collector.
TEST_F(ScriptFailureTest, AnErrorInAFinalizerIsReportedWithItsOwnScriptAndLine)
{
    writeScript("scripts/Doomed.lua", "function makeDoomed()\n"
                                      "    setmetatable({}, {__gc = function()\n"
                                      "        error('gc boom')\n"
                                      "    end})\n"
                                      "end\n"
                                      "function InitDoomed(self) end function UpdateDoomed(self) end\n"
                                      "function DeinitDoomed(self) end function UnloadDoomed() end\n");
    writeScript("scripts/Collector.lua",
                "function InitCollector(self) end\n"
                "function UpdateCollector(self)\n"
                "    makeDoomed()\n"
                "    for i = 1, 100000 do local t = {i} end\n"
                "end\n"
                "function DeinitCollector(self) end function UnloadCollector() end\n");
    scriptOn("collector", "Collector");
    runFrames(4);
    EXPECT_EQ(errorReport(), "Lua Script Error in Doomed.lua when doing Engine\nLine:3: gc boom");
}

} // namespace
