#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "WorldFixture.h"
#include "world/ComponentPool.h"
#include "world/TransformComponent.h"

namespace {

using Orva::GameObject;
using Orva::GameObjectManager;

// Runs the test's code when it is destroyed: the way a component's destructor reaches back
// into the manager.
struct Hook : Orva::BaseComponent
{
    ~Hook() override
    {
        if (onDestroy) {
            onDestroy();
        }
    }

    std::function<void()> onDestroy;
};

class ObjectManagerTest : public WorldTest
{
protected:
    void TearDown() override
    {
        stopWorld(); // objects before the hook pool they hold components of
        hooks_.reset();
        WorldTest::TearDown();
    }

    // Gives the object a component that runs the code when it is destroyed.
    Hook* hook(GameObject* object, std::function<void()> onDestroy)
    {
        if (!hooks_) {
            testing::internal::CaptureStdout();
            hooks_ = std::make_unique<Orva::ComponentPool<Hook>>();
            testing::internal::GetCapturedStdout();
            hooks_->configure("Hook", 4, Orva::ComponentStepRule::Never);
        }
        Hook* component = hooks_->allocate();
        component->setOwner(object);
        component->onDestroy = std::move(onDestroy);
        object->addComponentPairToList({hooks_.get(), component});
        return component;
    }

    static bool alive(const GameObject* object) { return GameObjectManager::isGameObjectInUse(object); }

    static std::vector<std::string> liveNames()
    {
        std::vector<std::string> names;
        for (const GameObject* object : objects().getAllObjects()) {
            names.push_back(object->name);
        }
        return names;
    }

private:
    std::unique_ptr<Orva::ComponentPool<Hook>> hooks_;
};

TEST_F(ObjectManagerTest, IdsAndDefaultNamesShareOneCounter)
{
    GameObject* first = objects().create();
    EXPECT_EQ(first->objectID, 0u);
    EXPECT_EQ(first->name, "GameObject1");
    GameObject* named = objects().create("Named");
    EXPECT_EQ(named->objectID, 2u);
    GameObject* next = objects().create();
    EXPECT_EQ(next->objectID, 3u);
    EXPECT_EQ(next->name, "GameObject4");

    std::string movedName = "Moved";
    GameObject* moved = objects().create(std::move(movedName), next);
    EXPECT_EQ(moved->objectID, 5u);
    EXPECT_EQ(moved->name, "Moved");
    EXPECT_EQ(moved->getParent(), next);
    EXPECT_TRUE(moved->active);
    EXPECT_TRUE(moved->sourceSet.empty());
    EXPECT_EQ(moved->getTransform(), nullptr);
    EXPECT_EQ(objects().create(first)->name, "GameObject7");
}

TEST_F(ObjectManagerTest, SlotsFillPagesOfAHundredAndTheLastFreedIsReusedFirst)
{
    std::vector<GameObject*> made;
    for (int i = 0; i < 100; ++i) {
        made.push_back(objects().create());
    }
    EXPECT_EQ(made[1], made[0] + 1) << "a fresh page hands out its slots in order";
    EXPECT_EQ(objects().getPageCount(), 1u);
    GameObject* hundredAndFirst = objects().create();
    EXPECT_EQ(objects().getPageCount(), 2u);
    EXPECT_EQ(objects().getTotalMemoryAllocationCount(), 2 * 100 * sizeof(GameObject));

    objects().destroy(made[10]);
    objects().destroy(made[20]);
    EXPECT_FALSE(alive(made[20]));
    EXPECT_TRUE(GameObjectManager::isGameObject(made[20]));
    EXPECT_EQ(objects().create(), made[20]);
    EXPECT_EQ(objects().create(), made[10]);
    EXPECT_NE(objects().create(), hundredAndFirst);
    EXPECT_FALSE(GameObjectManager::isGameObjectInUse(nullptr));
    EXPECT_FALSE(GameObjectManager::isGameObject(nullptr));
}

TEST_F(ObjectManagerTest, CountersAndMemoryDumpText)
{
    std::vector<GameObject*> made;
    for (int i = 0; i < 120; ++i) {
        made.push_back(objects().create());
    }
    for (int i = 0; i < 30; ++i) {
        objects().destroy(made[i]);
    }
    objects().create();
    std::ostringstream out;
    objects().doMemoryDump(out);
    EXPECT_EQ(out.str(), "=============================\n"
                         "Game Object Manager Statistics and Memory Dump\n"
                         "Object Count: 91\n"
                         "Allocation Count: 121\n"
                         "Free Count: 30\n"
                         "Maximum Object at any time: 120\n"
                         "Total memory: " +
                             std::to_string(2 * 100 * sizeof(GameObject)) +
                             "\n"
                             "======== End of Report ======\n");
}

TEST_F(ObjectManagerTest, LookupsScanLiveObjectsInSlotOrder)
{
    GameObject* a = objects().create("Same");
    GameObject* b = objects().create("Other");
    GameObject* c = objects().create("Same");
    EXPECT_EQ(objects().find("Same"), a);
    EXPECT_EQ(objects().find("same"), nullptr);
    EXPECT_EQ(objects().findUniqueID(b->objectID), b);
    EXPECT_EQ(objects().findUniqueID(12345), nullptr);
    objects().destroy(a);
    EXPECT_EQ(objects().find("Same"), c);
    EXPECT_EQ(objects().findUniqueID(a->objectID), nullptr);
    EXPECT_EQ(objects().getAllObjects(), (std::list<GameObject*>{b, c}));
}

TEST_F(ObjectManagerTest, RootRemovalSwapsTheLastRootInEvenAfterTheListWasEdited)
{
    GameObject* a = objects().create("A");
    GameObject* b = objects().create("B");
    GameObject* c = objects().create("C");
    GameObject* d = objects().create("D");
    objects().destroy(a);
    auto& roots = objects().getRootObjectList();
    ASSERT_EQ(std::vector<GameObject*>(roots.begin(), roots.end()), (std::vector<GameObject*>{d, b, c}));

    std::swap(roots[0], roots[2]); // behind the manager's back: [c, b, d]
    objects().destroy(d);
    objects().removeGameObjectFromRoot(a); // not a root
    EXPECT_EQ(std::vector<GameObject*>(roots.begin(), roots.end()), (std::vector<GameObject*>{c, b}));
    objects().destroy(c);
    EXPECT_EQ(std::vector<GameObject*>(roots.begin(), roots.end()), (std::vector<GameObject*>{b}));
    b->setParent(objects().create("E"));
    EXPECT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0]->name, "E");
}

TEST_F(ObjectManagerTest, ImmediateDestructionLeavesChildrenOrphanedUntilTheNextUpdate)
{
    GameObject* parent = objects().create("Parent");
    GameObject* child = objects().create("Child", parent);
    GameObject* grandchild = objects().create("Grandchild", child);
    GameObject* bystander = objects().create("Bystander");

    objects().destroy(parent);
    EXPECT_FALSE(alive(parent));
    EXPECT_TRUE(alive(child));
    EXPECT_TRUE(alive(grandchild));
    EXPECT_EQ(child->getParent(), nullptr);
    EXPECT_EQ(grandchild->getParent(), nullptr);
    EXPECT_FALSE(child->hasChildren());
    EXPECT_EQ(objects().getRootObjectList().size(), 1u);
    EXPECT_EQ(objects().getRootObjectList()[0], bystander);

    GameObjectManager::update();
    EXPECT_EQ(liveNames(), (std::vector<std::string>{"Bystander"}));
}

TEST_F(ObjectManagerTest, DeferredParentTakesItsChildrenInTheSameUpdate)
{
    GameObject* parent = objects().create("Parent");
    GameObject* child = objects().create("Child", parent);
    objects().create("Grandchild", child);
    objects().destroyNextFrame(parent);
    EXPECT_TRUE(alive(parent));
    GameObjectManager::update();
    EXPECT_TRUE(liveNames().empty());
    EXPECT_EQ(objects().getFreeCount(), 3u);
}

TEST_F(ObjectManagerTest, ByNameImmediateTakesTheFirstAndDeferredTakesEvery)
{
    objects().create("Twin");
    objects().create("Other");
    objects().create("Twin");
    objects().destroy("Twin");
    objects().destroy("Nobody");
    EXPECT_EQ(liveNames(), (std::vector<std::string>{"Other", "Twin"}));

    objects().create("Twin");
    objects().destroyNextFrameName("Twin");
    EXPECT_EQ(liveNames().size(), 3u);
    GameObjectManager::update();
    EXPECT_EQ(liveNames(), (std::vector<std::string>{"Other"}));
}

TEST_F(ObjectManagerTest, QueuedTwiceIsDestroyedOnce)
{
    GameObject* object = objects().create();
    objects().destroyNextFrame(object);
    objects().destroyNextFrame(object);
    objects().destroyNextFrame(nullptr);
    GameObjectManager::update();
    EXPECT_EQ(objects().getFreeCount(), 1u);
    EXPECT_EQ(objects().getObjectCount(), 0u);
}

TEST_F(ObjectManagerTest, QueuedEntrySparesTheObjectThatReusedItsSlot)
{
    GameObject* doomed = objects().create("Doomed");
    objects().destroyNextFrame(doomed);
    objects().destroy(doomed);
    GameObject* newcomer = objects().create("Newcomer");
    ASSERT_EQ(newcomer, doomed) << "the slot is reused";
    GameObjectManager::update();
    EXPECT_TRUE(alive(newcomer));
    EXPECT_EQ(newcomer->name, "Newcomer");

    // The same for the children an immediate destruction queues.
    GameObject* parent = objects().create("Parent");
    GameObject* child = objects().create("Child", parent);
    objects().destroy(parent);
    objects().destroy(child);
    GameObject* reuser = objects().create("Reuser");
    ASSERT_EQ(reuser, child);
    GameObjectManager::update();
    EXPECT_TRUE(alive(reuser));
    EXPECT_EQ(objects().getObjectCount(), 2u);
}

TEST_F(ObjectManagerTest, WhatTheFirstListQueuesGoesNowWhatTheSecondQueuesWaits)
{
    GameObject* early = objects().create("Early");
    GameObject* late = objects().create("Late");
    GameObject* carrier = objects().create("Carrier");
    hook(carrier, [early] { GameObjectManager::getInstance().destroyNextFrame(early); });
    GameObject* parent = objects().create("Parent");
    GameObject* child = objects().create("Child", parent);
    hook(child, [late] { GameObjectManager::getInstance().destroyNextFrame(late); });

    objects().destroyNextFrame(carrier); // destroyed from the first list
    objects().destroyNextFrame(parent);  // its child from the second
    GameObjectManager::update();
    EXPECT_FALSE(alive(early));
    EXPECT_FALSE(alive(child));
    EXPECT_TRUE(alive(late));
    GameObjectManager::update();
    EXPECT_FALSE(alive(late));
}

TEST_F(ObjectManagerTest, ObjectDestroyedAgainFromItsOwnComponentIsDestroyedOnce)
{
    GameObject* object = objects().create("Self");
    hook(object, [object] { GameObjectManager::getInstance().destroy(object); });
    objects().destroy(object);
    EXPECT_EQ(objects().getFreeCount(), 1u);
    EXPECT_EQ(objects().getObjectCount(), 0u);
    EXPECT_NE(objects().create(), objects().create()) << "the slot is on the free stack once";
}

TEST_F(ObjectManagerTest, DestroyAllTakesEveryObjectAndForgetsTheQueue)
{
    GameObject* parent = objects().create("Parent");
    objects().create("Child", parent);
    objects().create("Loner");
    GameObject* queued = objects().create("Queued");
    objects().destroyNextFrame(queued);
    objects().destroyAllObjects();
    EXPECT_EQ(objects().getObjectCount(), 0u);
    EXPECT_EQ(objects().getFreeCount(), 4u);
    EXPECT_TRUE(objects().getRootObjectList().empty());
    objects().create("Fresh");
    GameObjectManager::update();
    EXPECT_EQ(objects().getFreeCount(), 4u);
}

TEST_F(ObjectManagerTest, StageCountersWhileAnalyticsTracksLevels)
{
    auto& analytics = Orva::Analytic::DataAnalyticManager::getInstance();
    GameObject* untracked = objects().create();
    objects().destroy(untracked);
    EXPECT_EQ(analytics.currentLevelRecord().created, 0u);

    analytics.enableLevelTracking();
    std::vector<GameObject*> made;
    for (int i = 0; i < 3; ++i) {
        made.push_back(objects().create());
    }
    objects().destroy(made[0]);
    objects().destroy(made[1]);
    const auto& level = analytics.currentLevelRecord();
    EXPECT_EQ(level.created, 3u);
    EXPECT_EQ(level.objectCount, 3u);
    EXPECT_EQ(level.deleted, 2u);
    EXPECT_EQ(level.deleteCount, 2u);
}

TEST_F(ObjectManagerTest, ManagerDestructionDestroysEveryObjectWithoutCounting)
{
    auto& analytics = Orva::Analytic::DataAnalyticManager::getInstance();
    analytics.enableLevelTracking();
    GameObject* parent = objects().create("Parent");
    parent->addComponent<Orva::TransformComponent>();
    objects().create("Child", parent)->addComponent<Orva::TransformComponent>();
    int destroyedHooks = 0;
    hook(parent, [&destroyedHooks] { ++destroyedHooks; });

    GameObjectManager::destroyInstance();
    EXPECT_EQ(destroyedHooks, 1);
    EXPECT_EQ(Orva::ComponentPool<Orva::TransformComponent>::getInstance().getInUseCount(), 0);
    EXPECT_EQ(analytics.currentLevelRecord().deleted, 0u);
}

} // namespace
