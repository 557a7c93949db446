#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ScriptHarness.h"
#include "WaitLimit.h"
#include "core/GlobalManager.h"
#include "core/RC4Cipher.h"
#include "graphics/ParticleEmitterComponent.h"
#include "platform/Platform.h"
#include "window/FakeControllers.h"
#include "window/InputKeys.h"
#include "window/InputManager.h"
#include "world/DataAnalyticManager.h"
#include "world/GameStateManager.h"
#include "world/ResourceManager.h"
#include "world/SetManager.h"
#include "world/TransformComponent.h"

// The managers' globals ("luaScript", "globals", "events", "input" with "Keys" and
// "ButtonState", "resources", "gameState", "sets", "analytic") and a script's own "handle".

namespace {

namespace fs = std::filesystem;

// Runs what the test stores in its instance (self.onInit, self.onUpdate); counts its Updates
// in self.n and every Deinit in "deinits". "heard" is a listener counting in self.calls.
const char* const ProbeSource = R"(
deinits = 0
function heard(self) self.calls = (self.calls or 0) + 1 end
function AwakeProbe(self) self.n = 0 end
function InitProbe(self) if self.onInit then self:onInit() end end
function UpdateProbe(self) self.n = self.n + 1; if self.onUpdate then self:onUpdate() end end
function DeinitProbe() deinits = deinits + 1 end
function UnloadProbe() end
)";

class ManagerScriptTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        std::memset(Orva::WindowKeyStates, 0, sizeof Orva::WindowKeyStates);
        Orva::Platform::Test::setControllerBackend(&pads);
        fs::create_directories(root() / "documents");
        setenv("XDG_DOCUMENTS_DIR", (root() / "documents").c_str(), 1);
        writeScript("scripts/Probe.lua", ProbeSource);
        ASSERT_TRUE(loadScripts());
    }

    void TearDown() override
    {
        unsetenv("XDG_DOCUMENTS_DIR");
        ScriptHarness::TearDown();
        Orva::Platform::Test::reset();
    }

    static Orva::InputManager& input() { return Orva::InputManager::getInstance(); }

    // A probe on a new object of that name; its instance is the global of that name.
    void addProbe(const char* name)
    {
        Orva::LuaScriptComponent* probe = objects().create(name)->addLuaScript("Probe");
        ASSERT_NE(probe, nullptr);
        expose(*probe, name);
    }

    void writeResource(const std::string& path, const std::string& contents) const
    {
        fs::create_directories((root() / "resources" / path).parent_path());
        writeFile(root() / "resources" / path, contents);
    }

    // Frames paced for the loader thread until done, WaitLimit at most.
    template <class Done> static bool runFramesUntil(Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + WaitLimit;
        for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            runFrames(1);
        }
        return true;
    }

    FakeControllers pads;
};

TEST_F(ManagerScriptTest, KeysAndButtonStatesAreReadOnlyIntegers)
{
    // The names and codes family by family; no other name is registered.
    EXPECT_TRUE(holds(R"((function()
        local expected, count, registered = {}, 0, 0
        local function run(prefix, first, labels)
            for label in labels:gmatch("%S+") do expected[prefix .. label], first = first, first + 1 end
        end
        run("XINPUT_", 0, "UP DOWN LEFT RIGHT START SELECT L3 R3 LS RS LT RT A B X Y")
        run("ORVA_", 0, "0 1 2 3 4 5 6 7 8 9 A B C D E F G H I J K L M N O P Q R S T U V W X Y Z")
        run("ORVA_NUMPAD", 36, "0 1 2 3 4 5 6 7 8 9")
        run("ORVA_", 46, "MULTIPLY ADD SEPARATOR SUBTRACT DECIMAL DIVIDE")
        run("ORVA_F", 52, "1 2 3 4 5 6 7 8 9 10 11 12")
        run("ORVA_", 64, "SPACE PAGE_UP PAGE_DOWN END HOME ARROW_LEFT ARROW_UP ARROW_RIGHT ARROW_DOWN SELECT PRINT EXECUTE SNAPSHOT INSERT DELETE HELP")
        run("ORVA_", 80, "LEFT_SHIFT RIGHT_SHIFT ENTER TAB BACK LEFT_CONTROL RIGHT_CONTROL CAPS ESCAPE")
        run("ORVA_", 89, "MOUSE_LEFT MOUSE_RIGHT MOUSE_MIDDLE MOUSE_SCROLL_UP MOUSE_SCROLL_DOWN")
        run("ORVA_", 94, "SEMICOLON PLUS COMMA MINUS DOT SLASH TILDE LEFT_BRACKET BACKSLASH RIGHT_BRACKET APOSTROPHE")
        for pad = 1, 4 do
            run("ORVA_CONTROLLER" .. pad .. "_", 134 + 16 * pad, "DPAD_UP DPAD_DOWN DPAD_LEFT DPAD_RIGHT START BACK LEFT_STICK RIGHT_STICK LEFT_SHOULDER RIGHT_SHOULDER LEFT_TRIGGER RIGHT_TRIGGER A B X Y")
        end
        for name, code in pairs(expected) do
            assert(math.type(Keys[name]) == "integer" and Keys[name] == code, name)
            count = count + 1
        end
        for _ in pairs(getmetatable(Keys)[1]) do registered = registered + 1 end
        return count == 185 and registered == 185
    end)())"));
    EXPECT_TRUE(
        holds("Keys.ORVA_F5 == 56 and Keys.ORVA_CONTROLLER2_A == 178 and Keys.ORVA_CONTROLLER4_Y == 213"));
    EXPECT_TRUE(
        holds("Keys.XINPUT_Y == 15 and Keys.ORVA_CONTROLLER1_ENTER == nil and ButtonState.NONE == 4"));
    EXPECT_NE(run("Keys.ORVA_A = 3").find("'ORVA_A' is read-only"), std::string::npos);
    EXPECT_NE(run("ButtonState.ButtonUp = 1").find("'ButtonUp' is read-only"), std::string::npos);
    EXPECT_TRUE(holds("Keys.ORVA_A == 10 and ButtonState.ButtonUp == 0 and ButtonState.ButtonReleased == 3"));
}

TEST_F(ManagerScriptTest, InputReadsPadsAndTheMouseAndItsListenersHearTheirActionUntilTheyStop)
{
    EXPECT_TRUE(
        holds("Input.InputManager.keyToString(Keys.ORVA_A) == 'A' and input:keyToString(43) == 'Numpad 7'"));
    EXPECT_TRUE(holds("input:keyToString(178) == 'Controller:A'"));
    pads.pads[0].connected = true;
    pads.pads[0].gamepad.wButtons = XINPUT_GAMEPAD_A;
    Orva::WindowMouseX = 100;
    Orva::WindowMouseY = 50;
    addProbe("a");
    addProbe("b");
    runFrames(96); // an absent pad is asked for every 1.5 seconds: found at the 95th, held at the 96th
    EXPECT_TRUE(
        holds("input:isControllerButtonDown(0, Keys.XINPUT_A) and not input:isControllerButtonDown(4, 12)"));
    EXPECT_TRUE(holds("input:getMousePosition():equal(Math.Vector2f.make(100, 50))"));
    pads.pads[0].gamepad.wButtons = 0;
    ASSERT_EQ(run(R"(
        input:tieKeyToAction(Keys.ORVA_SPACE, "Jump"); input:tieKeyToAction(Keys.ORVA_CONTROLLER1_A, "Jump")
        input:listenToInput(a.handle, "Jump", ButtonState.ButtonTapped, "heard")
        input:listenToInputCode(b.handle, 236909357, ButtonState.ButtonTapped, "heard")
        input:listenToInput(b.handle, "Jump", ButtonState.NONE, "heard"))"),
              "");
    Orva::WindowKeyStates[Orva::InputKeys::ORVA_SPACE] = 1;
    runFrames(2);
    EXPECT_TRUE(holds("a.calls == 1 and b.calls == 1"));
    pads.pads[0].gamepad.wButtons = XINPUT_GAMEPAD_A;
    runFrames(1);
    EXPECT_TRUE(holds("a.calls == 2 and b.calls == 2")) << "the pad's A is tied to the action too";
    ASSERT_EQ(run("input:stopListening(a.handle, 'Jump', ButtonState.ButtonTapped)"), "");
    pads.pads[0].gamepad.wButtons = 0;
    runFrames(1);
    pads.pads[0].gamepad.wButtons = XINPUT_GAMEPAD_A;
    runFrames(1);
    EXPECT_TRUE(holds("a.calls == 2 and b.calls == 3"));

    for (const std::string call :
         {"listenToInput(nil, 'Jump', 2, 'heard')", "listenToInputCode(nil, 1, 2, 'heard')",
          "stopListening(nil, 'Jump', 2)"}) {
        EXPECT_NE(run("input:" + call).find(call.substr(0, call.find('(')) + ": no script component"),
                  std::string::npos);
    }
    EXPECT_EQ(run("a, b = nil, nil"), "");
}

TEST_F(ManagerScriptTest, ARecordingIsReplayedThenRecordedOnAndUnsafePathsRecordAtOnce)
{
    writeResource("data/rec.txt", "64 1 0.05 64 0 0.2 ");
    ASSERT_EQ(run("input:useTrackingData('data/rec.txt'); seen = ''"), "");
    for (int frame = 0; frame < 20; ++frame) {
        runFrames(1);
        ASSERT_EQ(run(R"(
            local state = input:isButtonDown(Keys.ORVA_SPACE) and "d" or "u"
            if seen:sub(-1) ~= state then seen = seen .. state end
            assert(not input:isBackUpButtonDown(64)))"),
                  "");
    }
    EXPECT_TRUE(holds("seen == 'udu'"));
    EXPECT_TRUE(input().isTrackingInput() && !input().isReplayingInput());

    const std::string absolute = (root() / "resources" / "data" / "rec.txt").string();
    for (const std::string& path :
         {std::string("data/none.txt"), std::string("../rec.txt"), absolute, std::string()}) {
        input().useTrackingData("data/rec.txt", false);
        ASSERT_EQ(run("input:useTrackingData('" + path + "')"), "");
        EXPECT_TRUE(input().isTrackingInput() && !input().isReplayingInput() &&
                    input().getReplayPath().empty())
            << path;
    }
}

TEST_F(ManagerScriptTest, GlobalValuesRoundTripAndNamedTablesAreOneFromEveryDoor)
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
        local t = globals:addLuaTable("t")
        assert(rawequal(t, Core.GlobalManager.getLuaTable("t")) and rawequal(t, luaScript:getGlobalTable("t")))
        t.k = 1
        globals:removeLuaTable("t")
        return globals:getString("x") == "later" and next(globals:getLuaTable("t")) == nil
    end)())"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_NE(run("globals:getInt('nope')").find("\"nope\""), std::string::npos);
    }
    EXPECT_FALSE(Orva::GlobalManager::getInstance().exist("nope"));
    EXPECT_NE(run("globals:getString('i')").find("\"i\""), std::string::npos);
}

TEST_F(ManagerScriptTest, AScriptPausesDeactivatesAndStopsItselfFromItsOwnUpdate)
{
    addProbe("p");
    runFrames(4);
    EXPECT_TRUE(
        holds("p.n == 2 and rawequal(p.handle.luaObject, p) and p.handle.ScriptClassName == 'Probe'"));
    ASSERT_EQ(run("p.handle:pause()"), "");
    runFrames(2);
    ASSERT_EQ(run("p.handle:unpause()"), "");
    runFrames(1);
    ASSERT_EQ(run("p.handle.active = false"), "");
    runFrames(1);
    EXPECT_TRUE(holds("p.n == 3 and p.handle.Active == false"));

    ASSERT_EQ(
        run("p.handle.active = true; p.onUpdate = function(self) self.handle:stop(); self.after = true end"),
        "");
    runFrames(3);
    EXPECT_TRUE(holds(
        "p.n == 4 and p.after and deinits == 1 and gameObjects:find('p'):getLuaScript('Probe') == nil"));
    EXPECT_EQ(run("p = nil"), "");
}

TEST_F(ManagerScriptTest, ScriptEventsReachTheirListenersAtTheNextDispatch)
{
    addProbe("h");
    ASSERT_EQ(run(R"(
        log = ""
        function onHit(self)
            assert(luaEvent.ScriptComponent == self.handle and luaEvent.EventHashCode == 1700614218)
            log = log .. "h"
            events:pushEvent(self.handle, "Hit2")
        end
        function onHitCode() log = log .. "c" end
        function onHit2() log = log .. "2" end
        function onOrphan() log = log .. (luaEvent.ScriptComponent == nil and "n" or "?") end
        h.onInit = function(self)
            events:listenToEventName(self.handle, "Hit", "onHit")
            events:listenToEventCode(self.handle, 1700614218, "onHitCode")
            events:listenToEventName(self.handle, "Hit2", "onHit2")
            events:pushEvent(self.handle, "Hit")
        end)"),
              "");
    runFrames(2);
    EXPECT_TRUE(holds("log == 'hc'")) << "pushed from Init, heard by name and by code";
    runFrames(1);
    EXPECT_TRUE(holds("log == 'hc2'")) << "pushed by a listener: one frame later";

    ASSERT_EQ(
        run("events:stopListeningToEventName(h.handle, 'Hit'); events:stopListeningToEventCode(h.handle, "
            "1700614218); events:pushEvent(h.handle, 'Hit')"),
        "");
    for (const std::string call :
         {"listenToEventName(nil, 'Hit', 'onHit')", "listenToEventCode(nil, 9, 'onHit')",
          "stopListeningToEventName(nil, 'Hit2')", "stopListeningToEventCode(nil, 9)"}) {
        EXPECT_NE(run("events:" + call).find(call.substr(0, call.find('(')) + ": no script component"),
                  std::string::npos);
    }
    ASSERT_EQ(
        run("events:listenToEventName(h.handle, 'Orphan', 'onOrphan'); events:pushEvent(nil, 'Orphan')"), "");
    runFrames(2);
    EXPECT_TRUE(holds("log == 'hc2n'")) << "stopped listeners hear nothing; a sender-less event arrives";
    EXPECT_EQ(run("h = nil"), "");
}

TEST_F(ManagerScriptTest, ScriptFilesStayInTheirFoldersAndLoadProgressOnlyRises)
{
    EXPECT_TRUE(holds(R"((function()
        local R = Resources.ResourceManager
        assert(R.saveFile("a.txt", "hello") and R.openFile("a.txt") == "hello" and R.openFile("none.txt") == "")
        assert(R.appendToFile("log.txt", "a") and R.appendToFile("log.txt", "b"))
        assert(R.makeDirectory("saves") and R.makeDirectory("saves") and R.getDirectory() == "../resources/")
        assert(R.saveFile("../x", "t") == false and R.openFile("../x") == "")
        return R.appendToFile("../x", "t") == false and R.makeDirectory("../x") == false and resources.openFile == nil
    end)())"));
    EXPECT_EQ(readFile(root() / "resources" / "log.txt"), "ab");
    EXPECT_FALSE(fs::exists(root() / "x"));

    Orva::Resources::ResourceManager& manager = Orva::Resources::ResourceManager::getInstance();
    for (int i = 0; i < 12; ++i) {
        writeResource("load/" + std::to_string(i), "x");
        manager.requestLoad("load/" + std::to_string(i), this);
    }
    float last = 0.0f;
    EXPECT_TRUE(runFramesUntil([&] {
        const auto progress = eval<float>("resources:getLoadPercentage()");
        EXPECT_TRUE(progress >= last && (progress < 1.0f || manager.getLoadCount() == 12)) << progress;
        last = progress;
        return eval<bool>("resources:isDone()");
    }));
    EXPECT_EQ(last, 1.0f);
}

// Links do not lead the file functions out of their folders, dangling ones included; nor does
// "setDirectory" leave the game's folders. Links that stay inside still work.
TEST_F(ManagerScriptTest, FileFunctionsRefusePathsThatLeadOutThroughLinks)
{
    const fs::path outside = root() / "outside";
    fs::create_directories(outside);
    writeFile(outside / "secret.txt", "secret");
    fs::create_directories(root() / "documents" / "saves");
    fs::create_directory_symlink(outside, root() / "documents" / "link");
    fs::create_symlink(outside / "planted.txt", root() / "documents" / "dangling");
    fs::create_directory_symlink(root() / "documents" / "saves", root() / "documents" / "alias");
    fs::create_directory_symlink(outside, root() / "resources" / "link");
    fs::create_directory_symlink(outside, root() / "resources" / "levels");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(holds(R"((function()
        local R = Resources.ResourceManager
        assert(R.openFile("link/secret.txt") == "" and not R.saveFile("link/x.txt", "x"))
        assert(not R.saveFile("dangling", "x") and R.openFile("dangling") == "")
        assert(not R.makeDirectory("link/made") and not R.appendToFile("link/secret.txt", "!"))
        assert(R.saveFile("alias/a.txt", "kept") and R.openFile("saves/a.txt") == "kept")
        R.setDirectory("/tmp/"); R.setDirectory("../resources/levels/"); R.setDirectory("")
        assert(R.getDirectory() == "../resources/")
        R.setDirectory("../resources/scripts/"); assert(R.getDirectory() == "../resources/scripts/")
        R.setDirectory("../resources/"); return R.getDirectory() == "../resources/"
    end)())"));
    std::string expected;
    for (const auto& [function, path] :
         std::vector<std::pair<std::string, std::string>>{{"openFile", "link/secret.txt"},
                                                          {"saveFile", "link/x.txt"},
                                                          {"saveFile", "dangling"},
                                                          {"openFile", "dangling"},
                                                          {"makeDirectory", "link/made"},
                                                          {"appendToFile", "link/secret.txt"},
                                                          {"setDirectory", "/tmp/"},
                                                          {"setDirectory", "../resources/levels/"},
                                                          {"setDirectory", ""}}) {
        expected += "scripts: " + function + " refused the path \"" + path + "\": it leads outside " +
                    (function == "setDirectory" ? "the game's folders\n" : "its folder\n");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
    EXPECT_EQ(readFile(outside / "secret.txt"), "secret");
    EXPECT_FALSE(fs::exists(outside / "x.txt") || fs::exists(outside / "planted.txt") ||
                 fs::exists(outside / "made"));
}

// A save killed at any point leaves the earlier file or the new one, never a mix: ten saves of
// 256 MB in processes of their own, the first whole, each other killed at a random moment of a
// ninth of it in turn. In memory where there is room: flushing to a disk ten times takes long.
TEST_F(ManagerScriptTest, ASaveKilledAtAnyPointLeavesTheEarlierFileOrTheNewOne)
{
    std::string folder = "/dev/shm/orva-saves-XXXXXX";
    std::error_code error;
    if (fs::space("/dev/shm", error).available < (std::uintmax_t{1} << 30) || !mkdtemp(folder.data())) {
        folder = (root() / "documents").string();
    }
    setenv("XDG_DOCUMENTS_DIR", folder.c_str(), 1);
    const fs::path save = fs::path(folder) / "save.dat";
    const std::string earlier = "the earlier save\n";
    ASSERT_EQ(run("big = string.rep('0123456789abcdef', 16 * 1024 * 1024)"), "");
    const std::string saved = eval<std::string>("big");
    const auto holds = [&save](const std::string& expected) {
        std::ifstream in(save, std::ios::binary | std::ios::ate);
        std::string read(expected.size(), '\0');
        return in && in.tellg() == std::streamoff(expected.size()) && in.seekg(0) &&
               in.read(read.data(), std::streamsize(read.size())) && read == expected;
    };
    std::mt19937 random(std::random_device{}());
    std::chrono::microseconds whole{0};
    for (int attempt = 0; attempt < 10; ++attempt) {
        fs::remove_all(folder);
        fs::create_directory(folder);
        writeFile(save, earlier);
        const std::chrono::microseconds killAfter(std::uniform_int_distribution<long>(
            (attempt - 1) * whole.count() / 9, attempt * whole.count() / 9)(random));
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            _exit(run("assert(Resources.ResourceManager.saveFile('save.dat', big))").empty() ? 0 : 1);
        }
        if (attempt > 0) {
            std::this_thread::sleep_for(killAfter);
            kill(child, SIGKILL);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (attempt == 0) {
            whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                          start);
            EXPECT_TRUE(status == 0 && holds(saved));
        }
        EXPECT_TRUE(holds(earlier) || holds(saved))
            << "killed " << killAfter.count() << " us into " << whole.count();
    }
    EXPECT_EQ(run("big = nil; collectgarbage()"), "");
    if (folder.rfind("/dev/shm/", 0) == 0) {
        fs::remove_all(folder);
    }
}

TEST_F(ManagerScriptTest, ScriptsChangeStatesEvenFromAnObjectTheChangeDestroys)
{
    const auto stage = [](const std::string& name, const std::string& objects) {
        return Orva::Crypto::RC4Cipher::encrypt("<stage><info><name text=\"" + name + "\"/></info><objects>" +
                                                objects + "</objects></stage>");
    };
    writeResource("a.stg",
                  stage("A", R"(<obj name="Hero"><comp type="2"><source path="s/Probe.lua"/></comp></obj>)"));
    writeResource("b.stg", stage("B", R"(<obj name="Villain"/>)"));
    Orva::GameStateManager& states = Orva::GameStateManager::getInstance();
    states.loadStateList("");
    ASSERT_TRUE(runFramesUntil([&] { return states.isLoaded(); }));
    ASSERT_TRUE(loadScripts());

    EXPECT_TRUE(holds("gameState.currentState == ''"));
    EXPECT_NE(run("gameState.currentState = 'A'").find("'currentState' is read-only"), std::string::npos);
    ASSERT_EQ(run("gameState:changeStateNextFrame('A'); gameState:changeStateNextFrame('B')"), "");
    states.update();
    EXPECT_TRUE(holds("gameState.currentState == 'B'")) << "only the state named last is entered";

    ASSERT_EQ(run(R"(
        globals:addLuaTable("kept").k = 1
        gameState:changeState("A")
        gameObjects:find("Hero"):getLuaScript("Probe").luaObject.onUpdate = function()
            gameState:changeState("B")
            found = gameObjects:find("Villain") ~= nil and gameState.currentState
        end)"),
              "");
    runFrames(3);
    EXPECT_TRUE(holds("found == 'B' and deinits == 1 and gameObjects:find('Hero') == nil"));
    EXPECT_TRUE(holds("globals:getLuaTable('kept').k == 1")) << "named tables outlive states";
}

// Objects made in an Update, by the script (301 circles 3 apart) or by a stage it enters, are
// where they are put from their first step: no collider or emitter starts at the origin.
TEST_F(ManagerScriptTest, WhatAnUpdateMakesStartsWhereItIsPut)
{
    const auto encrypt = Orva::Crypto::RC4Cipher::encrypt;
    writeResource("data/Ball.set",
                  R"(<obj name="Ball"><comp type="0"/><comp type="5"/><comp type="7"/></obj>)");
    Orva::SetManager::getInstance().loadAllSets();
    // A body from a set placed by the stage beside a wall at the origin, and an emitter.
    writeResource("room.stg", encrypt(R"(<stage><info><name text="Room"/></info><objects>
        <obj name="Wall"><comp type="0"/><comp type="6"><size x="3" y="3"/></comp></obj>
        <obj set="Ball"><comp type="0"><position x="0" y="-2.9" z="0"/></comp></obj>
        <obj name="Torch"><comp type="0"><position x="4" y="-3" z="0"/></comp><comp type="9"/></obj>
        </objects></stage>)"));
    Orva::GameStateManager& states = Orva::GameStateManager::getInstance();
    states.loadStateList("");
    ASSERT_TRUE(runFramesUntil([&] { return states.isLoaded(); }));
    ASSERT_TRUE(loadScripts());

    addProbe("maker");
    ASSERT_EQ(run(R"(maker.onUpdate = function(self)
        self.onUpdate = nil
        for i = 0, 300 do
            local object = gameObjects:createGO()
            object:addTransform().LocalTranslation = Math.Vector3f.make(3 * i, 0, 0)
            local collider = object:addCircleCollider()
            collider.Radius = 1
            physics:listenToCollisionEnter(self.handle, "heard", collider)
            last = object:getTransform()
        end
        seenAt = last:getWorldTranslation().x
    end)"),
              "");
    runFrames(5);
    EXPECT_TRUE(holds("seenAt == 900 and maker.calls == nil")) << "at once, and no Enter";
    EXPECT_TRUE(holds("last:getWorldTranslation():equal(Math.Vector3f.make(900, 0, 0))"));

    ASSERT_EQ(run("maker.onUpdate = function() gameState:changeState('Room') end"), "");
    ASSERT_TRUE(runFramesUntil([&] { return states.getCurrentStateName() == "Room"; }));
    const auto* torch = objects().find("Torch")->getComponent<Orva::Graphics::ParticleEmitterComponent>();
    EXPECT_EQ(torch->get()->position, (Orva::Math::Vector3D<float>{4, -3, 0})) << "its first burst";
    runFrames(5);
    EXPECT_EQ(objects().find("Ball")->getTransform()->getWorldTranslation(),
              (Orva::Math::Vector3D<float>{0, -2.9f, 0}));
}

TEST_F(ManagerScriptTest, SetsAndAnalyticsFromScripts)
{
    writeResource("data/Crate.set",
                  R"(<obj name="Crate"><comp type="0"><position x="1" y="1" z="5"/></comp></obj>)");
    Orva::SetManager::getInstance().loadAllSets();
    EXPECT_TRUE(
        holds("sets:createWithPos2D('Crate', Math.Vector2f.make(2, 3)):getTransform().LocalTranslation:equal("
              "Math.Vector3f.make(2, 3, 5)) and sets:create('Nope') == nil"));

    Orva::Analytic::DataAnalyticManager& analytics = Orva::Analytic::DataAnalyticManager::getInstance();
    EXPECT_TRUE(holds("analytic.enableEventTracking == nil and analytic.getIntData == nil"));
    EXPECT_TRUE(
        holds("analytic.isSomethingNotTracked == nil and type(analytic:isTrackingInput()) == 'boolean'"));
    ASSERT_EQ(run("analytic:setIntData('hp', 3)"), "");
    EXPECT_EQ(analytics.getIntData("hp"), -1);
    ASSERT_EQ(run("analytic:enableCustomDataTracking(); analytic:setIntData('hp', 3)"), "");
    EXPECT_EQ(analytics.getIntData("hp"), 3);
    ASSERT_EQ(run("analytic:incIntData('hp', 2); analytic:save('out.oad')"), "");
    EXPECT_EQ(analytics.getIntData("hp"), 5);
    EXPECT_EQ(readFile(root() / "work" / "out.oad"), Orva::Analytic::reportText(analytics));
    testing::internal::CaptureStderr();
    ASSERT_EQ(run("analytic:save('../out.oad'); analytic:save('" + (root() / "abs.oad").string() + "')"), "");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("analytics: refused"), std::string::npos);
    EXPECT_FALSE(fs::exists(root() / "out.oad") || fs::exists(root() / "abs.oad"));
}

} // namespace
