#include <SDL.h>

#include <utility>

#include "InputFixture.h"

// The default pad services over SDL's game controllers, driven by a virtual controller: no
// display and no device needed.

namespace {

using namespace Orva;

class SdlPad : public InputTest
{
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        Platform::Test::setControllerBackend(nullptr);
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
            GTEST_SKIP() << "no game controller support: " << SDL_GetError();
        subsystemStarted = true;
        device = attachVirtualPad();
        ASSERT_GE(device, 0) << SDL_GetError();
        joystick = SDL_JoystickOpen(device);
        ASSERT_NE(joystick, nullptr) << SDL_GetError();
    }

    void TearDown() override
    {
        if (joystick != nullptr)
            SDL_JoystickClose(joystick);
        if (device >= 0)
            SDL_JoystickDetachVirtual(device);
        InputTest::TearDown();
        if (subsystemStarted)
            SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }

    int attachVirtualPad()
    {
        SDL_VirtualJoystickDesc description{};
        description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        description.naxes = SDL_CONTROLLER_AXIS_MAX;
        description.nbuttons = 15;
        description.name = "Orva test pad";
        description.userdata = this;
        description.Rumble = [](void* self, Uint16 low, Uint16 high) {
            static_cast<SdlPad*>(self)->rumbles.emplace_back(low, high);
            return 0;
        };
        return SDL_JoystickAttachVirtualEx(&description);
    }

    void setButton(SDL_GameControllerButton button, bool down)
    {
        SDL_JoystickSetVirtualButton(joystick, button, down ? SDL_PRESSED : SDL_RELEASED);
    }

    void setAxis(SDL_GameControllerAxis axis, Sint16 value)
    {
        SDL_JoystickSetVirtualAxis(joystick, axis, value);
    }

    bool subsystemStarted = false;
    int device = -1;
    SDL_Joystick* joystick = nullptr;
    std::vector<std::pair<Uint16, Uint16>> rumbles;
};

TEST_F(SdlPad, AVirtualPadIsFoundInUpdate95WithItsButtonsSticksAndTriggers)
{
    setButton(SDL_CONTROLLER_BUTTON_A, true);
    setAxis(SDL_CONTROLLER_AXIS_LEFTY, -32768);
    setAxis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    frames(94);
    EXPECT_FALSE(input().isControllerConnected(0));
    frames();
    ASSERT_TRUE(input().isControllerConnected(0));
    EXPECT_EQ(input().getButtonState(InputKeys::ORVA_CONTROLLER1_ENTER), ButtonTapped);
    EXPECT_TRUE(input().isControllerButtonTapped(0, XINPUT_A));
    EXPECT_FALSE(input().isControllerButtonDown(0, XINPUT_A));
    EXPECT_EQ(input().getControllerLeftStickPosition(0).y, 1.0f) << "SDL's down is the pad's up";
    EXPECT_EQ(input().getControllerRightTrigger(0), 1.0f);
    EXPECT_TRUE(input().isButtonDown(InputKeys::ORVA_CONTROLLER1_RIGHT_TRIGGER));
    EXPECT_FALSE(input().isControllerConnected(1)) << "one pad, one slot";

    // Changes reach the pad in the next update.
    setButton(SDL_CONTROLLER_BUTTON_A, false);
    setButton(SDL_CONTROLLER_BUTTON_BACK, true);
    setAxis(SDL_CONTROLLER_AXIS_LEFTY, 32767);
    frames();
    EXPECT_TRUE(input().isControllerButtonReleased(0, XINPUT_A));
    EXPECT_TRUE(input().isControllerButtonTapped(0, XINPUT_SELECT));
    EXPECT_EQ(input().getControllerLeftStickPosition(0).y, -1.0f);
}

TEST_F(SdlPad, PacketNumbersGrowOnEveryChange)
{
    XINPUT_STATE state{};
    ASSERT_EQ(Platform::Test::padState(0, &state), ERROR_SUCCESS);
    const DWORD first = state.dwPacketNumber;
    ASSERT_EQ(Platform::Test::padState(0, &state), ERROR_SUCCESS);
    EXPECT_EQ(state.dwPacketNumber, first) << "nothing changed";
    setButton(SDL_CONTROLLER_BUTTON_Y, true);
    ASSERT_EQ(Platform::Test::padState(0, &state), ERROR_SUCCESS);
    EXPECT_EQ(state.dwPacketNumber, first + 1);
    EXPECT_EQ(state.Gamepad.wButtons, XINPUT_GAMEPAD_Y);
    EXPECT_EQ(Platform::Test::padState(1, &state), ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(SdlPad, VibrationDrivesBothMotorsAndStopsAfterItsTime)
{
    frames(95);
    ASSERT_TRUE(input().isControllerConnected(0));
    input().vibrateController(0, 1.0f, 0.0f, 0.5f);
    EXPECT_EQ(rumbles, (std::vector<std::pair<Uint16, Uint16>>{{65535, 0}}));
    frames(31);
    EXPECT_EQ(rumbles.size(), 1u);
    frames();
    EXPECT_EQ(rumbles.back(), (std::pair<Uint16, Uint16>{0, 0}));
}

TEST_F(SdlPad, AnUnpluggedPadIsDroppedAndANewOneTakesTheLowestFreeSlot)
{
    frames(95);
    ASSERT_TRUE(input().isControllerConnected(0));
    SDL_JoystickClose(std::exchange(joystick, nullptr));
    SDL_JoystickDetachVirtual(std::exchange(device, -1));
    frames();
    EXPECT_FALSE(input().isControllerConnected(0));
    EXPECT_TRUE(input().isButtonTapped(InputKeys::ORVA_CONTROLLER1_DROP));

    device = attachVirtualPad();
    ASSERT_GE(device, 0);
    joystick = SDL_JoystickOpen(device);
    frames(95);
    EXPECT_TRUE(input().isControllerConnected(0));
}

} // namespace
