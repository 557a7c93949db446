#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <sstream>
#include <string>

#include "PoolFixture.h"
#include "core/MemoryPoolManager.h"

using Orva::MemoryPool;
using Orva::MemoryPoolManager;

namespace {

const std::string rule = "===============================================";
const std::string objectsHeading = "Memory manager printing list of objects that are not yet freed.";
const std::string poolsHeading = "Memory manager printing list of memory that are not yet freed.";

std::string lines(std::initializer_list<std::string> each)
{
    std::string text;
    for (const std::string& line : each) {
        text += line + '\n';
    }
    return text;
}

} // namespace

using MemoryDump = PooledTest;

TEST_F(MemoryDump, OfAFreshManagerIsFiveLines)
{
    EXPECT_EQ(dump(), lines({rule, objectsHeading, poolsHeading, "End of memory dump", rule}));
}

TEST_F(MemoryDump, ListsTheTypeAndEverySlotOfTheSharedSmallPool)
{
    void* block = manager().allocateBlock("Probe", 3, 1);
    EXPECT_EQ(dump(), lines({rule, objectsHeading, "\tProbe has : 1 number of intance(s) not freed.", "",
                             poolsHeading, "Pool size 0 has 1 item(s) in use.", "",
                             "Pool size 1 has 1 item(s) in use.", "", "Pool size 2 has 1 item(s) in use.", "",
                             "Pool size 3 has 1 item(s) in use.", "", "Pool size 4 has 1 item(s) in use.", "",
                             "End of memory dump", rule}));
    manager().freeBlock("Probe", block, 3, 1);
    // A type whose instances are all released keeps its entry at 0 and drops out.
    EXPECT_EQ(manager().liveCount("Probe"), 0);
    EXPECT_EQ(dump(), lines({rule, objectsHeading, poolsHeading, "End of memory dump", rule}));
}

TEST_F(MemoryDump, ReportsNegativeCountsAndExactSizePoolsBySlot)
{
    manager().adjustLiveCount("Overreleased", -2);
    void* block = manager().allocateBlock("Seven", 7, 1);
    const std::string text = dump();
    EXPECT_NE(text.find("\tOverreleased has : -2 number of intance(s) not freed.\n\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\tSeven has : 1 number of intance(s) not freed.\n\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Pool size 7 has 1 item(s) in use.\n\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Pool size 4"), std::string::npos) << text;
    manager().freeBlock("Seven", block, 7, 1);
}

using PoolManager = PooledTest;

TEST_F(PoolManager, SizesZeroToFourShareOnePoolAndTinySizesArePointerWide)
{
    MemoryPool* shared = manager().poolForSize(4);
    for (std::size_t bytes : {0, 1, 2, 3}) {
        EXPECT_EQ(manager().poolForSize(bytes), shared) << bytes;
        EXPECT_EQ(manager().poolInSlot(bytes), shared) << bytes;
    }
    EXPECT_EQ(shared->blockSize(), sizeof(void*));
    for (std::size_t bytes : {5, 6, 7}) {
        MemoryPool* own = manager().poolForSize(bytes);
        EXPECT_NE(own, shared) << bytes;
        EXPECT_EQ(own->blockSize(), sizeof(void*)) << bytes;
    }
}

TEST_F(PoolManager, MakesEachExactSizePoolOnFirstUseOnly)
{
    EXPECT_EQ(manager().poolInSlot(9), nullptr);
    MemoryPool* pool = manager().poolForSize(9);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->blockSize(), 9u);
    EXPECT_EQ(pool->blocksPerChunk(), 128u);
    EXPECT_EQ(manager().poolForSize(9), pool);
    EXPECT_EQ(manager().poolInSlot(9), pool);
}

TEST_F(PoolManager, MapsLargerRequestsToPowerOfTwoSizeClasses)
{
    struct Case
    {
        std::size_t bytes;
        unsigned blockSize;
        std::size_t slot;
    };
    for (const Case& c :
         {Case{511, 511, 511}, Case{512, 1024, 512}, Case{1023, 1024, 512}, Case{1024, 2048, 513},
          Case{8192, 16384, 516}, Case{1048575, 1048576, 522}, Case{2097151, 2097152, 523}}) {
        MemoryPool* pool = manager().poolForSize(c.bytes);
        ASSERT_NE(pool, nullptr) << c.bytes;
        EXPECT_EQ(pool->blockSize(), c.blockSize) << c.bytes;
        EXPECT_EQ(pool, manager().poolInSlot(c.slot)) << c.bytes;
    }
    EXPECT_EQ(manager().poolForSize(MemoryPoolManager::LargeRequestBytes), nullptr);
}

TEST_F(PoolManager, GivesRequestsFrom512BytesTheirOwnHeapBlockAndNoPoolLine)
{
    auto* a = static_cast<unsigned char*>(manager().allocateBlock("Big", 512, 1));
    auto* b = static_cast<unsigned char*>(manager().allocateBlock("Big", 1023, 1));
    EXPECT_NE(a, b);
    // Each block has the class's full 1024 bytes (the sanitizer build checks the bounds).
    std::memset(a, 1, 1024);
    std::memset(b, 2, 1024);
    EXPECT_EQ(manager().liveCount("Big"), 2);
    EXPECT_EQ(manager().poolForSize(512)->blocksInUse(), 0);
    EXPECT_EQ(dump().find("Pool size"), std::string::npos);
    manager().freeBlock("Big", a, 512, 1);
    manager().freeBlock("Big", b, 1023, 1);
    EXPECT_EQ(manager().liveCount("Big"), 0);
}

TEST_F(PoolManager, ServesCountsAndReleasesRequestsBeyondTheTable)
{
    constexpr std::size_t threeMiB = 3u << 20;
    auto* block = static_cast<unsigned char*>(manager().allocateBlock("Huge", threeMiB, 1));
    ASSERT_NE(block, nullptr);
    block[0] = 1;
    block[threeMiB - 1] = 2;
    EXPECT_EQ(manager().liveCount("Huge"), 1);
    EXPECT_NE(dump().find("\tHuge has : 1 number"), std::string::npos);
    manager().freeBlock("Huge", block, threeMiB, 1);
    EXPECT_EQ(manager().liveCount("Huge"), 0);
}

TEST_F(PoolManager, CountsByTheGivenCountAndIgnoresNullReleases)
{
    void* block = manager().allocateBlock("Elements", 40, 10);
    EXPECT_EQ(manager().liveCount("Elements"), 10);
    manager().freeBlock("Elements", nullptr, 40, 10);
    EXPECT_EQ(manager().liveCount("Elements"), 10);
    EXPECT_EQ(manager().poolForSize(40)->blocksInUse(), 1);
    manager().freeBlock("Elements", block, 40, 10);
    EXPECT_EQ(manager().liveCount("Elements"), 0);
    EXPECT_EQ(manager().liveCount("NeverSeen"), 0);
}

TEST_F(PoolManager, FailedAllocationLeavesTheCountAlone)
{
#if ORVA_ASAN
    GTEST_SKIP() << "AddressSanitizer aborts on an impossible allocation instead of throwing";
#else
    EXPECT_THROW(manager().allocateBlock("Impossible", std::size_t{1} << 62, 1), std::bad_alloc);
    EXPECT_EQ(manager().liveCount("Impossible"), 0);
    EXPECT_EQ(dump().find("Impossible"), std::string::npos);
#endif
}

TEST(PoolManagerInstance, LinkingOverAnInstanceChangesNothing)
{
    auto* first = new MemoryPoolManager;
    auto* second = new MemoryPoolManager;
    MemoryPoolManager::linkInstance(first);
    MemoryPoolManager::linkInstance(second);
    EXPECT_EQ(&MemoryPoolManager::getInstance(), first);
    EXPECT_EQ(&MemoryPoolManager::createInstance(), first);
    delete second; // still the caller's: the manager never adopted it

    // Destroying twice frees once (the sanitizer build would report a double free).
    MemoryPoolManager::destroyInstance();
    EXPECT_FALSE(MemoryPoolManager::hasInstance());
    MemoryPoolManager::destroyInstance();
    EXPECT_FALSE(MemoryPoolManager::hasInstance());
}

TEST(PoolManagerInstance, NullReleaseNeedsNoInstance)
{
    ASSERT_FALSE(MemoryPoolManager::hasInstance());
    MemoryPoolManager::free<int>(nullptr, sizeof(int));
}

TEST(PoolManagerInstanceDeathTest, AllocatingWithoutAnInstanceStopsWithTheReason)
{
    ASSERT_FALSE(MemoryPoolManager::hasInstance());
    EXPECT_DEATH(MemoryPoolManager::allocate<int>(sizeof(int)),
                 "Orva::MemoryPoolManager::getInstance\\(\\): no instance");
}
