#include <gtest/gtest.h>

#include <string>

#include "core/BaseEvent.h"

using Orva::BaseEvent;
using Orva::EventNameDetails;

TEST(EventNames, HashIsThePublishedFnv1aOverEveryByte)
{
    EXPECT_EQ(EventNameDetails::EventToHash(""), 0x811C9DC5u);
    EXPECT_EQ(EventNameDetails::EventToHash("a"), 0xE40C292Cu);
    EXPECT_EQ(EventNameDetails::EventToHash("LoadResource"), 0xAA8CA8F9u);
    EXPECT_EQ(EventNameDetails::EventToHash("WindowResizeEvent"), 0xD829AC33u);
    EXPECT_EQ(EventNameDetails::EventToHash("LUA_EXCEPTION"), 0x35FFD7F3u);
    // Bytes of 0x80 and more count as unsigned, and an embedded NUL is hashed like any byte.
    EXPECT_EQ(EventNameDetails::EventToHash(std::string(1, '\xE9')), 0x6C0B6C44u);
    EXPECT_EQ(EventNameDetails::EventToHash(std::string("a\0b", 3)), 0x10F3ABD2u);
    EXPECT_NE(EventNameDetails::EventToHash(std::string("a\0b", 3)), EventNameDetails::EventToHash("a"));
}

TEST(EventNames, ARecordedNameIsFoundAgainUnderItsCode)
{
    const std::uint32_t code = EventNameDetails::EventToHash("WindowFocusEvent");
    EXPECT_EQ(EventNameDetails::EventToHash("WindowFocusEvent"), code);
    EXPECT_EQ(EventNameDetails::HashToEvent(code), "WindowFocusEvent");
    EXPECT_EQ(EventNameDetails::EventToHash(""), EventNameDetails::OffsetBasis);
    EXPECT_EQ(EventNameDetails::HashToEvent(EventNameDetails::OffsetBasis), "")
        << "the empty name is recorded";
}

TEST(EventNames, AnUnknownCodeHasTheFixedTextUntilSomebodyHashesItsName)
{
    // The code of "EventNameTest.unheard", which nothing else hashes.
    const std::uint32_t code = 0xE6EE0847u;
    EXPECT_EQ(EventNameDetails::HashToEvent(code), "Event name not added yet.");
    EXPECT_EQ(EventNameDetails::HashToEvent(code).size(), 25u);
    EXPECT_EQ(EventNameDetails::EventToHash("EventNameTest.unheard"), code);
    EXPECT_EQ(EventNameDetails::HashToEvent(code), "EventNameTest.unheard");
}

TEST(EventNames, BetweenCollidingNamesTheLastOneHashedWins)
{
    const std::uint32_t first = EventNameDetails::EventToHash("costarring");
    const std::uint32_t second = EventNameDetails::EventToHash("liquid");
    ASSERT_EQ(first, 0x5E4DAA9Du);
    ASSERT_EQ(second, first);
    EXPECT_EQ(EventNameDetails::HashToEvent(0x5E4DAA9Du), "liquid");
    EventNameDetails::EventToHash("costarring");
    EXPECT_EQ(EventNameDetails::HashToEvent(0x5E4DAA9Du), "costarring");
}

namespace {

struct Tagged : BaseEvent
{
    int payload = 0;
};

} // namespace

TEST(BaseEvents, CopyingCarriesTheCodeAndAssignmentNothingElse)
{
    EXPECT_EQ(BaseEvent().hashCode, 0u);

    Tagged source;
    source.hashCode = 77;
    source.payload = 5;
    const Tagged copy(source);
    EXPECT_EQ(copy.hashCode, 77u);
    EXPECT_EQ(copy.payload, 5);

    Tagged target;
    target.payload = 9;
    static_cast<BaseEvent&>(target) = static_cast<const BaseEvent&>(source);
    EXPECT_EQ(target.hashCode, 77u);
    EXPECT_EQ(target.payload, 9) << "the base assignment must leave the derived part alone";
}
