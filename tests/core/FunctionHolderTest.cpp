#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "EventFixture.h"
#include "core/Random.h"
#include "core/TypeName.h"

using Orva::BaseEvent;
using Orva::EventCallbackObject;
using Orva::FunctionHolder;

namespace HolderProbe {

struct Target
{
    EventCallbackObject callbacks;
    std::vector<std::string> calls;
    EventCallbackObject& getEventCallbackObject() { return callbacks; }
    void first(BaseEvent* event) { calls.push_back("first:" + std::to_string(event ? event->hashCode : 0)); }
    void second(BaseEvent*) { calls.push_back("second"); }
};

// Records every request; never live in any list of its own.
struct RecordingSender : Orva::IEventSender
{
    std::vector<std::pair<const EventCallbackObject*, std::uint32_t>> stops;
    std::vector<const EventCallbackObject*> destroyed;
    void stopListening(EventCallbackObject* owner, std::uint32_t code) override
    {
        stops.emplace_back(owner, code);
    }
    void ownerDestroyed(const EventCallbackObject* owner) override { destroyed.push_back(owner); }
};

} // namespace HolderProbe

using namespace HolderProbe;

class FunctionHolders : public PooledTest
{
protected:
    int liveCallables() const
    {
        return manager().liveCount(Orva::typeName<FunctionHolder::MemberFunctionHolder<Target>>());
    }
    const Orva::MemoryPoolManager& manager() const { return Orva::MemoryPoolManager::getInstance(); }
};

TEST_F(FunctionHolders, AMoveHandsTheCallableOverAndEachOneDiesOnce)
{
    Target target;
    {
        FunctionHolder holder(&target, &Target::first);
        EXPECT_EQ(liveCallables(), 1);
        FunctionHolder moved(std::move(holder));
        EXPECT_FALSE(holder);
        EXPECT_TRUE(moved);
        EXPECT_EQ(liveCallables(), 1);

        FunctionHolder other(&target, &Target::second);
        EXPECT_EQ(liveCallables(), 2);
        other = std::move(moved);
        EXPECT_EQ(liveCallables(), 1) << "assignment destroys the callable it replaces";
        other = std::move(other);
        EXPECT_TRUE(other) << "a self-move keeps the callable";

        BaseEvent event;
        event.hashCode = 4;
        other->call(&event);
    }
    EXPECT_EQ(liveCallables(), 0);
    EXPECT_EQ(target.calls, std::vector<std::string>{"first:4"});

    FunctionHolder empty;
    EXPECT_FALSE(empty.clone());
}

TEST_F(FunctionHolders, ACloneCallsTheSameMemberOfTheSameObject)
{
    Target target;
    FunctionHolder original(&target, &Target::second);
    {
        FunctionHolder copy = original.clone();
        EXPECT_EQ(liveCallables(), 2);
        EXPECT_NE(copy.callable(), original.callable());
        copy->call(nullptr);
    }
    EXPECT_EQ(liveCallables(), 1);
    original->call(nullptr);
    EXPECT_EQ(target.calls, (std::vector<std::string>{"second", "second"}));
}

TEST_F(FunctionHolders, OwnershipIsTheAddressOfTheTargetsRecord)
{
    Target target;
    Target other;
    FunctionHolder a(&target, &Target::first);
    FunctionHolder b(&target, &Target::second);
    EXPECT_TRUE(a->isOwnedBy(&target.callbacks));
    EXPECT_TRUE(b->isOwnedBy(&target.callbacks));
    EXPECT_FALSE(a->isOwnedBy(&other.callbacks));
    EXPECT_FALSE(a->isOwnedBy(nullptr));
}

TEST_F(FunctionHolders, EachSubscriptionIsAppendedToTheOwnersRecord)
{
    RecordingSender sender;
    {
        Target target;
        FunctionHolder holder(&target, &Target::first);
        holder->addEventCallback(7, &sender);
        holder->addEventCallback(7, &sender);
        holder->addEventCallback(9, &sender);
        const auto& records = target.callbacks.subscriptions();
        ASSERT_EQ(records.size(), 3u);
        EXPECT_EQ(records[0], (EventCallbackObject::Subscription{7, &sender}));
        EXPECT_EQ(records[1], (EventCallbackObject::Subscription{7, &sender}));
        EXPECT_EQ(records[2], (EventCallbackObject::Subscription{9, &sender}));
    }
    ASSERT_EQ(sender.stops.size(), 3u) << "the owner's end asks once per record, in order";
    EXPECT_EQ(sender.stops[2].second, 9u);
}

TEST_F(FunctionHolders, HoldersAreCountedUnderTheirOwnName)
{
    Target target;
    auto* single = new FunctionHolder(&target, &Target::first);
    auto* several = new FunctionHolder[3];
    EXPECT_EQ(manager().liveCount("Orva::FunctionHolder"), 4);
    delete single;
    delete[] several;
    EXPECT_EQ(manager().liveCount("Orva::FunctionHolder"), 0);
    EXPECT_EQ(liveCallables(), 0);
}

using SubscriptionRecords = PooledTest;

TEST_F(SubscriptionRecords, ClearingAsksEveryLiveSenderInOrderAndKeepsTheRecordUsable)
{
    RecordingSender first;
    EventCallbackObject record;
    {
        RecordingSender gone;
        record.addSubscription(1, &first);
        record.addSubscription(2, &gone);
        record.addSubscription(3, &first);
        EXPECT_TRUE(Orva::IEventSender::isLive(&gone));
    }
    record.clearEvents();
    EXPECT_TRUE(record.subscriptions().empty());
    ASSERT_EQ(first.stops.size(), 2u) << "a destroyed sender is skipped, never called";
    EXPECT_EQ(first.stops[0], std::make_pair(static_cast<const EventCallbackObject*>(&record), 1u));
    EXPECT_EQ(first.stops[1].second, 3u);
    EXPECT_TRUE(first.destroyed.empty()) << "clearing is not the owner's end";

    record.addSubscription(4, &first);
    EXPECT_TRUE(record.removeSubscription(4, &first));
    EXPECT_FALSE(record.removeSubscription(4, &first));
}

TEST_F(SubscriptionRecords, TheOwnersEndIsToldToEveryLiveSender)
{
    RecordingSender subscribed;
    RecordingSender unrelated;
    auto record = std::make_unique<EventCallbackObject>();
    // Kept as a number: the record is gone when it is compared.
    const auto address = reinterpret_cast<std::uintptr_t>(record.get());
    record->addSubscription(5, &subscribed);
    record.reset();
    ASSERT_EQ(subscribed.stops.size(), 1u);
    ASSERT_EQ(subscribed.destroyed.size(), 1u);
    ASSERT_EQ(unrelated.destroyed.size(), 1u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(subscribed.destroyed[0]), address);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(unrelated.destroyed[0]), address);
    EXPECT_TRUE(unrelated.stops.empty());
}

// Many records of a few kinds, added in runs and interleaved, dropped and added at random:
// each drop takes the first equal record, the rest keep their order, and the owner's end asks
// once for each record left.
TEST_F(SubscriptionRecords, DropsTakeTheFirstEqualRecordAndKeepTheOrderOfTheRest)
{
    RecordingSender senders[2];
    std::vector<EventCallbackObject::Subscription> model;
    auto record = std::make_unique<EventCallbackObject>();
    const auto add = [&](std::uint32_t code, RecordingSender& sender) {
        record->addSubscription(code, &sender);
        model.emplace_back(code, &sender);
    };
    for (int i = 0; i < 300; ++i) {
        add(1, senders[0]);
        add(2, senders[i % 2]);
    }
    for (int i = 0; i < 300; ++i) {
        add(3, senders[0]);
    }
    Orva::srand(47);
    for (int step = 0; step < 2000; ++step) {
        const auto code = static_cast<std::uint32_t>(Orva::rand() % 4);
        RecordingSender& sender = senders[Orva::rand() % 2];
        if (Orva::rand() % 4 == 0) {
            add(code, sender);
            continue;
        }
        const auto first =
            std::find(model.begin(), model.end(), EventCallbackObject::Subscription{code, &sender});
        ASSERT_EQ(record->removeSubscription(code, &sender), first != model.end()) << "step " << step;
        if (first != model.end()) {
            model.erase(first);
        }
        ASSERT_EQ(record->subscriptions(), EventCallbackObject::SubscriptionList(model.begin(), model.end()))
            << "step " << step;
    }
    ASSERT_FALSE(model.empty());
    record.reset();
    EXPECT_EQ(senders[0].stops.size() + senders[1].stops.size(), model.size());
}

TEST_F(SubscriptionRecords, ACopyStartsEmptyAndAssignmentKeepsTheTargetsOwnList)
{
    RecordingSender sender;
    {
        EventCallbackObject original;
        original.addSubscription(1, &sender);
        EventCallbackObject copy(original);
        EXPECT_TRUE(copy.subscriptions().empty());

        EventCallbackObject target;
        target.addSubscription(2, &sender);
        target = original;
        ASSERT_EQ(target.subscriptions().size(), 1u);
        EXPECT_EQ(target.subscriptions().front().first, 2u);
    }
    EXPECT_EQ(sender.stops.size(), 2u) << "each subscription is withdrawn once";

    RecordingSender copiedSender(sender);
    EXPECT_TRUE(Orva::IEventSender::isLive(&copiedSender));
}
