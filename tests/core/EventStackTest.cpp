#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "EventFixture.h"
#include "core/EventStack.h"

using EventProbe::CountedEvent;
using Orva::EventStack;

namespace {

// Has no move constructor, and its copy can be made to fail.
struct FragileEvent : Orva::BaseEvent
{
    static inline int copiesBeforeFailure = -1;

    explicit FragileEvent(std::string text) : text(std::move(text)) {}
    FragileEvent(const FragileEvent& other) : BaseEvent(other), text(other.text)
    {
        if (copiesBeforeFailure == 0) {
            throw std::runtime_error("copy failed");
        }
        --copiesBeforeFailure;
    }

    std::string text;
};

template <class E> E* place(EventStack& stack, std::uint32_t code, const E& event)
{
    std::byte* block = stack.allocate(sizeof(E), alignof(E));
    E* copy = ::new (static_cast<void*>(block)) E(event);
    stack.list(code, copy, &EventStack::relocate<E>);
    return copy;
}

std::size_t offsetOf(const EventStack& stack, const void* p)
{
    return static_cast<std::size_t>(static_cast<const std::byte*>(p) - stack.base());
}

} // namespace

using EventStacks = PooledTest;

TEST_F(EventStacks, BlocksStartAtTheNextMultipleOfTheirAlignment)
{
    EventStack stack(0x7FFF);
    EXPECT_EQ(offsetOf(stack, stack.allocate(16, 8)), 0u) << "the first block starts the stack";

    EventStack tenInUse(0x7FFF);
    tenInUse.allocate(10, 1);
    EXPECT_EQ(offsetOf(tenInUse, tenInUse.allocate(16, 8)), 16u);

    EventStack twelveInUse(0x7FFF);
    twelveInUse.allocate(12, 1);
    EXPECT_EQ(offsetOf(twelveInUse, twelveInUse.allocate(4, 4)), 12u);
    EXPECT_EQ(offsetOf(twelveInUse, twelveInUse.allocate(8, 8)), 16u);
    EXPECT_EQ(twelveInUse.used(), 24u);
}

TEST_F(EventStacks, ABlockExactlyFillingTheRestNeedsNoGrowth)
{
    EventStack stack(0x7FFF);
    stack.allocate(10, 1);
    stack.allocate(8, 8);
    ASSERT_EQ(stack.used(), 24u);

    stack.allocate(0x7FFF - 24, 1);
    EXPECT_EQ(stack.size(), 0x7FFFu);
    EXPECT_EQ(stack.used(), 0x7FFFu);

    std::byte* next = stack.allocate(1, 1);
    EXPECT_EQ(stack.size(), 0xFFFEu) << "growth only doubles";
    EXPECT_EQ(offsetOf(stack, next), 0x7FFFu);
}

TEST_F(EventStacks, GrowthMovesEveryEventToItsOffsetInQueueOrder)
{
    CountedEvent::alive = 0;
    {
        EventStack stack(64);
        std::vector<std::size_t> offsets;
        // Short texts live inside the event itself: a byte copy would leave them pointing
        // into the freed buffer.
        for (int i = 0; i < 12; ++i) {
            CountedEvent event(i, "e" + std::to_string(i));
            event.hashCode = 1000u + i;
            offsets.push_back(offsetOf(stack, place(stack, 7u + i, event)));
        }
        EXPECT_GE(stack.size(), 12 * sizeof(CountedEvent));
        EXPECT_EQ(CountedEvent::alive, 12) << "the old copies are destroyed once moved";

        ASSERT_EQ(stack.entries().size(), 12u);
        for (int i = 0; i < 12; ++i) {
            const auto& entry = stack.entries()[i];
            const auto* event = static_cast<const CountedEvent*>(entry.event);
            EXPECT_EQ(entry.code, 7u + i);
            EXPECT_EQ(offsetOf(stack, event), offsets[i]);
            EXPECT_EQ(event->id, i);
            EXPECT_EQ(event->text, "e" + std::to_string(i));
            EXPECT_EQ(event->hashCode, 1000u + i);
        }
        stack.clear();
        EXPECT_EQ(CountedEvent::alive, 0);
        EXPECT_EQ(stack.used(), 0u);
    }
}

TEST_F(EventStacks, AFailedGrowthLeavesTheStackAsItWas)
{
    EventStack stack(sizeof(FragileEvent) * 3);
    FragileEvent::copiesBeforeFailure = -1;
    for (int i = 0; i < 3; ++i) {
        place(stack, 1, FragileEvent("kept " + std::to_string(i)));
    }
    const std::byte* base = stack.base();
    const std::size_t used = stack.used();

    FragileEvent::copiesBeforeFailure = 2;
    EXPECT_THROW(stack.grow(), std::runtime_error);
    FragileEvent::copiesBeforeFailure = -1;

    EXPECT_EQ(stack.base(), base);
    EXPECT_EQ(stack.size(), sizeof(FragileEvent) * 3);
    EXPECT_EQ(stack.used(), used);
    ASSERT_EQ(stack.entries().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(static_cast<FragileEvent*>(stack.entries()[i].event)->text, "kept " + std::to_string(i));
    }

    stack.grow();
    EXPECT_EQ(static_cast<FragileEvent*>(stack.entries()[2].event)->text, "kept 2");
}
