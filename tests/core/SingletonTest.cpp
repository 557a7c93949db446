#include <gtest/gtest.h>

#include <memory>

#include "core/Singleton.h"

namespace SingletonProbe {

struct Service : Orva::Singleton<Service>
{
    static inline int alive = 0;
    explicit Service(int tag = 0) : tag(tag) { ++alive; }
    ~Service() { --alive; }
    int tag;
};

struct Lazy : Orva::Singleton<Lazy, Orva::SingletonCreation::OnFirstUse>
{
    static inline int made = 0;
    Lazy() { ++made; }
};

class Guarded : public Orva::Singleton<Guarded>
{
    friend Orva::Singleton<Guarded>;
    Guarded() = default;
};

} // namespace SingletonProbe

using namespace SingletonProbe;

TEST(Singleton, LinkAdoptsOnlyWhileNoInstanceIsSet)
{
    auto* first = new Service(1);
    const auto second = std::make_unique<Service>(2);
    EXPECT_FALSE(Service::hasInstance());
    Service::linkInstance(first);
    Service::linkInstance(second.get());
    EXPECT_EQ(&Service::getInstance(), first);
    Service::linkInstance(nullptr);
    EXPECT_EQ(&Service::getInstance(), first);
    Service::destroyInstance();
    EXPECT_EQ(Service::alive, 1) << "the rejected instance stays with its owner";
}

TEST(Singleton, CreateKeepsAnExistingInstanceAndDestroyFreesItOnce)
{
    Service& made = Service::createInstance(7);
    EXPECT_EQ(made.tag, 7);
    EXPECT_EQ(&Service::createInstance(8), &made);
    EXPECT_EQ(Service::alive, 1);

    Service::destroyInstance();
    EXPECT_EQ(Service::alive, 0);
    EXPECT_FALSE(Service::hasInstance());
    Service::destroyInstance();
    EXPECT_EQ(Service::alive, 0);

    // Once cleared, the next creation or link is adopted again.
    EXPECT_EQ(Service::createInstance(9).tag, 9);
    Service::destroyInstance();
}

TEST(Singleton, OnFirstUseCreatesInGetInstanceOnly)
{
    EXPECT_FALSE(Lazy::hasInstance());
    Lazy& instance = Lazy::getInstance();
    EXPECT_EQ(&Lazy::getInstance(), &instance);
    EXPECT_EQ(Lazy::made, 1);
    Lazy::destroyInstance();
    EXPECT_FALSE(Lazy::hasInstance());
}

TEST(Singleton, WorksWithAPrivateConstructor)
{
    Guarded& instance = Guarded::createInstance();
    EXPECT_EQ(&Guarded::getInstance(), &instance);
    Guarded::destroyInstance();
}

TEST(SingletonDeathTest, GetInstanceWithoutOneStopsAndNamesTheType)
{
    ASSERT_FALSE(Service::hasInstance());
    EXPECT_DEATH(Service::getInstance(), "SingletonProbe::Service::getInstance\\(\\): no instance is set");
}
