#include <gtest/gtest.h>

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

#include "WorldFixture.h"
#include "world/ComponentPool.h"

namespace {

using Orva::BaseComponent;
using Orva::ComponentPool;
using Orva::ComponentStepRule;

// Counts its steps and its destructions.
struct Probe : BaseComponent
{
    static inline int destroyed = 0;
    static inline int stepsTaken = 0;

    ~Probe() override { ++destroyed; }
    void update(float dt)
    {
        ++steps;
        ++stepsTaken;
        lastDt = dt;
    }

    int steps = 0;
    float lastDt = 0.0f;
};

// A second type, for the per-type numbering.
struct OtherProbe : BaseComponent
{
};

// Takes a component from its own pool on each step while its budget lasts.
struct Spawner : BaseComponent
{
    static inline int budget = 0;
    static inline int stepped = 0;

    void update(float)
    {
        ++stepped;
        if (budget > 0) {
            --budget;
            ComponentPool<Spawner>::getInstance().allocate();
        }
    }
};

// Counts its steps and may deactivate an object from inside the step.
struct Sleeper : BaseComponent
{
    void update(float)
    {
        ++steps;
        if (puts) {
            puts->active = false;
        }
    }

    Orva::GameObject* puts = nullptr;
    int steps = 0;
};

// What a slot should hold: the component, the free list's link and the in-use flag.
template <class T> struct ExpectedSlot
{
    alignas(T) std::byte storage[sizeof(T)];
    void* link;
    bool inUse;
};

class ComponentPoolTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        Probe::destroyed = 0;
    }
};

TEST_F(ComponentPoolTest, ConstructionNamesTheTypeOnStandardOutputAndAddsNoPage)
{
    testing::internal::CaptureStdout();
    ComponentPool<Probe> pool;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "(anonymous namespace)::Probe\n");
    EXPECT_EQ(pool.getPageCount(), 0u);
    EXPECT_EQ(pool.getTotalMemoryAllocationCount(), 0u);
    EXPECT_TRUE(pool.isType(typeid(Probe)));
    EXPECT_FALSE(pool.isType(typeid(OtherProbe)));
    EXPECT_FALSE(pool.isType(typeid(BaseComponent)));
}

TEST_F(ComponentPoolTest, FreshPageHandsOutItsLastSlotFirstAndAFreedSlotIsNext)
{
    testing::internal::CaptureStdout();
    ComponentPool<Probe> pool;
    testing::internal::GetCapturedStdout();
    pool.configure("Probe", 3, ComponentStepRule::Always);

    Probe* first = pool.allocate(); // the first allocate adds the page
    Probe* second = pool.allocate();
    Probe* third = pool.allocate();
    EXPECT_EQ(pool.getPageCount(), 1u);
    const auto address = [](const Probe* probe) { return reinterpret_cast<std::uintptr_t>(probe); };
    const std::uintptr_t slot = sizeof(ExpectedSlot<Probe>);
    EXPECT_EQ(address(first) - address(second), slot);
    EXPECT_EQ(address(second) - address(third), slot);
    EXPECT_EQ(address(third) % alignof(Probe), 0u);

    pool.free(second);
    EXPECT_EQ(pool.allocate(), second);
    pool.allocate();
    EXPECT_EQ(pool.getPageCount(), 2u);
    EXPECT_EQ(pool.getTotalMemoryAllocationCount(), 2 * 3 * sizeof(ExpectedSlot<Probe>));
}

TEST_F(ComponentPoolTest, EachTypeNumbersItsComponentsFromOne)
{
    ComponentPool<Probe> probes;
    probes.configure("Probe", 4, ComponentStepRule::Always);
    ComponentPool<OtherProbe> others;
    others.configure("Probe", 4, ComponentStepRule::Always);
    EXPECT_EQ(probes.allocate()->componentID, 1u);
    EXPECT_EQ(probes.allocate()->componentID, 2u);
    Probe* third = probes.allocate();
    EXPECT_EQ(third->componentID, 3u);
    EXPECT_EQ(others.allocate()->componentID, 1u);

    // Numbers are never given twice, even to a reused slot.
    probes.free(third);
    EXPECT_EQ(probes.allocate()->componentID, 4u);
}

TEST_F(ComponentPoolTest, FreeingAFreeComponentOrNullChangesNothing)
{
    ComponentPool<Probe> pool;
    pool.configure("Probe", 4, ComponentStepRule::Always);
    Probe* a = pool.allocate();
    Probe* b = pool.allocate();
    pool.free(a);
    pool.free(a); // a stale pointer
    pool.free(nullptr);
    EXPECT_EQ(Probe::destroyed, 1);
    EXPECT_EQ(pool.getFreeCount(), 1);
    EXPECT_EQ(pool.getInUseCount(), 1);

    // The free list holds a once: the next two allocations are two different slots.
    Probe* x = pool.allocate();
    Probe* y = pool.allocate();
    EXPECT_EQ(x, a);
    EXPECT_NE(y, a);
    EXPECT_NE(y, b);
    EXPECT_NE(y, x);
}

TEST_F(ComponentPoolTest, StepRulesPickTheComponentsThatAreStepped)
{
    Orva::GameObject* liveOwner = objects().create("live");
    Orva::GameObject* sleepingOwner = objects().create("sleeping");
    sleepingOwner->active = false;

    // Per rule, which of: active with live owner, inactive with live owner, active with
    // sleeping owner, active without owner. A fifth component, freed, is never stepped.
    struct Case
    {
        ComponentStepRule rule;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {{ComponentStepRule::Never, {0, 0, 0, 0}},
                                     {ComponentStepRule::WhenActive, {1, 0, 1, 1}},
                                     {ComponentStepRule::WhenActiveAndOwnerActive, {1, 0, 0, 0}},
                                     {ComponentStepRule::Always, {1, 1, 1, 1}}};
    for (const Case& test : cases) {
        ComponentPool<Probe> pool;
        pool.configure("Probe", 8, test.rule);
        std::vector<Probe*> probes;
        for (int i = 0; i < 4; ++i) {
            probes.push_back(pool.allocate());
        }
        probes[0]->setOwner(liveOwner);
        probes[1]->setOwner(liveOwner);
        probes[1]->active = false;
        probes[2]->setOwner(sleepingOwner);
        Probe* freed = pool.allocate();
        freed->setOwner(liveOwner);
        pool.free(freed);

        Probe::stepsTaken = 0;
        pool.update(0.25f);
        std::vector<int> stepped;
        int expectedTotal = 0;
        for (std::size_t i = 0; i < probes.size(); ++i) {
            stepped.push_back(probes[i]->steps);
            expectedTotal += test.expected[i];
        }
        EXPECT_EQ(stepped, test.expected) << "rule " << static_cast<int>(test.rule);
        EXPECT_EQ(Probe::stepsTaken, expectedTotal) << "the freed slot is skipped";
        if (test.rule != ComponentStepRule::Never) {
            EXPECT_EQ(probes[0]->lastDt, 0.25f);
        }
    }
}

// The pool keeps each owner's flag as it last read it; every way an owner can change between
// two steps, or during one, must still be seen.
TEST_F(ComponentPoolTest, OwnerFlagsKeptBesideTheSlotsFollowEveryChangeOfAnOwner)
{
    ComponentPool<Probe> pool;
    pool.configure("Probe", 8, ComponentStepRule::WhenActiveAndOwnerActive);
    Orva::GameObject* owner = objects().create("owner");
    Orva::GameObject* other = objects().create("other");
    Probe* probe = pool.allocate();
    probe->setOwner(owner);
    const auto stepsAfterAStep = [&] {
        pool.update(0.016f);
        return probe->steps;
    };
    ASSERT_EQ(stepsAfterAStep(), 1);
    ASSERT_EQ(stepsAfterAStep(), 2) << "stepped again from the flag kept";

    owner->active = false;
    EXPECT_EQ(stepsAfterAStep(), 2);
    owner->active = true;
    EXPECT_EQ(stepsAfterAStep(), 3);

    other->active = false;
    EXPECT_EQ(stepsAfterAStep(), 4);
    probe->setOwner(other);
    EXPECT_EQ(stepsAfterAStep(), 4) << "a new owner is read, though no flag changed";
    probe->setOwner(owner);
    EXPECT_EQ(stepsAfterAStep(), 5);

    // An inactive owner destroyed and a new, active object made in its slot.
    owner->active = false;
    EXPECT_EQ(stepsAfterAStep(), 5);
    objects().destroy(owner);
    ASSERT_EQ(objects().create("successor"), owner) << "the freed slot is handed out next";
    EXPECT_EQ(stepsAfterAStep(), 6);

    // An earlier component of the same walk deactivates the owner of a later one. A fresh
    // page steps its first slot handed out last.
    ComponentPool<Sleeper> sleepers;
    sleepers.configure("Sleeper", 8, ComponentStepRule::WhenActiveAndOwnerActive);
    Sleeper* late = sleepers.allocate();
    Sleeper* early = sleepers.allocate();
    late->setOwner(other);
    early->setOwner(owner);
    other->active = true;
    sleepers.update(0.016f);
    ASSERT_EQ(late->steps, 1);
    early->puts = other;
    sleepers.update(0.016f);
    EXPECT_EQ(early->steps, 2);
    EXPECT_EQ(late->steps, 1);
}

TEST_F(ComponentPoolTest, StepThatGrowsItsOwnPoolStepsTheNewComponentsInTheSamePass)
{
    testing::internal::CaptureStdout();
    auto& pool = ComponentPool<Spawner>::createInstance();
    testing::internal::GetCapturedStdout();
    // One slot per page: every allocation in the step adds a page, past the 25 reserved, so
    // the page list moves while it is walked.
    pool.configure("Spawner", 1, ComponentStepRule::Always);
    pool.allocate();
    Spawner::budget = 40;
    Spawner::stepped = 0;

    pool.update(0.016f);
    EXPECT_EQ(pool.getPageCount(), 41u);
    EXPECT_EQ(pool.getInUseCount(), 41);
    EXPECT_EQ(Spawner::stepped, 41);
    ComponentPool<Spawner>::destroyInstance();
}

TEST_F(ComponentPoolTest, ClearDestroysTheComponentsInUseAndReleasesThePagesButKeepsTheCounters)
{
    ComponentPool<Probe> pool;
    pool.configure("Probe", 2, ComponentStepRule::Always);
    Probe* a = pool.allocate();
    pool.allocate();
    pool.allocate();
    pool.free(a);
    ASSERT_EQ(Probe::destroyed, 1);

    pool.clear();
    EXPECT_EQ(Probe::destroyed, 3);
    EXPECT_EQ(pool.getPageCount(), 0u);
    EXPECT_EQ(pool.getTotalMemoryAllocationCount(), 0u);
    EXPECT_EQ(pool.getAllocationCount(), 3);
    EXPECT_EQ(pool.getFreeCount(), 1);
    EXPECT_EQ(pool.getHighestCount(), 3);

    pool.allocate();
    EXPECT_EQ(pool.getPageCount(), 1u);
}

TEST_F(ComponentPoolTest, PageSizeZeroStillHoldsOneComponentPerPage)
{
    ComponentPool<Probe> pool;
    pool.configure("Probe", 0, ComponentStepRule::Always);
    Probe* a = pool.allocate();
    Probe* b = pool.allocate();
    EXPECT_NE(a, b);
    EXPECT_EQ(pool.getPageCount(), 2u);
    pool.update(0.016f);
    EXPECT_EQ(a->steps, 1);
    EXPECT_EQ(b->steps, 1);
}

TEST_F(ComponentPoolTest, MemoryDumpText)
{
    ComponentPool<Probe> pool;
    pool.configure("Probe", 3, ComponentStepRule::Always);
    pool.addPage();
    Probe* a = pool.allocate();
    pool.allocate();
    pool.free(a);
    EXPECT_EQ(pool.getInUseCount(), 1);
    EXPECT_EQ(Probe::destroyed, 1);
    std::ostringstream out;
    EXPECT_EQ(&pool.doMemoryDump(out), &out);
    const std::string bytes = std::to_string(3 * sizeof(ExpectedSlot<Probe>));
    EXPECT_EQ(out.str(), "=== Memory dump for Probe pool ===\n"
                         "Alloc count           : 2 \n"
                         "Free count            : 1 \n"
                         "Page count            : 1 pages \n"
                         "No. in each page      : 3 objects \n"
                         "Highest at any time   : 2 objects \n"
                         "Total memory allocated: " +
                             bytes +
                             " bytes \n"
                             "===End Dump===\n");
}

} // namespace
