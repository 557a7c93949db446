#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "EventFixture.h"
#include "world/DataAnalyticManager.h"

using EventProbe::CountedEvent;
using EventProbe::Listener;
using Orva::EventManager;
using Orva::EventNameDetails;

namespace {

constexpr std::uint32_t Ping = 0x7FB7F0A9u; // "Ping"
constexpr std::uint32_t Pong = 0x1234u;

std::vector<int> ids(int from, int count)
{
    std::vector<int> result;
    for (int i = 0; i < count; ++i) {
        result.push_back(from + i);
    }
    return result;
}

} // namespace

using EventQueueing = EventTest;

TEST_F(EventQueueing, AnEventNobodyListensToChangesNothing)
{
    queue(Ping, 1);
    EXPECT_EQ(CountedEvent::alive, 0) << "no copy is made";
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(events().stack(i).used(), 0u);
        EXPECT_TRUE(events().stack(i).entries().empty());
    }
}

TEST_F(EventQueueing, APendingListenerKeepsTheEventOfTheSameFrame)
{
    Listener listener;
    listen(Ping, listener);
    queue(Ping, 1);
    ASSERT_EQ(events().stack(0).entries().size(), 1u);
    EXPECT_TRUE(listener.received.empty());

    EventManager::PushAllEvents();
    EXPECT_EQ(listener.received, std::vector<int>{1});
    EventManager::PushAllEvents();
    EXPECT_EQ(listener.received, std::vector<int>{1}) << "an event is delivered once";
}

TEST_F(EventQueueing, TheCopyKeepsTheSendersCodeAndTheFirstEventStartsTheStack)
{
    Listener listener;
    listen(Ping, listener);
    CountedEvent event(3);
    event.hashCode = 99;
    events().queueEvent(Ping, event);

    const auto& entry = events().stack(0).entries().front();
    EXPECT_EQ(static_cast<const void*>(entry.event), static_cast<const void*>(events().stack(0).base()));
    EXPECT_EQ(entry.code, Ping);
    EXPECT_EQ(entry.event->hashCode, 99u) << "the manager never writes the code into the event";
}

TEST_F(EventQueueing, OnlyTheCurrentStackGrowsBetweenDispatches)
{
    Listener listener;
    listen(Ping, listener);
    const int count = static_cast<int>(EventManager::STARTING_STACK_SIZE / sizeof(CountedEvent)) + 1;
    for (int i = 0; i < count; ++i) {
        queue(Ping, i, "#" + std::to_string(i));
    }
    EXPECT_EQ(events().stack(0).size(), 65534u);
    EXPECT_EQ(events().stack(1).size(), 32767u);

    EventManager::PushAllEvents();
    EXPECT_EQ(listener.received, ids(0, count));
    EXPECT_EQ(events().stack(0).used(), 0u);
    EXPECT_EQ(events().stack(1).size(), 32767u) << "nothing grew during the dispatch";
}

TEST_F(EventQueueing, ThousandsOfLargeEventsArriveOnceInOrderAndIntact)
{
    constexpr int Count = 5000;
    auto text = [](int i) { return std::to_string(i) + std::string(2048, static_cast<char>('a' + i % 26)); };

    Listener first;
    Listener second;
    std::vector<int> broken;
    first.onEvent = [&](Orva::BaseEvent* e) {
        const auto* event = static_cast<CountedEvent*>(e);
        if (event->text != text(event->id)) {
            broken.push_back(event->id);
        }
        // Every delivered event queues one more, under another code, for the next dispatch.
        queue(Pong, Count + event->id, text(Count + event->id));
    };
    second.onEvent = [&](Orva::BaseEvent* e) {
        const auto* event = static_cast<CountedEvent*>(e);
        if (event->text != text(event->id)) {
            broken.push_back(event->id);
        }
    };
    listen(Ping, first);
    listen(Pong, second);

    for (int i = 0; i < Count; ++i) {
        queue(Ping, i, text(i));
    }
    const std::size_t grownFirst = events().stack(0).size();
    EXPECT_GT(grownFirst, 65534u);

    EventManager::PushAllEvents();
    EXPECT_EQ(first.received, ids(0, Count));
    EXPECT_TRUE(second.received.empty());
    EXPECT_EQ(events().stack(1).size(), grownFirst) << "the filled stack grew while delivering";
    EXPECT_EQ(events().stack(0).size(), 2 * grownFirst) << "so the stack just emptied doubles too";

    EventManager::PushAllEvents();
    EXPECT_EQ(second.received, ids(Count, Count));
    EXPECT_EQ(first.received.size(), static_cast<std::size_t>(Count));
    EXPECT_TRUE(broken.empty());
    EXPECT_EQ(CountedEvent::alive, 0);
}

using EventListeners = EventTest;

TEST_F(EventListeners, ListenersAreCalledInRegistrationOrder)
{
    std::vector<char> order;
    Listener a, b, c;
    a.onEvent = [&](Orva::BaseEvent*) { order.push_back('a'); };
    b.onEvent = [&](Orva::BaseEvent*) { order.push_back('b'); };
    c.onEvent = [&](Orva::BaseEvent*) { order.push_back('c'); };
    listen(Ping, a);
    listen(Ping, b);
    listen(Ping, c);
    queue(Ping, 1);
    EventManager::PushAllEvents();
    EXPECT_EQ(order, (std::vector<char>{'a', 'b', 'c'}));

    // Removing the first moves the last into its place.
    events().StopListeningToEvent(Ping, &a);
    order.clear();
    queue(Ping, 2);
    EventManager::PushAllEvents();
    EXPECT_EQ(order, (std::vector<char>{'c', 'b'}));
    EXPECT_TRUE(a.callbacks.subscriptions().empty());
}

TEST_F(EventListeners, OneRemovalTakesOnlyTheFirstOfAnOwnersTwoHolders)
{
    Listener owner;
    listen(Ping, owner);
    listen(Ping, owner);
    queue(Ping, 1);
    EventManager::PushAllEvents();
    EXPECT_EQ(owner.received, (std::vector<int>{1, 1}));

    events().stopListening(&owner.callbacks, Ping);
    queue(Ping, 2);
    EventManager::PushAllEvents();
    EXPECT_EQ(owner.received, (std::vector<int>{1, 1, 2}));
    ASSERT_NE(events().liveListenersOf(Ping), nullptr);
    EXPECT_EQ(events().liveListenersOf(Ping)->size(), 1u);
}

TEST_F(EventListeners, AListenerThatStopsItselfGetsTheRestOfTheDispatchAndNothingAfter)
{
    Listener self;
    self.onEvent = [&](Orva::BaseEvent*) {
        if (self.received.size() == 1) {
            events().StopListeningToEvent(Ping, &self);
        }
    };
    Listener other;
    listen(Ping, self);
    listen(Ping, other);
    queue(Ping, 1);
    queue(Ping, 2);
    queue(Ping, 3);
    EventManager::PushAllEvents();
    EXPECT_EQ(self.received, (std::vector<int>{1, 2, 3}));

    queue(Ping, 4);
    EventManager::PushAllEvents();
    EXPECT_EQ(self.received, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(other.received, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(EventListeners, ChangesDuringADispatchWaitForTheNextOne)
{
    Listener late;
    Listener trigger;
    trigger.onEvent = [&](Orva::BaseEvent*) {
        if (trigger.received.size() == 1) {
            listen(Ping, late);
            queue(Ping, 10);
        }
    };
    listen(Ping, trigger);
    queue(Ping, 1);
    queue(Ping, 2);
    EventManager::PushAllEvents();
    EXPECT_TRUE(late.received.empty()) << "registered during the dispatch, called from the next";
    EXPECT_EQ(trigger.received, (std::vector<int>{1, 2}));

    EventManager::PushAllEvents();
    EXPECT_EQ(late.received, std::vector<int>{10});
    EXPECT_EQ(trigger.received, (std::vector<int>{1, 2, 10}));
}

namespace {

struct TwoHandlers
{
    Orva::EventCallbackObject callbacks;
    std::vector<char> calls;
    Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }
    void older(Orva::BaseEvent*) { calls.push_back('o'); }
    void newer(Orva::BaseEvent*) { calls.push_back('n'); }
};

} // namespace

TEST_F(EventListeners, AListenAndAStopBeforeOneDispatchCancelOutAndTheOlderHolderGoes)
{
    TwoHandlers owner;
    events().ListenToEvent(Ping, Orva::FunctionHolder(&owner, &TwoHandlers::older));
    EventManager::PushAllEvents();

    events().ListenToEvent(Ping, Orva::FunctionHolder(&owner, &TwoHandlers::newer));
    events().stopListening(&owner.callbacks, Ping);
    queue(Ping, 1);
    EventManager::PushAllEvents();
    EXPECT_EQ(owner.calls, std::vector<char>{'n'});
    EXPECT_EQ(events().liveListenersOf(Ping)->size(), 1u);
}

TEST_F(EventListeners, ClearingARecordRemovesEveryListenerAndAllowsSubscribingAgain)
{
    Listener owner;
    listen(Ping, owner);
    listen(Pong, owner);
    EventManager::PushAllEvents();
    ASSERT_EQ(owner.callbacks.subscriptions().size(), 2u);

    const std::string subscriptionType = Orva::typeName<Orva::EventCallbackObject::Subscription>();
    ASSERT_EQ(manager().liveCount(subscriptionType), 2);
    owner.callbacks.clearEvents();
    EXPECT_TRUE(owner.callbacks.subscriptions().empty());
    EXPECT_EQ(manager().liveCount(subscriptionType), 0) << "a cleared record holds no pooled storage";
    queue(Ping, 1);
    EventManager::PushAllEvents();
    EXPECT_TRUE(owner.received.empty());

    listen(Ping, owner);
    queue(Ping, 2);
    EventManager::PushAllEvents();
    EXPECT_EQ(owner.received, std::vector<int>{2});
}

TEST_F(EventListeners, DestroyingAnOwnerBetweenDispatchesRemovesItsListeners)
{
    auto owner = std::make_unique<Listener>();
    listen(Ping, *owner);
    listen(Pong, *owner);
    EventManager::PushAllEvents();
    owner.reset();
    queue(Ping, 1);
    queue(Pong, 2);
    EventManager::PushAllEvents();
    EXPECT_TRUE(events().liveListenersOf(Ping)->empty());
    EXPECT_TRUE(events().liveListenersOf(Pong)->empty());
}

TEST_F(EventListeners, AnEmptyHolderIsNotRegistered)
{
    Orva::FunctionHolder empty;
    events().ListenToEvent(Ping, std::move(empty));
    queue(Ping, 1);
    EXPECT_EQ(CountedEvent::alive, 0);
    EXPECT_EQ(events().pendingListenersOf(Ping), nullptr);
}

using EventFailures = EventTest;

TEST_F(EventFailures, AThrowingListenerDoesNotStopTheRestOfTheDispatch)
{
    Listener thrower;
    thrower.onEvent = [&](Orva::BaseEvent* e) {
        if (static_cast<CountedEvent*>(e)->id != 3) {
            throw std::runtime_error("listener failed on " +
                                     std::to_string(static_cast<CountedEvent*>(e)->id));
        }
    };
    Listener after;
    listen(Ping, thrower);
    listen(Ping, after);
    queue(Ping, 1);
    queue(Ping, 2);
    queue(Ping, 3);

    try {
        EventManager::PushAllEvents();
        ADD_FAILURE() << "the dispatch has to report the failure";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "listener failed on 1") << "the first failure is the one rethrown";
    }
    EXPECT_EQ(after.received, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(thrower.received, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(CountedEvent::alive, 0) << "the delivered events are destroyed once";
    EXPECT_EQ(events().stack(0).used(), 0u);

    queue(Ping, 3);
    EventManager::PushAllEvents();
    EventManager::PushAllEvents();
    EXPECT_EQ(after.received, (std::vector<int>{1, 2, 3, 3})) << "nothing is delivered twice";
}

TEST_F(EventFailures, AnOwnerDeletedByAnEarlierListenerIsNotCalled)
{
    auto victim = std::make_unique<Listener>();
    bool victimCalled = false;
    victim->onEvent = [&](Orva::BaseEvent*) { victimCalled = true; };
    Listener killer;
    killer.onEvent = [&](Orva::BaseEvent*) { victim.reset(); };
    Listener bystander;
    listen(Ping, killer);
    listen(Ping, *victim);
    listen(Ping, bystander);
    EventManager::PushAllEvents();

    queue(Ping, 1);
    EventManager::PushAllEvents();
    EXPECT_FALSE(victimCalled);
    EXPECT_EQ(bystander.received, std::vector<int>{1});
    queue(Ping, 2);
    EventManager::PushAllEvents();
    EXPECT_EQ(events().liveListenersOf(Ping)->size(), 2u);
}

TEST_F(EventFailures, AnOwnerThatStoppedAndThenDiesInOneDispatchIsNotCalled)
{
    auto victim = std::make_unique<Listener>();
    bool victimCalled = false;
    victim->onEvent = [&](Orva::BaseEvent*) { victimCalled = true; };
    Listener killer;
    killer.onEvent = [&](Orva::BaseEvent*) {
        if (victim) {
            events().StopListeningToEvent(Ping, victim.get());
            victim.reset();
        }
    };
    listen(Ping, killer);
    listen(Ping, *victim);
    EventManager::PushAllEvents();

    queue(Ping, 1);
    EventManager::PushAllEvents();
    EXPECT_FALSE(victimCalled);
    EventManager::PushAllEvents();
    EXPECT_EQ(events().liveListenersOf(Ping)->size(), 1u);
}

TEST_F(EventFailures, ANewOwnerAtADeletedOwnersAddressKeepsItsOwnListener)
{
    alignas(Listener) unsigned char storage[sizeof(Listener)];
    auto* a = ::new (storage) Listener;
    bool aCalled = false;
    a->onEvent = [&](Orva::BaseEvent*) { aCalled = true; };
    Listener* b = nullptr;

    Listener replacer;
    replacer.onEvent = [&](Orva::BaseEvent*) {
        if (b) {
            return;
        }
        a->~Listener();
        b = ::new (storage) Listener;
        listen(Ping, *b);
    };
    // An owner ahead of A leaves in the same dispatch; its removal, applied first, moves
    // B's holder ahead of A's. A's removal must still take A's holder.
    Listener leaving;
    leaving.onEvent = [&](Orva::BaseEvent*) { events().StopListeningToEvent(Ping, &leaving); };
    listen(Ping, leaving);
    listen(Ping, replacer);
    listen(Ping, *a);
    EventManager::PushAllEvents();

    queue(Ping, 1);
    EventManager::PushAllEvents();
    EXPECT_FALSE(aCalled);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->received.empty());

    queue(Ping, 2);
    EventManager::PushAllEvents();
    queue(Ping, 3);
    EventManager::PushAllEvents();
    EXPECT_FALSE(aCalled);
    EXPECT_EQ(b->received, (std::vector<int>{2, 3}));
    EXPECT_EQ(leaving.received, std::vector<int>{1});
    b->~Listener();
}

TEST_F(EventFailures, ACopyOfAnEventThatThrowsIsNotQueued)
{
    struct Refusing : Orva::BaseEvent
    {
        Refusing() = default;
        Refusing(const Refusing&) : BaseEvent() { throw std::runtime_error("no copy"); }
    };
    Listener listener;
    listen(Ping, listener);
    queue(Ping, 1);
    const std::size_t used = events().stack(0).used();
    EXPECT_THROW(events().queueEvent(Ping, Refusing()), std::runtime_error);
    EXPECT_EQ(events().stack(0).entries().size(), 1u);
    EXPECT_EQ(events().stack(0).used(),
              (used + alignof(Refusing) - 1) / alignof(Refusing) * alignof(Refusing))
        << "only the alignment gap is taken";
    EventManager::PushAllEvents();
    EXPECT_EQ(listener.received, std::vector<int>{1});
}

class EventAnalytics : public EventTest
{
protected:
    void SetUp() override
    {
        EventTest::SetUp();
        Orva::Analytic::DataAnalyticManager::createInstance();
    }
    void TearDown() override
    {
        Orva::Analytic::DataAnalyticManager::destroyInstance();
        EventTest::TearDown();
    }
    static Orva::Analytic::DataAnalyticManager& analytics()
    {
        return Orva::Analytic::DataAnalyticManager::getInstance();
    }
};

TEST_F(EventAnalytics, CountersMoveOnlyWhileTrackingIsOn)
{
    const std::uint32_t code = EventNameDetails::EventToHash("AnalyticsProbe");
    Listener listener;
    listen(code, listener);
    queue(code, 1);
    EventManager::PushAllEvents();
    EXPECT_TRUE(analytics().getEventData().empty());

    analytics().enableEventTracking();
    queue(code, 2);
    queue(code, 3);
    queue(Pong + 1, 4); // nobody listens: neither queued nor counted
    EventManager::PushAllEvents();
    const auto& record = analytics().getEventData().at("AnalyticsProbe");
    EXPECT_EQ(record.pushCount, 2u);
    EXPECT_EQ(record.sendCount, 2u);
    EXPECT_EQ(analytics().getEventData().size(), 1u);

    analytics().disableEventTracking();
    queue(code, 5);
    EventManager::PushAllEvents();
    EXPECT_EQ(record.pushCount, 2u);
    EXPECT_EQ(record.sendCount, 2u);
}

TEST_F(EventAnalytics, AnEventLeftWithoutListenersIsStillCountedAsSent)
{
    // A code that no name was hashed to.
    const std::uint32_t unnamed = 0x0BADC0DEu;
    Listener listener;
    listen(unnamed, listener);
    analytics().enableEventTracking();
    queue(unnamed, 1);
    events().StopListeningToEvent(unnamed, &listener);
    EventManager::PushAllEvents();
    EXPECT_TRUE(listener.received.empty());
    const auto& record = analytics().getEventData().at("Event name not added yet.");
    EXPECT_EQ(record.pushCount, 1u);
    EXPECT_EQ(record.sendCount, 1u);
}

TEST_F(EventAnalytics, TheSwitchIsReadOnceForAWholeDispatch)
{
    const std::uint32_t code = EventNameDetails::EventToHash("AnalyticsSwitch");
    Listener listener;
    listener.onEvent = [&](Orva::BaseEvent*) { analytics().enableEventTracking(); };
    listen(code, listener);
    queue(code, 1);
    queue(code, 2);
    EventManager::PushAllEvents();
    EXPECT_TRUE(analytics().getEventData().empty());
}

TEST_F(EventAnalytics, AnalyticsDestroyedByAListenerAreNotCountedInAfterwards)
{
    const std::uint32_t code = EventNameDetails::EventToHash("AnalyticsGone");
    Listener listener;
    listener.onEvent = [&](Orva::BaseEvent*) { Orva::Analytic::DataAnalyticManager::destroyInstance(); };
    listen(code, listener);
    analytics().enableEventTracking();
    queue(code, 1);
    queue(code, 2);
    EventManager::PushAllEvents();
    EXPECT_EQ(listener.received, (std::vector<int>{1, 2}));
    EXPECT_FALSE(Orva::Analytic::DataAnalyticManager::hasInstance());
}

using EventTeardown = EventTest;

TEST_F(EventTeardown, DestroyingTheManagerFreesEveryHolderAndQueuedEvent)
{
    Listener owner;
    listen(Ping, owner);
    EventManager::PushAllEvents();
    listen(Pong, owner);
    queue(Ping, 1, std::string(100, 'x'));
    queue(Pong, 2);
    events().stopListening(&owner.callbacks, Pong);
    const std::string before = dump();
    EXPECT_NE(before.find("FunctionHolder"), std::string::npos) << before;
    EXPECT_NE(before.find("EventStack::Entry"), std::string::npos) << before;
    EXPECT_NE(before.find("::Removal"), std::string::npos) << before;

    EventManager::destroyInstance();
    EXPECT_EQ(CountedEvent::alive, 0);
    const std::string after = dump();
    EXPECT_EQ(after.find("FunctionHolder"), std::string::npos) << after;
    EXPECT_EQ(after.find("EventStack::Entry"), std::string::npos) << after;
    EXPECT_EQ(after.find("::Removal"), std::string::npos) << after;

    // The owner outlives the manager; its record must not call into the freed manager.
    owner.callbacks.clearEvents();
    EXPECT_TRUE(owner.callbacks.subscriptions().empty());
}
