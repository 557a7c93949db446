#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "FakeControllers.h"
#include "platform/Platform.h"
#include "window/XInputController.h"

// One pad on its own, read through the pad services from hand-set fake pads.

namespace {

using Orva::XInputController;
using Vibration = FakeControllers::Vibration;

class Pad : public ::testing::Test
{
protected:
    static constexpr float Frame = 0.016f;

    void SetUp() override { Orva::Platform::Test::setControllerBackend(&pads); }
    void TearDown() override { Orva::Platform::Test::reset(); }

    // Plugs pad 1's slot and brings the controller to its first poll.
    void connect(XInputController& controller)
    {
        pads.pads[0].connected = true;
        controller.update(1.5f); // gathers the whole absent interval
        ASSERT_TRUE(controller.update(Frame));
        ASSERT_TRUE(controller.hasEntered());
    }

    XINPUT_GAMEPAD& gamepad() { return pads.pads[0].gamepad; }

    FakeControllers pads;
    XInputController pad{1};
};

TEST_F(Pad, ThumbsPassPerAxisDeadZonesAndReachOneAtFullDeflection)
{
    gamepad().sThumbLX = 1638;   // 0.04999: inside the 0.05 dead zone
    gamepad().sThumbLY = -32768; // one step past -32767: still -1
    gamepad().sThumbRX = 16384;
    gamepad().sThumbRY = 32767;
    connect(pad);
    EXPECT_EQ(pad.getLeftStickPosition().x, 0.0f);
    EXPECT_EQ(pad.getLeftStickPosition().y, -1.0f);
    EXPECT_NEAR(pad.getRightStickPosition().x, 0.4737f, 1e-4f);
    EXPECT_EQ(pad.getRightStickPosition().y, 1.0f);

    gamepad().sThumbLY = 700; // 0.0214: outside y's 0.02 dead zone, just
    gamepad().sThumbLX = 1700;
    pad.update(Frame);
    EXPECT_NEAR(pad.getLeftStickPosition().y, (700 / 32767.0f - 0.02f) / 0.98f, 1e-6f);
    EXPECT_NEAR(pad.getLeftStickPosition().x, (1700 / 32767.0f - 0.05f) / 0.95f, 1e-6f);
}

TEST_F(Pad, ADeadZoneOfZeroKeepsTheCentreAtZero)
{
    XInputController raw(1, 0.0f, 0.0f);
    gamepad().sThumbLX = -16384;
    connect(raw);
    EXPECT_EQ(raw.getLeftStickPosition().y, 0.0f) << "0 / 0 is no position";
    EXPECT_NEAR(raw.getLeftStickPosition().x, -0.50002f, 1e-5f);
}

TEST_F(Pad, APresentPadIsFirstAskedInUpdate95ThenEveryUpdate)
{
    pads.pads[0].connected = true;
    for (int update = 1; update <= 94; ++update) {
        EXPECT_FALSE(pad.update(Frame)) << update;
        EXPECT_FALSE(pad.hasPolled());
    }
    EXPECT_EQ(pads.reads[0], 0);
    EXPECT_TRUE(pad.update(Frame));
    EXPECT_TRUE(pad.hasPolled());
    EXPECT_TRUE(pad.hasEntered());
    EXPECT_EQ(pads.reads[0], 1);
    pad.update(Frame);
    EXPECT_FALSE(pad.hasEntered()) << "only in the update that found it";
    EXPECT_EQ(pads.reads[0], 2);

    // Shorter frames gather until 0.016 s have passed.
    pad.update(0.01f);
    EXPECT_FALSE(pad.hasPolled());
    pad.update(0.01f);
    EXPECT_TRUE(pad.hasPolled());
    EXPECT_EQ(pads.reads[0], 3);
}

TEST_F(Pad, AnAbsentPadIsAskedEveryOneAndAHalfSeconds)
{
    for (int update = 0; update < 95; ++update)
        pad.update(Frame);
    EXPECT_EQ(pads.reads[0], 1);
    EXPECT_TRUE(pad.hasPolled());
    EXPECT_FALSE(pad.hasDropped()) << "it never was connected";
    for (int update = 0; update < 94; ++update)
        pad.update(Frame);
    EXPECT_EQ(pads.reads[0], 1);
    pad.update(Frame);
    EXPECT_EQ(pads.reads[0], 2);
}

TEST_F(Pad, UnpluggingDropsOnceAndKeepsTheLastStick)
{
    gamepad().sThumbLX = 32767;
    gamepad().wButtons = XINPUT_GAMEPAD_A;
    connect(pad);
    pads.pads[0].connected = false;
    EXPECT_FALSE(pad.update(Frame));
    EXPECT_TRUE(pad.hasDropped());
    EXPECT_FALSE(pad.isConnected());
    EXPECT_EQ(pad.getLeftStickPosition().x, 1.0f);
    EXPECT_EQ(pad.getPadState().Gamepad.wButtons, 0) << "a failed read leaves a zero record";
    EXPECT_FALSE(pad.isReleased(Orva::XINPUT_A)) << "a pad that is gone answers nothing";
    EXPECT_TRUE(pad.isUp(Orva::XINPUT_A));
    pad.update(Frame);
    EXPECT_FALSE(pad.hasDropped());
}

TEST_F(Pad, ButtonsAreTappedOnlyInThePollThatFirstSeesThem)
{
    connect(pad);
    gamepad().wButtons = XINPUT_GAMEPAD_A | XINPUT_GAMEPAD_BACK;
    gamepad().bLeftTrigger = 255;
    pad.update(Frame);
    EXPECT_TRUE(pad.isTapped(Orva::XINPUT_A));
    EXPECT_TRUE(pad.isDown(Orva::XINPUT_SELECT));
    EXPECT_FALSE(pad.isDown(Orva::XINPUT_LT)) << "the triggers have no bit";
    EXPECT_EQ(pad.getLeftTrigger(), 1.0f);
    EXPECT_EQ(pad.getLeftTriggerDelta(), 1.0f);
    EXPECT_FALSE(pad.isDown(static_cast<Orva::XInputButtons>(16)));
    EXPECT_FALSE(pad.isDown(static_cast<Orva::XInputButtons>(-1)));

    pad.update(0.001f); // no poll: the last answers stand
    EXPECT_TRUE(pad.isTapped(Orva::XINPUT_A));
    pad.update(Frame);
    EXPECT_FALSE(pad.isTapped(Orva::XINPUT_A));
    EXPECT_TRUE(pad.isDown(Orva::XINPUT_A));

    gamepad().wButtons = 0;
    pad.update(Frame);
    EXPECT_TRUE(pad.isReleased(Orva::XINPUT_A));
    EXPECT_TRUE(pad.isUp(Orva::XINPUT_A));
}

TEST_F(Pad, StickDeltasIgnoreJitterAndStickDownNeedsAFirmPush)
{
    gamepad().sThumbRX = 20000;
    connect(pad);
    gamepad().sThumbRX = 20200; // about 0.0065 after the rescale
    gamepad().sThumbRY = 16384;
    pad.update(Frame);
    EXPECT_EQ(pad.getRightStickDelta().x, 0.0f);
    EXPECT_GT(pad.getRightStickDelta().y, 0.4f);
    pad.update(0.001f);
    EXPECT_GT(pad.getRightStickDelta().y, 0.4f) << "without a poll the last delta is reported again";

    gamepad().sThumbLX = 10000; // about 0.27: 0.07 < 0.1
    pad.update(Frame);
    EXPECT_FALSE(pad.isLeftStickDown());
    gamepad().sThumbLY = 10000;
    pad.update(Frame);
    EXPECT_TRUE(pad.isLeftStickDown());
    EXPECT_TRUE(pad.isRightStickDown());
}

TEST_F(Pad, ATimedVibrationStopsInThe32ndPolledUpdate)
{
    connect(pad);
    pad.vibrate(65535, 0, 0.5);
    EXPECT_EQ(pads.vibrations, (std::vector<Vibration>{{0, 65535, 0}}));
    for (int update = 1; update <= 31; ++update)
        pad.update(Frame);
    EXPECT_EQ(pads.vibrations.size(), 1u) << "0.004 s left after 31 updates";
    pad.update(Frame);
    EXPECT_EQ(pads.vibrations.back(), (Vibration{0, 0, 0}));
    for (int update = 0; update < 100; ++update)
        pad.update(Frame);
    EXPECT_EQ(pads.vibrations.size(), 2u) << "stopped once";
}

TEST_F(Pad, TheCountdownRunsOnPolledFramesWithTheirOwnTime)
{
    connect(pad);
    pad.vibrate(XInputController::VIBRATION_POWER_50_PERCENT, 0.1f);
    pads.pads[0].connected = false;
    pad.update(Frame); // dropped
    for (int update = 0; update < 200; ++update)
        pad.update(Frame);
    EXPECT_EQ(pads.vibrations.size(), 1u) << "no countdown while the pad is away";
    pads.pads[0].connected = true;
    while (!pad.update(Frame)) {
    }
    // Back: half-length frames poll every other update and count only their own time.
    int updates = 0;
    while (pads.vibrations.size() == 1u && updates < 100) {
        pad.update(0.008f);
        ++updates;
    }
    EXPECT_EQ(updates, 22) << "the poll that found it counted 0.016, then 0.008 every second update";
    EXPECT_EQ(pads.vibrations.back(), (Vibration{0, 0, 0}));
}

TEST_F(Pad, AZeroDurationRunsUntilTheNextCallAndZeroSpeedsStopAtOnce)
{
    connect(pad);
    pad.vibrate(30000, 0.0f);
    for (int update = 0; update < 500; ++update)
        pad.update(Frame);
    EXPECT_EQ(pads.vibrations, (std::vector<Vibration>{{0, 30000, 30000}}));
    pad.vibrate(100, 200, -1.0f);
    pad.vibrate(0, 0, 5.0f);
    for (int update = 0; update < 500; ++update)
        pad.update(Frame);
    EXPECT_EQ(pads.vibrations, (std::vector<Vibration>{{0, 30000, 30000}, {0, 100, 200}, {0, 0, 0}}));
}

TEST_F(Pad, FractionsWrapTheirLow16BitsAndNeverReachUndefinedConversions)
{
    EXPECT_EQ(Orva::motorSpeedFromFraction(1.0f), 65535);
    EXPECT_EQ(Orva::motorSpeedFromFraction(0.5f), 32767);
    EXPECT_EQ(Orva::motorSpeedFromFraction(1.5f), 32766);
    EXPECT_EQ(Orva::motorSpeedFromFraction(std::nanf("")), 0);
    EXPECT_EQ(Orva::motorSpeedFromFraction(-0.5f), 32769) << "-32767 wraps";
    EXPECT_EQ(Orva::motorSpeedFromFraction(std::numeric_limits<float>::infinity()), 0xFFFF);
    EXPECT_EQ(Orva::motorSpeedFromFraction(-std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(Orva::motorSpeedFromFraction(1e30f), 0xFFFF);

    connect(pad);
    pad.vibrate(1.5f, std::nanf(""), 1.0f);
    pad.vibrate(0.25f, 1.0f);
    EXPECT_EQ(pads.vibrations, (std::vector<Vibration>{{0, 32766, 0}, {0, 16383, 16383}}));
}

TEST_F(Pad, APadWithoutIndexIgnoresVibrationAndNeverConnects)
{
    XInputController none;
    pads.pads[0].connected = true;
    none.vibrate(1.0f, 1.0f);
    for (int update = 0; update < 200; ++update)
        EXPECT_FALSE(none.update(Frame));
    EXPECT_TRUE(pads.vibrations.empty());
    EXPECT_EQ(pads.reads[0], 0);
}

TEST(PadServices, SlotsAboveThreeAndNullRecordsAreBadArguments)
{
    FakeControllers fake;
    Orva::Platform::Test::setControllerBackend(&fake);
    fake.pads[3].connected = true;
    XINPUT_STATE state{};
    XINPUT_VIBRATION vibration{1, 2};
    EXPECT_EQ(Orva::Platform::Test::padState(4, &state), ERROR_BAD_ARGUMENTS);
    EXPECT_EQ(Orva::Platform::Test::setPadVibration(4, &vibration), ERROR_BAD_ARGUMENTS);
    EXPECT_EQ(Orva::Platform::Test::padState(3, nullptr), ERROR_BAD_ARGUMENTS);
    EXPECT_EQ(Orva::Platform::Test::padState(2, &state), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(Orva::Platform::Test::padState(3, &state), ERROR_SUCCESS);
    EXPECT_EQ(Orva::Platform::Test::setPadVibration(3, &vibration), ERROR_SUCCESS);
    EXPECT_EQ(fake.reads, (std::array<int, 4>{0, 0, 1, 1}));
    Orva::Platform::Test::reset();
}

} // namespace
