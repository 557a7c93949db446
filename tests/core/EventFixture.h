#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "PoolFixture.h"
#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/EventManager.h"
#include "core/FunctionHolder.h"

namespace EventProbe {

// Counts how many of its objects exist, so that tests see every copy destroyed exactly once.
struct CountedEvent : Orva::BaseEvent
{
    static inline int alive = 0;

    explicit CountedEvent(int id = 0, std::string text = {}) : id(id), text(std::move(text)) { ++alive; }
    CountedEvent(const CountedEvent& other) : BaseEvent(other), id(other.id), text(other.text) { ++alive; }
    CountedEvent(CountedEvent&& other) noexcept : BaseEvent(other), id(other.id), text(std::move(other.text))
    {
        ++alive;
    }
    ~CountedEvent() override { --alive; }

    int id;
    std::string text;
};

// A listening object: its handler records the event and runs whatever the test asks for.
struct Listener
{
    Orva::EventCallbackObject callbacks;
    std::vector<int> received;
    std::function<void(Orva::BaseEvent*)> onEvent;

    Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }

    void handle(Orva::BaseEvent* event)
    {
        const auto* counted = dynamic_cast<CountedEvent*>(event);
        received.push_back(counted ? counted->id : -1);
        if (onEvent) {
            onEvent(event);
        }
    }

    Orva::FunctionHolder holder() { return Orva::FunctionHolder(this, &Listener::handle); }
};

} // namespace EventProbe

// A memory pool manager and an event manager per test, as the engine's start-up makes them.
class EventTest : public PooledTest
{
protected:
    void SetUp() override
    {
        PooledTest::SetUp();
        EventProbe::CountedEvent::alive = 0;
        Orva::EventManager::linkInstance(new Orva::EventManager);
    }

    void TearDown() override
    {
        Orva::EventManager::destroyInstance();
        EXPECT_EQ(EventProbe::CountedEvent::alive, 0) << "every queued copy is destroyed once";
        PooledTest::TearDown();
    }

    static Orva::EventManager& events() { return Orva::EventManager::getInstance(); }

    static void listen(std::uint32_t code, EventProbe::Listener& listener)
    {
        events().ListenToEvent(code, listener.holder());
    }

    static void queue(std::uint32_t code, int id, std::string text = {})
    {
        events().queueEvent(code, EventProbe::CountedEvent(id, std::move(text)));
    }
};
