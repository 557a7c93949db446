#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "world/GameObjectManager.h"
#include "world/TransformComponent.h"

namespace {

using Orva::GameObject;
using Orva::GameObjectManager;
using Orva::TransformComponent;

// Game objects under the running engine: frames are driven through the frame-time seam.
class WorldStepTest : public EngineTest
{
protected:
    static GameObject* withTransform(const char* name, GameObject* parent = nullptr)
    {
        GameObject* object = GameObjectManager::getInstance().create(name, parent);
        object->addComponent<TransformComponent>();
        return object;
    }
};

TEST_F(WorldStepTest, MovingAParentMovesItsChildAfterOneFrame)
{
    GameObject* parent = withTransform("Parent");
    GameObject* child = withTransform("Child", parent);
    child->getTransform()->setLocalTranslation({1.0f, 0.0f, 0.0f});
    runFrames(1, 1.0f / 60.0f);
    ASSERT_EQ(child->getTransform()->getWorldTranslation().x, 1.0f);

    parent->getTransform()->setLocalTranslation({5.0f, 2.0f, 0.0f});
    runFrames(1, 1.0f / 60.0f);
    EXPECT_EQ(child->getTransform()->getWorldTranslation().x, 6.0f);
    EXPECT_EQ(child->getTransform()->getWorldTranslation().y, 2.0f);
}

TEST_F(WorldStepTest, TransformOfAnInactiveObjectIsNotStepped)
{
    GameObject* object = withTransform("Sleeper");
    // Stepped once: a new transform's world values follow its local ones at once.
    runFrames(1, 1.0f / 60.0f);
    object->active = false;
    object->getTransform()->setLocalTranslation({3.0f, 0.0f, 0.0f});
    runFrames(2, 1.0f / 60.0f);
    EXPECT_EQ(object->getTransform()->getWorldTranslation().x, 0.0f);

    object->active = true;
    runFrames(1, 1.0f / 60.0f);
    EXPECT_EQ(object->getTransform()->getWorldTranslation().x, 3.0f);
}

TEST_F(WorldStepTest, FrameDestroysWhatWasQueuedBeforeItsSteps)
{
    GameObject* doomed = withTransform("Doomed");
    GameObjectManager::getInstance().destroyNextFrame(doomed);
    runFrames(1, 1.0f / 60.0f);
    EXPECT_FALSE(GameObjectManager::isGameObjectInUse(doomed));
    EXPECT_EQ(GameObjectManager::getInstance().getObjectCount(), 0u);
}

} // namespace
