#include "InputFixture.h"

// The frame step: buffers, states, the wheel, pad codes and the listener steps.

namespace {

using namespace Orva;
using Keys = InputManager::KeyList;

class InputStates : public InputTest
{
};

TEST_F(InputStates, CodesHaveTheExportedHashes)
{
    EXPECT_EQ(InputManager::CONTROLLER_ONE_ENTER_EVENT_CODE, 740287u);
    EXPECT_EQ(InputManager::CONTROLLER_TWO_ENTER_EVENT_CODE, 2219805261u);
    EXPECT_EQ(InputManager::CONTROLLER_THREE_ENTER_EVENT_CODE, 4116940763u);
    EXPECT_EQ(InputManager::CONTROLLER_FOUR_ENTER_EVENT_CODE, 68882425u);
    EXPECT_EQ(InputManager::CONTROLLER_ONE_DROP_EVENT_CODE, 357899026u);
    EXPECT_EQ(InputManager::CONTROLLER_TWO_DROP_EVENT_CODE, 1896510668u);
    EXPECT_EQ(InputManager::CONTROLLER_THREE_DROP_EVENT_CODE, 2730797974u);
    EXPECT_EQ(InputManager::CONTROLLER_FOUR_DROP_EVENT_CODE, 3574375536u);
    EXPECT_EQ(InputManager::MOUSE_MOVEMENT_EVENT_CODE, 3880911641u);
    EXPECT_EQ(InputManager::CONTROLLER_STICK_DELTA_EVENT_CODE, 2416984271u);
    EXPECT_EQ(ReplayInputEvent::REPLAY_EVENT_HASH_CODE, 1373691060u);
    EXPECT_EQ(EventNameDetails::HashToEvent(InputManager::MOUSE_MOVEMENT_EVENT_CODE), "MouseMovement");
}

TEST_F(InputStates, AKeyGoesTappedDownReleasedUp)
{
    press(InputKeys::ORVA_A);
    Orva::WindowKeyStates[InputKeys::ORVA_B] = 2; // any non-zero byte is down
    frames();                                     // held at start-up: tapped in the first frame
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_A), ButtonTapped);
    EXPECT_TRUE(input().isButtonDown(InputKeys::ORVA_A));
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_B));
    frames();
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_A), ButtonDown);
    EXPECT_FALSE(input().isButtonTapped(InputKeys::ORVA_A));
    release(InputKeys::ORVA_A);
    frames();
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_A), ButtonReleased);
    EXPECT_TRUE(input().isButtonUp(InputKeys::ORVA_A));
    EXPECT_TRUE(input().isButtonReleased(InputKeys::ORVA_A));
    frames();
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_A), ButtonUp);
}

TEST_F(InputStates, OneWheelNotchIsTappedForOneFrame)
{
    Orva::WindowMouseWheelDelta = 120;
    frames();
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_MOUSE_SCROLL_UP), ButtonTapped);
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_MOUSE_SCROLL_DOWN), ButtonUp);
    EXPECT_EQ(input().getMouseScrollSpeed(), 120);
    EXPECT_EQ(Orva::WindowMouseWheelDelta, 0) << "taken, not left for the next frame";
    frames();
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_MOUSE_SCROLL_UP), ButtonReleased);
    EXPECT_EQ(input().getMouseScrollSpeed(), 0);
    Orva::WindowMouseWheelDelta = -240;
    frames();
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_MOUSE_SCROLL_DOWN), ButtonTapped);
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_MOUSE_SCROLL_UP), ButtonUp);
    EXPECT_EQ(input().getMouseScrollSpeed(), -240);
}

TEST_F(InputStates, ButtonsWithAStateAreListedUpTo221)
{
    Keys out{7};
    frames();
    InputManager::getListOfButtonsWithState(out, ButtonUp);
    ASSERT_EQ(out.size(), 223u);
    EXPECT_EQ(out.front(), 7);
    for (unsigned code = 0; code <= 221; ++code)
        ASSERT_EQ(out[code + 1], code);

    press(InputKeys::ORVA_Z);
    Orva::WindowKeyStates[230] = 1; // above 221: never listed
    frames();
    Keys tapped;
    InputManager::getListOfButtonsWithState(tapped, ButtonTapped);
    EXPECT_EQ(tapped, (Keys{InputKeys::ORVA_Z}));
    Keys none;
    InputManager::getListOfButtonsWithState(none, NONE);
    EXPECT_TRUE(none.empty());
}

TEST_F(InputStates, PadCodesAreWrittenOnlyInPollingFrames)
{
    pads.pads[1].connected = true;
    pads.pads[1].gamepad.wButtons = XINPUT_GAMEPAD_A | 0x0400 | 0x0800; // the unassigned bits 10, 11
    pads.pads[1].gamepad.bRightTrigger = 1;
    frames(94);
    EXPECT_FALSE(input().isControllerConnected(1));
    frames();
    EXPECT_TRUE(input().isControllerConnected(1));
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_CONTROLLER2_A));
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_CONTROLLER2_ENTER));
    EXPECT_TRUE(input().isButtonUp(InputKeys::ORVA_CONTROLLER2_LEFT_TRIGGER))
        << "bit 10 gives way to the trigger";
    EXPECT_TRUE(input().isButtonDown(InputKeys::ORVA_CONTROLLER2_RIGHT_TRIGGER))
        << "any trigger byte above 0";
    EXPECT_FALSE(input().isButtonDown(InputKeys::ORVA_CONTROLLER1_A));

    // A frame too short to poll takes the pad's codes from the window's key array.
    Orva::WindowKeyStates[InputKeys::ORVA_CONTROLLER2_B] = 1;
    InputManager::update(0.001f);
    EXPECT_TRUE(input().isButtonReleased(InputKeys::ORVA_CONTROLLER2_A));
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_CONTROLLER2_B));
    EXPECT_TRUE(input().isButtonReleased(InputKeys::ORVA_CONTROLLER2_ENTER));

    pads.pads[1].connected = false;
    frames();
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_CONTROLLER2_DROP));
    EXPECT_FALSE(input().isButtonDown(InputKeys::ORVA_CONTROLLER2_B)) << "a failed poll writes zeros";
}

TEST_F(InputStates, APadsArrivalAndLossReachConnectionListeners)
{
    InputOwner owner;
    input().listenToControllerConnection(owner.holder());
    pads.pads[2].connected = true;
    frames(95);
    ASSERT_EQ(owner.actions.size(), 1u);
    EXPECT_EQ(owner.actions[0].key, InputKeys::ORVA_CONTROLLER3_ENTER);
    EXPECT_EQ(owner.actions[0].state, ButtonTapped);
    EXPECT_EQ(owner.actions[0].action, InputManager::CONTROLLER_THREE_ENTER_EVENT_CODE);
    EXPECT_EQ(owner.actions[0].controller, 2);
    pads.pads[2].connected = false;
    frames(3);
    ASSERT_EQ(owner.actions.size(), 2u);
    EXPECT_EQ(owner.actions[1].key, InputKeys::ORVA_CONTROLLER3_DROP);
    EXPECT_EQ(owner.actions[1].action, InputManager::CONTROLLER_THREE_DROP_EVENT_CODE);
    EXPECT_EQ(owner.callbacks.subscriptions().size(), 8u);
}

TEST_F(InputStates, EventsNameThePadOfTheirKey)
{
    InputOwner owner;
    const std::uint32_t action = EventNameDetails::EventToHash("Probe");
    const unsigned char keys[] = {149, 222, 165, 166, InputKeys::ORVA_ESCAPE};
    for (const unsigned char key : keys)
        input().tieKeyToAction(key, action);
    input().listenToInput(action, ButtonTapped, owner.holder());
    for (const unsigned char key : keys)
        press(key);
    frames();
    std::vector<std::pair<int, int>> seen;
    for (const ControllerEvent& event : owner.actions)
        seen.emplace_back(event.key, event.controller);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{88, -1}, {149, 0}, {165, 0}, {166, 1}, {222, 4}}))
        << "keys in ascending order";
}

TEST_F(InputStates, KeysCallEveryBoundActionInTyingOrder)
{
    InputOwner jump;
    InputOwner fire;
    input().tieKeyToAction(InputKeys::ORVA_SPACE, "Fire");
    input().tieKeyToAction(InputKeys::ORVA_SPACE, "Jump");
    input().tieKeyToAction(InputKeys::ORVA_W, "Jump");
    std::vector<std::string> calls;
    jump.onEvent = [&](BaseEvent* event) {
        calls.push_back("jump " + std::to_string(static_cast<ControllerEvent*>(event)->key));
    };
    fire.onEvent = [&](BaseEvent* event) {
        calls.push_back("fire " + std::to_string(static_cast<ControllerEvent*>(event)->key));
    };
    input().listenToInput("Jump", ButtonDown, jump.holder());
    input().listenToInput("Fire", ButtonDown, fire.holder());
    press(InputKeys::ORVA_SPACE);
    press(InputKeys::ORVA_W);
    frames(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"jump 32", "fire 64", "jump 64"}))
        << "Down is not called in the tapped frame";
}

TEST_F(InputStates, MouseListenersRunOnlyWhenTheCursorMoves)
{
    InputOwner owner;
    input().listenToMouseMovement(owner.holder());
    frames();
    EXPECT_TRUE(owner.mouse.empty());
    Orva::WindowMouseX = 10;
    Orva::WindowMouseY = -4;
    press(InputKeys::ORVA_MOUSE_LEFT);
    frames();
    ASSERT_EQ(owner.mouse.size(), 1u);
    EXPECT_EQ(owner.mouse[0].position, Math::Vector2D<int>(10, -4));
    EXPECT_EQ(owner.mouse[0].delta, Math::Vector2D<int>(10, -4));
    EXPECT_EQ(owner.mouse[0].leftButton, ButtonTapped);
    EXPECT_EQ(owner.mouse[0].rightButton, ButtonUp);

    release(InputKeys::ORVA_MOUSE_LEFT);
    frames(); // at rest: nobody is called and the button fields stay
    EXPECT_EQ(owner.mouse.size(), 1u);
    EXPECT_EQ(input().getMouseDelta(), Math::Vector2D<int>(0, 0));
    Orva::WindowMouseX = 7;
    frames();
    ASSERT_EQ(owner.mouse.size(), 2u);
    EXPECT_EQ(owner.mouse[1].delta, Math::Vector2D<int>(-3, 0));
    EXPECT_EQ(owner.mouse[1].leftButton, ButtonUp);
    EXPECT_EQ(input().getMousePositionf(), Math::Vector2D<float>(7.0f, -4.0f));
    EXPECT_EQ(input().getMouseDeltaf(), Math::Vector2D<float>(-3.0f, 0.0f));
}

TEST_F(InputStates, AMouseListenerAddedByAnActionListenerRunsInTheSameFrame)
{
    InputOwner trigger;
    InputOwner mouse;
    input().tieKeyToAction(InputKeys::ORVA_M, "Track");
    trigger.onEvent = [&](BaseEvent*) { input().listenToMouseMovement(mouse.holder()); };
    input().listenToInput("Track", ButtonTapped, trigger.holder());
    press(InputKeys::ORVA_M);
    Orva::WindowMouseX = 3;
    frames();
    EXPECT_EQ(mouse.mouse.size(), 1u);
}

TEST_F(InputStates, StickListenersRunWhileTheirStickIsOffCentre)
{
    InputOwner left;
    InputOwner right;
    input().listenToControllerStickDelta(0, InputManager::LeftStick, left.holder());
    input().listenToControllerStickDelta(0, static_cast<InputManager::ControllerStickSide>(7),
                                         right.holder());
    pads.pads[0].connected = true;
    pads.pads[0].gamepad.sThumbRX = 32767;
    frames(95);
    EXPECT_TRUE(left.sticks.empty());
    ASSERT_EQ(right.sticks.size(), 1u) << "any side but 0 is the right stick";
    pads.pads[0].gamepad.sThumbLY = -32768;
    frames(2);
    ASSERT_EQ(left.sticks.size(), 2u) << "every frame, not only when it moves";
    const ControllerStickDeltaEvent& event = left.sticks.back();
    EXPECT_EQ(event.controllerIndex, 0);
    EXPECT_TRUE(event.connected);
    EXPECT_EQ(event.leftStick, Math::Vector2D<float>(0.0f, -1.0f));
    EXPECT_EQ(event.rightStick, Math::Vector2D<float>(1.0f, 0.0f));
    EXPECT_EQ(event.controller->getPadIndex(), 1);
}

} // namespace
