#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "FakeControllers.h"
#include "core/EventManager.h"
#include "core/PoolFixture.h"
#include "platform/Platform.h"
#include "window/InputKeys.h"
#include "window/InputManager.h"

// A listening object that keeps what it was handed and runs whatever the test asks of it.
struct InputOwner
{
    Orva::EventCallbackObject callbacks;
    std::vector<Orva::ControllerEvent> actions;
    std::vector<Orva::MouseEvent> mouse;
    std::vector<Orva::ControllerStickDeltaEvent> sticks;
    std::function<void(Orva::BaseEvent*)> onEvent;

    Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }

    void handle(Orva::BaseEvent* event)
    {
        if (const auto* action = dynamic_cast<Orva::ControllerEvent*>(event))
            actions.push_back(*action);
        else if (const auto* moved = dynamic_cast<Orva::MouseEvent*>(event))
            mouse.push_back(*moved);
        else if (const auto* stick = dynamic_cast<Orva::ControllerStickDeltaEvent*>(event))
            sticks.push_back(*stick);
        if (onEvent)
            onEvent(event);
    }

    Orva::FunctionHolder holder() { return Orva::FunctionHolder(this, &InputOwner::handle); }

    std::vector<Orva::ButtonState> states() const
    {
        std::vector<Orva::ButtonState> seen;
        for (const Orva::ControllerEvent& event : actions)
            seen.push_back(event.state);
        return seen;
    }
};

// The managers as the engine makes them, fake pads, and an input state at rest.
class InputTest : public PooledTest
{
protected:
    static constexpr float Frame = 0.016f;

    void SetUp() override
    {
        PooledTest::SetUp();
        Orva::EventManager::linkInstance(new Orva::EventManager);
        Orva::Platform::Test::setControllerBackend(&pads);
        std::memset(Orva::WindowKeyStates, 0, sizeof Orva::WindowKeyStates);
        Orva::WindowMouseX = Orva::WindowMouseY = 0;
        Orva::WindowMouseWheelDelta = 0;
        Orva::InputManager::linkInstance(new Orva::InputManager);
    }

    void TearDown() override
    {
        Orva::InputManager::destroyInstance();
        Orva::EventManager::destroyInstance();
        Orva::Platform::Test::reset();
        PooledTest::TearDown();
    }

    static Orva::InputManager& input() { return Orva::InputManager::getInstance(); }

    static void frames(int count = 1)
    {
        for (int i = 0; i < count; ++i)
            Orva::InputManager::update(Frame);
    }

    static void press(unsigned char key) { Orva::WindowKeyStates[key] = 1; }
    static void release(unsigned char key) { Orva::WindowKeyStates[key] = 0; }

    FakeControllers pads;
};

using States = std::vector<Orva::ButtonState>;
