#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "WorldFixture.h"
#include "world/ComponentPool.h"
#include "world/TransformComponent.h"

namespace {

using Orva::GameObject;
using Orva::TransformComponent;
using Vector3 = TransformComponent::Vector3;

constexpr float HalfPi = 1.57079632679f;

std::vector<GameObject*> roots()
{
    const auto& list = Orva::GameObjectManager::getInstance().getRootObjectList();
    return {list.begin(), list.end()};
}

std::vector<GameObject*> children(const GameObject* object)
{
    return {object->getChildren().begin(), object->getChildren().end()};
}

void stepTransforms()
{
    Orva::ComponentPool<TransformComponent>::getInstance().update(0.016f);
}

class HierarchyTest : public WorldTest
{
protected:
    // An object with a transform at the given local placement, settled.
    static GameObject* placed(const std::string& name, Vector3 translation, float rotation = 0.0f,
                              Vector3 scale = {1.0f, 1.0f, 1.0f})
    {
        GameObject* object = objects().create(name);
        TransformComponent* transform = object->addComponent<TransformComponent>();
        transform->setLocalTranslation(translation);
        transform->setLocalRotationRad(rotation);
        transform->setLocalScale(scale);
        transform->forceUpdate();
        return object;
    }
};

testing::AssertionResult isNear(const Vector3& actual, float x, float y)
{
    if (std::fabs(actual.x - x) <= 1e-5f && std::fabs(actual.y - y) <= 1e-5f) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ") is not near (" << x << ", " << y << ")";
}

testing::AssertionResult worldAt(const GameObject* object, float x, float y)
{
    return isNear(object->getTransform()->getWorldTranslation(), x, y);
}

testing::AssertionResult localAt(const GameObject* object, float x, float y)
{
    return isNear(object->getTransform()->getLocalTranslation(), x, y);
}

TEST_F(HierarchyTest, ParentingMovesObjectsBetweenTheRootListAndChildListsSwappingTheLastIn)
{
    GameObject* a = objects().create("A");
    GameObject* b = objects().create("B");
    GameObject* c = objects().create("C");
    GameObject* d = objects().create("D");
    ASSERT_EQ(roots(), (std::vector<GameObject*>{a, b, c, d}));

    b->setParent(a);
    EXPECT_EQ(roots(), (std::vector<GameObject*>{a, d, c}));
    EXPECT_EQ(b->getParent(), a);
    a->addChild(c);
    a->addChild(d);
    EXPECT_EQ(roots(), (std::vector<GameObject*>{a}));
    EXPECT_EQ(children(a), (std::vector<GameObject*>{b, c, d}));

    GameObject* e = objects().create("E", a);
    EXPECT_EQ(children(a), (std::vector<GameObject*>{b, c, d, e}));
    EXPECT_EQ(roots(), (std::vector<GameObject*>{a}));

    a->removeChild(c); // a middle child: the last takes its index
    EXPECT_EQ(children(a), (std::vector<GameObject*>{b, e, d}));
    EXPECT_EQ(c->getParent(), nullptr);
    EXPECT_EQ(roots(), (std::vector<GameObject*>{a, c}));

    a->removeChild(c); // not a child any more
    a->removeChild("D");
    a->removeChild("Nobody");
    EXPECT_EQ(children(a), (std::vector<GameObject*>{b, e}));
    EXPECT_EQ(roots(), (std::vector<GameObject*>{a, c, d}));

    e->setParent(b); // from one parent to another: never through the root list
    EXPECT_EQ(children(a), (std::vector<GameObject*>{b}));
    EXPECT_EQ(children(b), (std::vector<GameObject*>{e}));
    EXPECT_EQ(roots(), (std::vector<GameObject*>{a, c, d}));

    b->unparent();
    EXPECT_FALSE(a->hasChildren());
    EXPECT_EQ(roots(), (std::vector<GameObject*>{a, c, d, b}));
}

TEST_F(HierarchyTest, RootObjectsStayOnceInTheRootList)
{
    GameObject* a = objects().create(static_cast<GameObject*>(nullptr));
    GameObject* b = objects().create("B", nullptr);
    a->unparent();
    a->setParent(nullptr);
    b->setParent(nullptr, true);
    EXPECT_EQ(roots(), (std::vector<GameObject*>{a, b}));
}

TEST_F(HierarchyTest, ChildLookups)
{
    GameObject* a = objects().create("A");
    GameObject* first = objects().create("Twin", a);
    GameObject* second = objects().create("Twin", a);
    EXPECT_EQ(a->getChildCount(), 2);
    EXPECT_TRUE(a->hasChildren());
    EXPECT_EQ(a->getChild("Twin"), first);
    EXPECT_EQ(a->getChild("twin"), nullptr);
    EXPECT_EQ(a->getChild(0u), first);
    EXPECT_EQ(a->getChild(1u), second);
    EXPECT_EQ(a->getChild(static_cast<unsigned>(a->getChildCount())), nullptr);
    EXPECT_TRUE(a->isAncestorOf(second));
    EXPECT_FALSE(second->isAncestorOf(a));
    EXPECT_FALSE(a->isAncestorOf(a));
}

TEST_F(HierarchyTest, ParentThatWouldCloseALoopIsRefused)
{
    GameObject* a = objects().create("A");
    GameObject* b = objects().create("B", a);
    GameObject* c = objects().create("C", b);
    const std::string before = hierarchyDump();

    a->setParent(a);
    a->setParent(b);
    a->setParent(c, true);
    a->setParent(c, false);
    c->addChild(a);
    a->addChild(a);
    EXPECT_EQ(a->getParent(), nullptr);
    EXPECT_EQ(b->getParent(), a);
    EXPECT_EQ(c->getParent(), b);
    EXPECT_EQ(roots(), (std::vector<GameObject*>{a}));
    EXPECT_EQ(hierarchyDump(), before);

    // Deferred destruction walks the hierarchy too: it must end.
    objects().destroy(a);
    Orva::GameObjectManager::update();
    EXPECT_EQ(objects().getObjectCount(), 0u);
}

TEST_F(HierarchyTest, NewParentTakesTheFormerWorldPlacementAsLocal)
{
    GameObject* parent = placed("Parent", {5.0f, 0.0f, 0.0f}, HalfPi);
    GameObject* child = placed("Child", {1.0f, 2.0f, 0.0f});
    GameObject* grandchild = placed("Grandchild", {0.0f, 1.0f, 0.0f});
    grandchild->setParent(child);

    child->setParent(parent);
    EXPECT_TRUE(localAt(child, 1.0f, 2.0f));
    // Rotated a quarter turn about the parent at (5, 0): (1, 2) lands on (3, 1).
    EXPECT_TRUE(worldAt(child, 3.0f, 1.0f));
    EXPECT_TRUE(worldAt(grandchild, 2.0f, 1.0f)) << "descendants follow at once";
}

TEST_F(HierarchyTest, KeepingTheWorldPlacementRebasesTheObject)
{
    GameObject* parent = placed("Parent", {5.0f, 0.0f, 0.0f}, HalfPi, {2.0f, 2.0f, 1.0f});
    GameObject* child = placed("Child", {1.0f, 2.0f, 0.0f}, 0.25f);

    child->setParent(parent, true);
    EXPECT_TRUE(worldAt(child, 1.0f, 2.0f));
    stepTransforms();
    EXPECT_TRUE(worldAt(child, 1.0f, 2.0f));
    EXPECT_NEAR(child->getTransform()->getWorldRotationRad(), 0.25f, 1e-6f);
    EXPECT_NEAR(child->getTransform()->getWorldScale().x, 1.0f, 1e-6f);
}

TEST_F(HierarchyTest, NotKeepingTheWorldPlacementRecomputesItAtTheNextStep)
{
    GameObject* parent = placed("Parent", {5.0f, 0.0f, 0.0f});
    GameObject* child = placed("Child", {1.0f, 2.0f, 0.0f});
    child->setParent(parent, false);
    EXPECT_TRUE(worldAt(child, 1.0f, 2.0f)) << "not recomputed yet";
    stepTransforms();
    EXPECT_TRUE(worldAt(child, 6.0f, 2.0f));
}

TEST_F(HierarchyTest, LeavingTheParentKeepsTheWorldPlacementAsLocal)
{
    GameObject* parent = placed("Parent", {5.0f, 0.0f, 0.0f}, HalfPi);
    GameObject* child = placed("Child", {1.0f, 0.0f, 0.0f});
    child->setParent(parent);
    ASSERT_TRUE(worldAt(child, 5.0f, 1.0f));

    child->unparent();
    EXPECT_TRUE(localAt(child, 5.0f, 1.0f));
    EXPECT_NEAR(child->getTransform()->getLocalRotationRad(), HalfPi, 1e-6f);
    stepTransforms();
    EXPECT_TRUE(worldAt(child, 5.0f, 1.0f));
    EXPECT_EQ(roots().back(), child);
}

TEST_F(HierarchyTest, HierarchyDumpText)
{
    GameObject* a = objects().create("A");
    a->addComponent<TransformComponent>();
    objects().create("B", a);
    EXPECT_EQ(hierarchyDump(), "=============================\n"
                               "Game Object Manager Hiearchy Dump\n"
                               "  === A Data Dump === \n"
                               "  Component list:TransformComponent,  last!\n"
                               "  -NO PARENT-\n"
                               "  A's Child list:\n"
                               "    === B Data Dump === \n"
                               "    Component list: last!\n"
                               "    Parent's name:A\n"
                               "    B's Child list:\n"
                               "\n"
                               "    End of B's Child list\n"
                               "    === B End Data Dump === \n"
                               "\n"
                               "\n"
                               "\n"
                               "  End of A's Child list\n"
                               "  === A End Data Dump === \n"
                               "\n"
                               "======== End of Report ======\n");
}

} // namespace
