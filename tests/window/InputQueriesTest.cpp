#include <cmath>

#include "InputFixture.h"

// Questions about keys and pads, and the forced key states.

namespace {

using namespace Orva;
using Vibration = FakeControllers::Vibration;

class InputQueries : public InputTest
{
protected:
    // Pad 0 plugged in and found (update 95).
    void connectFirstPad()
    {
        pads.pads[0].connected = true;
        frames(95);
        ASSERT_TRUE(input().isControllerConnected(0));
    }
};

TEST_F(InputQueries, ForcedStatesHoldForTheFrameInProgress)
{
    frames();
    input().forceOverrideKeyState(InputKeys::ORVA_Q, ButtonTapped);
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_Q));
    frames();
    EXPECT_TRUE(input().isButtonReleased(InputKeys::ORVA_Q)) << "the keyboard does not hold it";

    const ButtonState states[] = {ButtonUp, ButtonDown, ButtonTapped, ButtonReleased};
    for (const ButtonState state : states) {
        input().forceOverrideKeyState(InputKeys::ORVA_W, state);
        EXPECT_EQ(input().getButtonState(InputKeys::ORVA_W), state);
    }
    input().forceOverrideKeyState(InputKeys::ORVA_W, ButtonDown);
    input().forceOverrideKeyState(InputKeys::ORVA_W, NONE);
    input().forceOverrideKeyState(InputKeys::ORVA_W, static_cast<ButtonState>(-3));
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_W), ButtonDown) << "nothing written";
}

TEST_F(InputQueries, AForcedBoolHoldsUntilTheWindowReportsTheKey)
{
    input().forceOverrideKeyBool(InputKeys::ORVA_E, true);
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_E), ButtonDown);
    frames(3);
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_E), ButtonDown);
    release(InputKeys::ORVA_E); // the window's key-up
    frames();
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_E), ButtonReleased);
}

TEST_F(InputQueries, PadPredicatesCompareTheExactState)
{
    connectFirstPad();
    pads.pads[0].gamepad.wButtons = XINPUT_GAMEPAD_B;
    frames();
    EXPECT_EQ(input().getControllerButtonState(0, XINPUT_B), ButtonTapped);
    EXPECT_TRUE(input().isControllerButtonTapped(0, XINPUT_B));
    EXPECT_FALSE(input().isControllerButtonDown(0, XINPUT_B));
    EXPECT_TRUE(input().isButtonDown(InputKeys::ORVA_CONTROLLER1_B)) << "the key predicate includes tapped";
    frames();
    EXPECT_TRUE(input().isControllerButtonDown(0, XINPUT_B));
    pads.pads[0].gamepad.wButtons = 0;
    frames();
    EXPECT_TRUE(input().isControllerButtonReleased(0, XINPUT_B));
    EXPECT_FALSE(input().isControllerButtonUp(0, XINPUT_B));
    frames();
    EXPECT_TRUE(input().isControllerButtonUp(0, XINPUT_B));
}

TEST_F(InputQueries, SticksAndTriggersComeFromThePad)
{
    connectFirstPad();
    XINPUT_GAMEPAD& pad = pads.pads[0].gamepad;
    pad.sThumbLX = 32767;
    pad.sThumbRY = -32768;
    pad.bLeftTrigger = 51;
    pad.bRightTrigger = 255;
    frames();
    EXPECT_EQ(input().getControllerLeftStickPosition(0), Math::Vector2D<float>(1.0f, 0.0f));
    EXPECT_EQ(input().getControllerRightStickPosition(0), Math::Vector2D<float>(0.0f, -1.0f));
    EXPECT_EQ(input().getControllerLeftStickDelta(0), Math::Vector2D<float>(1.0f, 0.0f));
    EXPECT_EQ(input().getControllerRightStickDelta(0), Math::Vector2D<float>(0.0f, -1.0f));
    EXPECT_FLOAT_EQ(input().getControllerLeftTrigger(0), 0.2f);
    EXPECT_FLOAT_EQ(input().getControllerRightTriggerDelta(0), 1.0f);
    pad.bRightTrigger = 0;
    frames();
    EXPECT_FLOAT_EQ(input().getControllerRightTriggerDelta(0), -1.0f);
    EXPECT_FLOAT_EQ(input().getControllerLeftTriggerDelta(0), 0.0f);
    EXPECT_EQ(input().getControllerLeftStickDelta(0), Math::Vector2D<float>(0.0f, 0.0f));
}

TEST_F(InputQueries, PadsOutsideTheFourReadAtRestAndIgnoreRequests)
{
    connectFirstPad();
    pads.pads[0].gamepad.wButtons = 0xFFFF;
    pads.pads[0].gamepad.sThumbLX = 32767;
    pads.pads[0].gamepad.bLeftTrigger = 255;
    frames();
    for (const int pad : {-1, 4, 1000, -1000}) {
        SCOPED_TRACE(pad);
        EXPECT_FALSE(input().isControllerConnected(pad));
        for (int button = XINPUT_UP; button <= XINPUT_Y; ++button)
            EXPECT_EQ(input().getControllerButtonState(pad, static_cast<XInputButtons>(button)), ButtonUp);
        EXPECT_FALSE(input().isControllerButtonDown(pad, XINPUT_A));
        EXPECT_TRUE(input().isControllerButtonUp(pad, XINPUT_A));
        EXPECT_EQ(input().getControllerLeftStickPosition(pad), Math::Vector2D<float>());
        EXPECT_EQ(input().getControllerRightStickDelta(pad), Math::Vector2D<float>());
        EXPECT_EQ(input().getControllerLeftTrigger(pad), 0.0f);
        EXPECT_EQ(input().getControllerRightTriggerDelta(pad), 0.0f);
        input().vibrateController(pad, 1.0f, 1.0f, 1.0f);
        input().vibrateController(pad, static_cast<unsigned short>(100), 1.0f);
    }
    EXPECT_TRUE(pads.vibrations.empty());
}

TEST_F(InputQueries, EveryVibrationFormReachesThePad)
{
    connectFirstPad();
    input().vibrateController(0, static_cast<unsigned short>(1), static_cast<unsigned short>(2), 0.0f);
    input().vibrateController(0, static_cast<unsigned short>(3), 0.0f);
    input().vibrateController(0, 1.0f, 0.5f, 0.0f);
    input().vibrateController(0, 1.5f, 0.0f);
    input().vibrateController(0, 65535, 70000, 0.0); // integers of any width: their low 16 bits
    input().vibrateController(0, 0.25, 0.5, 0.0);
    input().vibrateController(0, 1.0f, 0.0f, 0.5f);
    EXPECT_EQ(pads.vibrations, (std::vector<Vibration>{{0, 1, 2},
                                                       {0, 3, 3},
                                                       {0, 65535, 32767},
                                                       {0, 32766, 32766},
                                                       {0, 65535, 4464},
                                                       {0, 16383, 32767},
                                                       {0, 65535, 0}}));
    frames(31);
    EXPECT_EQ(pads.vibrations.size(), 7u);
    frames();
    EXPECT_EQ(pads.vibrations.back(), (Vibration{0, 0, 0}));
}

TEST_F(InputQueries, TheBackUpBufferIsZeroUntilAReplay)
{
    press(InputKeys::ORVA_R);
    frames();
    EXPECT_TRUE(input().isBackUpButtonUp(InputKeys::ORVA_R));
    EXPECT_FALSE(input().isBackUpButtonDown(InputKeys::ORVA_R));
}

} // namespace
