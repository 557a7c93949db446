#include <filesystem>
#include <string>
#include <utility>

#include "ScriptHarness.h"
#include "platform/Platform.h"
#include "platform/XInput.h"
#include "window/FakeControllers.h"
#include "window/InputKeys.h"
#include "window/InputManager.h"

// The input manager through "input", and the tables "Keys" and "ButtonState".

namespace {

// Two script listeners: instance tables "a" and "b", each counting its calls in self.calls.
const char* const ListenerSource = R"(
function heard(self) self.calls = self.calls + 1 end
function AwakeListener(self) self.calls = 0 end
function InitListener() end
function UpdateListener() end
function DeinitListener() end
function UnloadListener() end
)";

class InputManagerScriptTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        Orva::Platform::Test::setControllerBackend(&pads);
    }

    void TearDown() override
    {
        ScriptHarness::TearDown();
        Orva::Platform::Test::reset();
    }

    static Orva::InputManager& input() { return Orva::InputManager::getInstance(); }

    // A listener component whose instance table is the global of that name, awake.
    void addListener(const char* name)
    {
        Orva::LuaScriptComponent* component = objects().create(name)->addLuaScript("Listener");
        ASSERT_NE(component, nullptr);
        expose(*component, name);
    }

    static void setKey(unsigned char key, bool down) { Orva::WindowKeyStates[key] = down ? 1 : 0; }

    // Pad 0 plugged in and found: an absent pad is asked for every 1.5 seconds.
    void connectPadZero()
    {
        pads.pads[0].connected = true;
        runFrames(95);
        ASSERT_TRUE(Orva::InputManager::getInstance().isControllerConnected(0));
    }

    FakeControllers pads;
};

TEST_F(InputManagerScriptTest, KeysAndButtonStatesAreReadOnlyIntegersOfTheEnginesCodes)
{
    // The names and codes as the key families lay them out, 185 in all.
    EXPECT_TRUE(holds(R"((function()
        local expected = {}
        local function run(first, names)
            for i, name in ipairs(names) do expected[name] = first + i - 1 end
        end
        run(0, {"XINPUT_UP", "XINPUT_DOWN", "XINPUT_LEFT", "XINPUT_RIGHT", "XINPUT_START", "XINPUT_SELECT",
                "XINPUT_L3", "XINPUT_R3", "XINPUT_LS", "XINPUT_RS", "XINPUT_LT", "XINPUT_RT", "XINPUT_A",
                "XINPUT_B", "XINPUT_X", "XINPUT_Y"})
        for i = 0, 9 do expected["ORVA_" .. i], expected["ORVA_NUMPAD" .. i] = i, 36 + i end
        for i = 0, 25 do expected["ORVA_" .. string.char(65 + i)] = 10 + i end
        for i = 1, 12 do expected["ORVA_F" .. i] = 51 + i end
        run(46, {"ORVA_MULTIPLY", "ORVA_ADD", "ORVA_SEPARATOR", "ORVA_SUBTRACT", "ORVA_DECIMAL", "ORVA_DIVIDE"})
        run(64, {"ORVA_SPACE", "ORVA_PAGE_UP", "ORVA_PAGE_DOWN", "ORVA_END", "ORVA_HOME", "ORVA_ARROW_LEFT",
                 "ORVA_ARROW_UP", "ORVA_ARROW_RIGHT", "ORVA_ARROW_DOWN", "ORVA_SELECT", "ORVA_PRINT",
                 "ORVA_EXECUTE", "ORVA_SNAPSHOT", "ORVA_INSERT", "ORVA_DELETE", "ORVA_HELP"})
        run(80, {"ORVA_LEFT_SHIFT", "ORVA_RIGHT_SHIFT", "ORVA_ENTER", "ORVA_TAB", "ORVA_BACK",
                 "ORVA_LEFT_CONTROL", "ORVA_RIGHT_CONTROL", "ORVA_CAPS", "ORVA_ESCAPE"})
        run(89, {"ORVA_MOUSE_LEFT", "ORVA_MOUSE_RIGHT", "ORVA_MOUSE_MIDDLE", "ORVA_MOUSE_SCROLL_UP",
                 "ORVA_MOUSE_SCROLL_DOWN"})
        run(94, {"ORVA_SEMICOLON", "ORVA_PLUS", "ORVA_COMMA", "ORVA_MINUS", "ORVA_DOT", "ORVA_SLASH",
                 "ORVA_TILDE", "ORVA_LEFT_BRACKET", "ORVA_BACKSLASH", "ORVA_RIGHT_BRACKET", "ORVA_APOSTROPHE"})
        local buttons = {"DPAD_UP", "DPAD_DOWN", "DPAD_LEFT", "DPAD_RIGHT", "START", "BACK", "LEFT_STICK",
                         "RIGHT_STICK", "LEFT_SHOULDER", "RIGHT_SHOULDER", "LEFT_TRIGGER", "RIGHT_TRIGGER",
                         "A", "B", "X", "Y"}
        for pad = 1, 4 do
            run(150 + 16 * (pad - 1), (function()
                local names = {}
                for i, button in ipairs(buttons) do names[i] = "ORVA_CONTROLLER" .. pad .. "_" .. button end
                return names
            end)())
        end
        local count = 0
        for name, code in pairs(expected) do
            assert(math.type(Keys[name]) == "integer" and Keys[name] == code, name)
            count = count + 1
        end
        local registered = 0
        for _ in pairs(getmetatable(Keys)[1]) do registered = registered + 1 end
        return count == 185 and registered == 185
    end)())"));
    EXPECT_TRUE(
        holds("Keys.ORVA_F5 == 56 and Keys.ORVA_CONTROLLER2_A == 178 and Keys.ORVA_CONTROLLER4_Y == 213"));
    EXPECT_TRUE(holds("Keys.XINPUT_Y == 15 and Keys.ORVA_CONTROLLER1_ENTER == nil"));
    EXPECT_TRUE(
        holds("ButtonState.ButtonUp == 0 and ButtonState.ButtonReleased == 3 and ButtonState.NONE == 4"));
    EXPECT_NE(run("Keys.ORVA_A = 3").find("'ORVA_A' is read-only"), std::string::npos);
    EXPECT_NE(run("ButtonState.NONE = 0").find("'NONE' is read-only"), std::string::npos);
    EXPECT_TRUE(holds("Keys.ORVA_A == 10 and ButtonState.NONE == 4"));
}

TEST_F(InputManagerScriptTest, ScriptsReadKeysPadsAndTheMouse)
{
    EXPECT_TRUE(holds("Input.InputManager.keyToString(Keys.ORVA_A) == 'A'"));
    EXPECT_TRUE(holds("input:keyToString(43) == 'Numpad 7' and input:keyToString(178) == 'Controller:A'"));

    connectPadZero();
    pads.pads[0].gamepad.wButtons = XINPUT_GAMEPAD_A;
    setKey(Orva::InputKeys::ORVA_SPACE, true);
    Orva::WindowMouseX = 100;
    Orva::WindowMouseY = 50;
    runFrames(2);
    EXPECT_TRUE(holds("input:isControllerConnected(0) and input:isControllerButtonDown(0, Keys.XINPUT_A)"));
    EXPECT_TRUE(holds("not input:isControllerButtonDown(4, Keys.XINPUT_A)"));
    EXPECT_TRUE(holds("input:isButtonDown(Keys.ORVA_SPACE) and not input:isButtonTapped(Keys.ORVA_SPACE)"));
    EXPECT_TRUE(holds("input:getMousePosition():equal(Math.Vector2f.make(100, 50))"));
    setKey(Orva::InputKeys::ORVA_SPACE, false);
}

TEST_F(InputManagerScriptTest, ScriptListenersHearTheirActionUntilTheyStop)
{
    connectPadZero();
    writeScript("scripts/Listener.lua", ListenerSource);
    ASSERT_TRUE(loadScripts());
    addListener("a");
    addListener("b");
    runFrames(1);
    ASSERT_EQ(run(R"(
        input:tieKeyToAction(Keys.ORVA_SPACE, "Jump")
        input:tieKeyToAction(Keys.ORVA_CONTROLLER1_A, "Jump")
        input:listenToInput(a.handle, "Jump", ButtonState.ButtonTapped, "heard")
        input:listenToInputCode(b.handle, 236909357, ButtonState.ButtonTapped, "heard")
        input:listenToInput(b.handle, "Jump", ButtonState.NONE, "heard")
        input:listenToInput(b.handle, "Jump", 7, "heard"))"),
              "");
    setKey(Orva::InputKeys::ORVA_SPACE, true);
    runFrames(2);
    EXPECT_TRUE(holds("a.calls == 1 and b.calls == 1"));

    pads.pads[0].gamepad.wButtons = XINPUT_GAMEPAD_A;
    runFrames(2);
    EXPECT_TRUE(holds("a.calls == 2 and b.calls == 2")) << "the pad's A is tied to the action too";

    ASSERT_EQ(run("input:stopListening(a.handle, 'Jump', ButtonState.ButtonTapped)"), "");
    setKey(Orva::InputKeys::ORVA_SPACE, false);
    runFrames(1);
    setKey(Orva::InputKeys::ORVA_SPACE, true);
    runFrames(1);
    EXPECT_TRUE(holds("a.calls == 2 and b.calls == 3"));
    setKey(Orva::InputKeys::ORVA_SPACE, false);

    // nil refused under the function's name, before anything is registered or queued.
    const std::pair<std::string, const char*> nilCalls[] = {{"listenToInput", "(nil, 'Jump', 2, 'heard')"},
                                                            {"listenToInputCode", "(nil, 1, 2, 'heard')"},
                                                            {"stopListening", "(nil, 'Jump', 2)"}};
    for (const auto& [name, arguments] : nilCalls) {
        EXPECT_NE(run("input:" + name + arguments).find(name + ": no script component"), std::string::npos)
            << name;
    }
    EXPECT_EQ(run("a, b = nil, nil"), "");
}

TEST_F(InputManagerScriptTest, ARecordingIsReplayedThenRecordingGoesOnAndUnsafePathsRecordAtOnce)
{
    std::filesystem::create_directories(root() / "resources" / "data");
    writeFile(root() / "resources" / "data" / "rec.txt", "64 1 0.05 64 0 0.2 ");
    ASSERT_EQ(run("input:useTrackingData('data/rec.txt'); seen = ''"), "");
    EXPECT_EQ(input().getReplayPath(), "data/rec.txt");
    for (int frame = 0; frame < 20; ++frame) {
        runFrames(1);
        ASSERT_EQ(run(R"(
            local mark = input:isButtonDown(Keys.ORVA_SPACE) and "d" or "u"
            if seen:sub(-1) ~= mark then seen = seen .. mark end
            assert(not input:isBackUpButtonDown(64)))"),
                  "");
    }
    EXPECT_TRUE(holds("seen == 'udu'"));
    EXPECT_TRUE(input().isTrackingInput() && !input().isReplayingInput())
        << "recording goes on after the replay";

    const std::string absolute = (root() / "resources" / "data" / "rec.txt").string();
    for (const std::string& path :
         {std::string("data/none.txt"), std::string("../rec.txt"), absolute, std::string()}) {
        input().useTrackingData("data/rec.txt", false);
        ASSERT_TRUE(input().isReplayingInput());
        testing::internal::CaptureStderr();
        ASSERT_EQ(run("input:useTrackingData('" + path + "')"), "");
        testing::internal::GetCapturedStderr();
        EXPECT_TRUE(input().isTrackingInput() && !input().isReplayingInput()) << path;
        EXPECT_EQ(input().getReplayPath(), "") << path;
    }
}

} // namespace
