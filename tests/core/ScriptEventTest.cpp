#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ScriptFixture.h"
#include "world/LoadEvent.h"
#include "world/ResourceManager.h"

using EventProbe::Listener;
using Orva::EventManager;
using Orva::EventNameDetails;
using Orva::LuaScriptComponent;

namespace {

constexpr std::uint32_t PingCode = 2142761129u; // "Ping"

} // namespace

using ScriptEvents = ScriptEventTest;

TEST_F(ScriptEvents, AScriptListenerReadsThePushedEventFromLuaEvent)
{
    registerEventClasses();
    LuaScriptComponent component;
    prepare(component, "comp");
    luabridge::setGlobal(L, &component, "comp");
    exec(R"(
        function onPing(self)
            seenId = self.id
            sameComponent = luaEvent.ScriptComponent == comp
            seenCode = luaEvent.EventHashCode
            kept = luaEvent
        end)");

    events().listenToEventName(&component, "Ping", "onPing");
    EventManager::PushAllEvents();
    events().pushEvent(&component, "Ping");
    EventManager::PushAllEvents();

    EXPECT_EQ(eval<std::string>("seenId"), "comp") << "the listener gets its component's script object";
    EXPECT_TRUE(eval<bool>("sameComponent"));
    EXPECT_EQ(eval<std::uint32_t>("seenCode"), PingCode) << "pushEvent stamps the code it queues under";
    EXPECT_TRUE(eval<bool>("luaEvent == nil")) << "no event is published once the dispatch is over";
    const std::string error = eval<std::string>("select(2, pcall(function() return kept.EventHashCode end))");
    EXPECT_NE(error.find("no longer valid"), std::string::npos) << error;
    exec("kept = nil");
}

TEST_F(ScriptEvents, AnEventThatIsNotALuaEventReadsAsABaseEvent)
{
    EventManager::EXPORT_FOR_LUA_SCRIPT();
    LuaScriptComponent component;
    prepare(component, "loader");
    exec(R"(
        function onLoaded(self)
            className = getmetatable(luaEvent).__name
            scriptComponent = luaEvent.ScriptComponent
            code = luaEvent.EventHashCode
        end)");
    events().listenToEventName(&component, "OnResourceLoadComplete", "onLoaded");

    Orva::Events::LoadEvent reply(&component, &component);
    reply.entries.emplace_back("textures/hero.png", 3);
    reply.hashCode = 5;
    events().queueEvent(EventNameDetails::EventToHash("OnResourceLoadComplete"), reply);
    EventManager::PushAllEvents();

    EXPECT_EQ(eval<std::string>("className"), "BaseEvent");
    EXPECT_TRUE(eval<bool>("scriptComponent == nil")) << "the requester must not read as a component";
    EXPECT_EQ(eval<int>("code"), 5);
}

TEST_F(ScriptEvents, LuaEventIsLeftAloneUntilTheEventClassesAreRegistered)
{
    LuaScriptComponent component;
    prepare(component, "early");
    exec("function onPing(self) sawEvent = luaEvent ~= nil end");
    events().listenToEventCode(&component, PingCode, "onPing");
    events().pushEvent(&component, "Ping");
    EventManager::PushAllEvents();
    EXPECT_FALSE(eval<bool>("sawEvent"));
}

TEST_F(ScriptEvents, AScriptErrorLeavesTheDispatchAsALuaExceptionAfterTheRest)
{
    EventManager::EXPORT_FOR_LUA_SCRIPT();
    LuaScriptComponent failing;
    LuaScriptComponent after;
    prepare(failing, "failing");
    prepare(after, "after");
    exec("calls = 0\n"
         "function fail(self) error(\"x\") end\n"
         "function count(self) calls = calls + 1 end");
    events().listenToEventName(&failing, "Ping", "fail");
    events().listenToEventName(&after, "Ping", "count");
    Listener loads;
    events().ListenToEvent("OnResourceLoadComplete", loads.holder());
    events().pushEvent(&failing, "Ping");
    events().queueEvent(EventNameDetails::EventToHash("OnResourceLoadComplete"), Orva::Events::LoadEvent());

    try {
        EventManager::PushAllEvents();
        ADD_FAILURE() << "the script error has to reach the frame step";
    } catch (const luabridge::LuaException& e) {
        EXPECT_STREQ(e.what(), "t.lua:2: x");
    }
    EXPECT_EQ(eval<int>("calls"), 1);
    EXPECT_EQ(loads.received.size(), 1u) << "a load queued behind the failure is still delivered";
}

TEST_F(ScriptEvents, AnInvalidFunctionNameIsReportedOnceAndTheHolderIsKept)
{
    std::vector<Orva::LuaExceptionEvent> reports;
    Listener reporter;
    reporter.onEvent = [&](Orva::BaseEvent* e) {
        reports.push_back(*static_cast<Orva::LuaExceptionEvent*>(e));
    };
    events().ListenToEvent("LUA_EXCEPTION", reporter.holder());

    LuaScriptComponent player;
    prepare(player, "player", "Player");
    exec("nope = {}");
    Orva::FunctionHolder fromTable(&player, "nope");
    exec("nope = nil");
    Orva::FunctionHolder fromNothing(&player, "nope");
    EventManager::PushAllEvents();

    ASSERT_EQ(reports.size(), 2u) << "one report per holder";
    for (const auto& report : reports) {
        EXPECT_EQ(report.message, "Function Callback is created with a invalid Lua function name.\n"
                                  "Lua function name is: \"nope\"  from the script class \"Player\"");
        EXPECT_EQ(report.errorType, 0);
        EXPECT_EQ(report.scriptPath, "../resources/scripts/Player");
        EXPECT_EQ(report.lineNumber, -1);
        EXPECT_EQ(report.hashCode, Orva::LuaScriptManager::LUASCRIPT_EXCEPTION_EVENT_CODE);
    }
    EXPECT_EQ(Orva::LuaScriptManager::LUASCRIPT_EXCEPTION_EVENT_CODE, 0x35FFD7F3u);
    ASSERT_TRUE(fromNothing);
    EXPECT_THROW(fromNothing->call(nullptr), luabridge::LuaException);
    EXPECT_THROW(fromTable->call(nullptr), luabridge::LuaException) << "the table captured at creation";
}

TEST_F(ScriptEvents, TheReportedPathFollowsTheResourceDirectory)
{
    Listener reporter;
    std::string path;
    reporter.onEvent = [&](Orva::BaseEvent* e) {
        path = static_cast<Orva::LuaExceptionEvent*>(e)->scriptPath;
    };
    events().ListenToEvent("LUA_EXCEPTION", reporter.holder());
    Orva::Resources::ResourceManager::setResourceDirectory("C:\\game\\res\\");
    LuaScriptComponent enemy;
    prepare(enemy, "enemy", "Enemy");
    Orva::FunctionHolder holder(&enemy, "missing");
    EventManager::PushAllEvents();
    Orva::Resources::ResourceManager::setResourceDirectory("../resources/");
    EXPECT_EQ(path, "C:/game/res/scripts/Enemy");
}

TEST_F(ScriptEvents, AScriptStopDropsTheComponentsRecordOfThatSubscription)
{
    LuaScriptComponent component;
    prepare(component, "c");
    exec("function f(self) end");
    events().listenToEventName(&component, "Ping", "f");
    events().listenToEventName(&component, "Pong", "f");
    ASSERT_EQ(component.getEventCallbackObject().subscriptions().size(), 2u);

    events().stopListeningToEventName(&component, "Ping");
    const auto& records = component.getEventCallbackObject().subscriptions();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records.front().first, EventNameDetails::EventToHash("Pong"));
    EXPECT_EQ(events().pendingRemovals().back().owner, &component.getEventCallbackObject());
}

TEST_F(ScriptEvents, ANewComponentAtTheAddressOfOneThatStoppedKeepsItsListener)
{
    exec("calls = {}\nfunction onTick(self) calls[#calls + 1] = self.id end");
    const std::uint32_t tick = EventNameDetails::EventToHash("Tick");
    const std::uint32_t swap = EventNameDetails::EventToHash("Swap");

    alignas(LuaScriptComponent) unsigned char storage[sizeof(LuaScriptComponent)];
    auto* a = ::new (storage) LuaScriptComponent;
    prepare(*a, "A");
    LuaScriptComponent* b = nullptr;
    events().listenToEventCode(a, tick, "onTick");
    EventManager::PushAllEvents();

    Listener replacer;
    replacer.onEvent = [&](Orva::BaseEvent*) {
        a->~LuaScriptComponent();
        b = ::new (storage) LuaScriptComponent;
        prepare(*b, "B");
        events().listenToEventCode(b, tick, "onTick");
    };
    events().ListenToEvent(swap, replacer.holder());
    events().stopListeningToEventCode(a, tick);
    events().queueEvent(swap, Orva::BaseEvent());
    EventManager::PushAllEvents();

    for (int i = 0; i < 2; ++i) {
        events().queueEvent(tick, Orva::BaseEvent());
        EventManager::PushAllEvents();
    }
    EXPECT_EQ(eval<std::string>("table.concat(calls, ',')"), "B,B");
    ASSERT_NE(b, nullptr);
    b->~LuaScriptComponent();
}

TEST_F(ScriptEvents, ScriptHoldersCloneAndDieIndependently)
{
    const std::string holderType = "Orva::FunctionHolder::LuaFunctionHolder";
    exec("seen = {}\nfunction record(self) seen[#seen + 1] = self.id end");
    LuaScriptComponent component;
    prepare(component, "first");
    Orva::FunctionHolder original(&component, "record");
    EXPECT_EQ(manager().liveCount(holderType), 1);
    {
        Orva::FunctionHolder copy = original.clone();
        EXPECT_EQ(manager().liveCount(holderType), 2);
        EXPECT_TRUE(copy->isOwnedBy(&component.getEventCallbackObject()));
        prepare(component, "second");
        copy->call(nullptr);
    }
    EXPECT_EQ(manager().liveCount(holderType), 1);
    original->call(nullptr);
    EXPECT_EQ(eval<std::string>("table.concat(seen, ',')"), "second,second")
        << "the script object is read at each call, and the clone's end leaves the function";

    Orva::FunctionHolder moved = std::move(original);
    EXPECT_FALSE(original);
    EXPECT_EQ(manager().liveCount(holderType), 1);
}

TEST_F(ScriptEvents, DestroyingTheManagerReleasesEveryScriptListener)
{
    exec("function f(self) end");
    LuaScriptComponent component;
    prepare(component, "c");
    events().listenToEventName(&component, "Ping", "f");
    EventManager::PushAllEvents();
    events().listenToEventName(&component, "Pong", "f");
    EventManager::destroyInstance();
    const std::string text = dump();
    EXPECT_EQ(text.find("FunctionHolder"), std::string::npos) << text;
    EXPECT_EQ(luabridge::liveReferenceCount(L), 2u)
        << "only the component's script object and update function are left";
}
