#include <gtest/gtest.h>

#include <string>

#include "PhysicsScene.h"
#include "world/WorldFixture.h"

// The world's table of 32 collision groups.

namespace {

using scene::world;

class CollisionGroupTest : public WorldTest
{
};

TEST_F(CollisionGroupTest, FreshTableAndReset)
{
    EXPECT_EQ(world().getCollisionGroupCount(), 0);
    EXPECT_EQ(world().getCollisionGroupNames()[31], "CollisionGroup 31");
    EXPECT_EQ(world().getCollisionGroupIndex("CollisionGroup 3"), 3) << "slots not in use are found too";
    EXPECT_EQ(world().getCollisionGroupIndex("nothing"), -1);
    EXPECT_TRUE(world().getCollisionFlagField()[0][31]);

    world().setCollisionGroupFlag(2, 5, false);
    EXPECT_FALSE(world().getCollisionFlagField()[5][2]);
    world().setCollisionGroupFlag(std::string("CollisionGroup 2"), std::string("nothing"), true);
    EXPECT_FALSE(world().getCollisionFlagField()[2][5]) << "an unknown name changes nothing";

    for (const char* name : {"player", "enemy", "wall"}) {
        world().addCollisionGroup(name);
    }
    world().setCollisionGroupFlag(1, 1, false);
    world().setCollisionGroupName(40, "ignored");
    world().setCollisionGroupName(31, "last");
    EXPECT_EQ(world().getCollisionGroupIndex("last"), 31);
    world().resetAllCollisionGroups();
    EXPECT_EQ(world().getCollisionGroupCount(), 0);
    EXPECT_EQ(world().getCollisionGroupNames()[2], "CollisionGroup2");
    EXPECT_EQ(world().getCollisionGroupNames()[3], "CollisionGroup 3");
    EXPECT_FALSE(world().getCollisionFlagField()[0][2]);
    EXPECT_FALSE(world().getCollisionFlagField()[1][1]) << "the diagonal keeps its value";
    EXPECT_TRUE(world().getCollisionFlagField()[2][3]);
}

TEST_F(CollisionGroupTest, RemovingAGroupMovesTheLaterSlotsDown)
{
    for (const char* name : {"a", "b", "c"}) {
        world().addCollisionGroup(name);
    }
    world().setCollisionGroupFlag(2, 7, false);
    world().setCollisionGroupFlag(3, 9, false);
    auto* collider = scene::circle("in c", 0.0f, 0.0f);
    collider->setCollisionGroup("c");
    world().removeCollisionGroup(1);
    world().removeCollisionGroup(5);
    EXPECT_EQ(world().getCollisionGroupCount(), 2);
    EXPECT_EQ(world().getCollisionGroupNames()[1], "c");
    EXPECT_EQ(world().getCollisionGroupNames()[2], "CollisionGroup 3") << "the first unused slot moves in";
    EXPECT_FALSE(world().getCollisionFlagField()[1][7]);
    EXPECT_FALSE(world().getCollisionFlagField()[7][1]);
    EXPECT_FALSE(world().getCollisionFlagField()[2][9]) << "slot 2 takes the row and column of slot 3";
    EXPECT_FALSE(world().getCollisionFlagField()[9][2]);
    EXPECT_EQ(collider->getCollisionGroupIndex(), 2) << "colliders are not renumbered";
    collider->setCollisionGroup("b");
    EXPECT_EQ(collider->getCollisionGroupIndex(), -1);
}

} // namespace
