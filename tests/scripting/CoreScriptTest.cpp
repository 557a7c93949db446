#include <string>

#include "ScriptHarness.h"
#include "core/EventManager.h"
#include "core/GlobalManager.h"

// The core services through "luaScript", "globals", "events" and a script's own "handle".

namespace {

// Counts its Updates in self.n; stops itself in the Update numbered self.stopAt.
const char* const TickerSource = R"(
deinits = 0
function AwakeTicker(self) self.n = 0 end
function InitTicker() end
function UpdateTicker(self)
    self.n = self.n + 1
    if self.n == self.stopAt then
        self.handle:stop()
        self.afterStop = true
    end
end
function DeinitTicker() deinits = deinits + 1 end
function UnloadTicker() end
)";

// Listens to "Hit" by name and by code and pushes it from Init; each "Hit" pushes "Hit2".
const char* const HitterSource = R"(
log = ""
function onHit(self)
    assert(luaEvent.ScriptComponent == self.handle and luaEvent.EventHashCode == 1700614218)
    log = log .. "h"
    events:pushEvent(self.handle, "Hit2")
end
function onHitCode() log = log .. "c" end
function onHit2() log = log .. "2" end
function onOrphan() log = log .. (luaEvent.ScriptComponent == nil and "n" or "?") end
function AwakeHitter() end
function InitHitter(self)
    events:listenToEventName(self.handle, "Hit", "onHit")
    events:listenToEventCode(self.handle, 1700614218, "onHitCode")
    events:listenToEventName(self.handle, "Hit2", "onHit2")
    events:pushEvent(self.handle, "Hit")
end
function UpdateHitter() end
function DeinitHitter() end
function UnloadHitter() end
)";

class CoreScriptTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        writeScript("scripts/Ticker.lua", TickerSource);
        writeScript("scripts/Hitter.lua", HitterSource);
        ASSERT_TRUE(loadScripts());
    }

    Orva::LuaScriptComponent* addScript(const char* className, const char* global)
    {
        Orva::LuaScriptComponent* component = objects().create(global)->addLuaScript(className);
        EXPECT_NE(component, nullptr);
        expose(*component, global);
        return component;
    }
};

TEST_F(CoreScriptTest, GlobalValuesRoundTripAndAMissingOneRaisesByName)
{
    EXPECT_TRUE(holds(R"((function()
        globals:addInt("i", -7); globals:addString("s", "text"); globals:addFloat("f", 0.1); globals:addDouble("d", 0.1)
        assert(globals:getInt("i") == -7 and globals:getString("s") == "text")
        assert(globals:getFloat("f") == 0.10000000149011612 and globals:getDouble("d") == 0.1)
        for _, kind in ipairs({"Vector2f", "Vector2i", "Vector2u", "Vector3f", "Vector3i", "Vector3u"}) do
            local v = Math[kind].make(4, 5, 6)
            globals["add" .. kind](globals, kind, v)
            assert(globals["get" .. kind](globals, kind):equal(v), kind)
        end
        globals:addInt("x", 1); globals:addString("x", "later")
        return globals:getString("x") == "later"
    end)())"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_NE(run("globals:getInt('nope')").find("\"nope\""), std::string::npos);
    }
    EXPECT_FALSE(Orva::GlobalManager::getInstance().exist("nope"));
    EXPECT_NE(run("globals:getString('i')").find("\"i\""), std::string::npos);
    EXPECT_EQ(run("globals:remove('i'); globals:clear()"), "");
    EXPECT_FALSE(Orva::GlobalManager::getInstance().exist("s"));
}

TEST_F(CoreScriptTest, NamedTablesAreOneFromEveryDoorUntilRemoved)
{
    EXPECT_TRUE(holds(R"((function()
        local t = globals:addLuaTable("t")
        assert(rawequal(t, Core.GlobalManager.getLuaTable("t")) and rawequal(t, luaScript:getGlobalTable("t")))
        assert(rawequal(t, globals:getLuaTable("t")) and rawequal(t, Core.GlobalManager.addLuaTable("t")))
        t.k = 1
        globals:removeLuaTable("t")
        local fresh = globals:getLuaTable("t")
        assert(not rawequal(t, fresh) and next(fresh) == nil)
        luaScript:removeGlobalTable("t")
        assert(not rawequal(fresh, luaScript:getGlobalTable("t")))
        luaScript:getGlobalTable("u").k = 2
        luaScript:clearGlobalTables()
        return luaScript:getGlobalTable("u").k == nil
    end)())"));
}

TEST_F(CoreScriptTest, AScriptPausesDeactivatesAndStopsItselfFromItsOwnUpdate)
{
    Orva::LuaScriptComponent* ticker = addScript("Ticker", "t");
    runFrames(4);
    EXPECT_TRUE(
        holds("t.n == 2 and rawequal(t.handle.luaObject, t) and t.handle.ScriptClassName == 'Ticker'"));
    ASSERT_EQ(run("t.handle:pause()"), "");
    runFrames(2);
    ASSERT_EQ(run("t.handle:unpause()"), "");
    runFrames(1);
    EXPECT_TRUE(holds("t.n == 3"));

    ASSERT_EQ(run("t.handle.active = false"), "");
    runFrames(1);
    EXPECT_TRUE(holds("t.n == 3 and t.handle.Active == false"));
    EXPECT_FALSE(ticker->active);
    ASSERT_EQ(run("t.handle.active = true; t.stopAt = 4"), "");

    runFrames(1);
    EXPECT_TRUE(holds("t.n == 4 and t.afterStop and deinits == 1"));
    EXPECT_TRUE(holds("gameObjects:find('t'):getLuaScript('Ticker') == nil"));
    runFrames(2);
    EXPECT_TRUE(holds("t.n == 4 and deinits == 1"));
    EXPECT_EQ(run("t = nil"), "");
}

TEST_F(CoreScriptTest, ScriptEventsReachTheirListenersAtTheNextDispatch)
{
    addScript("Hitter", "h");
    runFrames(2);
    EXPECT_TRUE(holds("log == 'hc'")) << "pushed from Init, heard by name and by code in the same frame";
    runFrames(1);
    EXPECT_TRUE(holds("log == 'hc2'")) << "pushed from a listener: one dispatch later";

    ASSERT_EQ(run(R"(
        events:stopListeningToEventName(h.handle, "Hit")
        events:stopListeningToEventCode(h.handle, 1700614218)
        events:pushEvent(h.handle, "Hit"))"),
              "");
    runFrames(2);
    EXPECT_TRUE(holds("log == 'hc2'"));

    Orva::EventManager& manager = Orva::EventManager::getInstance();
    for (const std::string name :
         {"listenToEventName", "listenToEventCode", "stopListeningToEventName", "stopListeningToEventCode"}) {
        const bool listen = name.starts_with("listen");
        const std::string call = "events:" + name + "(nil, " + (name.ends_with("Code") ? "77" : "'Nil'") +
                                 (listen ? ", 'onHit')" : ")");
        EXPECT_NE(run(call).find(name + ": no script component"), std::string::npos) << call;
    }
    EXPECT_EQ(manager.pendingListenersOf(77), nullptr);
    EXPECT_TRUE(manager.pendingRemovals().empty());

    ASSERT_EQ(
        run("events:listenToEventName(h.handle, 'Orphan', 'onOrphan'); events:pushEvent(nil, 'Orphan')"), "");
    runFrames(1);
    EXPECT_TRUE(holds("log == 'hc2n'")) << "an event pushed without a sender still arrives";
    EXPECT_EQ(run("h = nil"), "");
}

} // namespace
