#include "InputFixture.h"
#include "WindowFixture.h"
#include "platform/SdlEventPush.h"

// A key pressed on the window reaching an action listener through one engine frame: the
// window's pump, the event dispatch, then the input update.

namespace {

using namespace Orva;

class InputEndToEnd : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Platform::Test::setControllerBackend(&pads);
        InputManager::linkInstance(new InputManager);
    }

    void TearDown() override
    {
        InputManager::destroyInstance();
        WindowTest::TearDown();
    }

    static void engineFrame(Window& window)
    {
        window.update();
        EventManager::PushAllEvents();
        InputManager::update(0.016f);
    }

    FakeControllers pads;
};

TEST_F(InputEndToEnd, AKeyPressOnTheWindowReachesTheActionListener)
{
    Window& window = openWindow();
    ASSERT_NE(window.getHWnd(), nullptr);
    InputOwner owner;
    const std::uint32_t action = EventNameDetails::EventToHash("Jump");
    InputManager::getInstance().tieKeyToAction(InputKeys::ORVA_A, action);
    InputManager::getInstance().listenToInput(action, ButtonTapped, owner.holder());
    engineFrame(window);
    EXPECT_TRUE(owner.actions.empty());

    SdlEventPush::key(sdlId(window), SDL_SCANCODE_A, SDLK_a, KMOD_NONE, true);
    engineFrame(window);
    ASSERT_EQ(owner.actions.size(), 1u);
    const ControllerEvent& event = owner.actions[0];
    EXPECT_EQ(event.key, InputKeys::ORVA_A);
    EXPECT_EQ(event.state, ButtonTapped);
    EXPECT_EQ(event.action, action);
    EXPECT_EQ(event.controller, -1);
    engineFrame(window);
    EXPECT_EQ(owner.actions.size(), 1u) << "held, not tapped again";
    EXPECT_TRUE(InputManager::getInstance().isButtonDown(InputKeys::ORVA_A));
}

} // namespace
