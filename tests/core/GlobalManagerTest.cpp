#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "PoolFixture.h"
#include "core/GlobalManager.h"
#include "core/TypeName.h"

using Orva::GlobalManager;
using Orva::Math::Vector2D;
using Orva::Math::Vector3D;

class Globals : public PooledTest
{
protected:
    void SetUp() override
    {
        PooledTest::SetUp();
        GlobalManager::createInstance();
    }
    void TearDown() override
    {
        GlobalManager::destroyInstance();
        PooledTest::TearDown();
    }

    static GlobalManager& globals() { return GlobalManager::getInstance(); }

    template <class T> static int liveModels()
    {
        return Orva::MemoryPoolManager::getInstance().liveCount(
            Orva::typeName<GlobalManager::GlobalModel<T>>());
    }

    static std::string dumpText()
    {
        std::ostringstream captured;
        std::streambuf* const previous = std::cout.rdbuf(captured.rdbuf());
        globals().dumpGlobals();
        std::cout.rdbuf(previous);
        return captured.str();
    }
};

TEST_F(Globals, TheDumpListsEveryValueInNameOrder)
{
    EXPECT_EQ(dumpText(), "");
    globals().add("t", Vector3D<int>(1, 2, 3));
    globals().add("s", Vector2D<int>(10, 20));
    globals().add("f", 0.1f);
    globals().add("a", 1);
    EXPECT_EQ(dumpText(), "[a] : 1\n[f] : 0.1\n[s] : [10,20] \n[t] : [1,2,3]\n");

    globals().add("u", Vector2D<unsigned>(4000000000u, 1u));
    globals().add("v", Vector3D<float>(0.5f, -1.0f, 2.0f));
    globals().add("w", std::string("text"));
    globals().add("x", 2.25);
    EXPECT_NE(dumpText().find("[u] : [4000000000,1] \n[v] : [0.5,-1,2]\n[w] : text\n[x] : 2.25\n"),
              std::string::npos);
}

TEST_F(Globals, AddingAlwaysReplacesTheModelEvenWithTheSameType)
{
    globals().add("score", 3);
    globals().add("score", std::string("three"));
    EXPECT_EQ(liveModels<int>(), 0) << "the int model is freed";
    EXPECT_EQ(liveModels<std::string>(), 1);
    EXPECT_EQ(globals().get<std::string>("score"), "three");

    globals().add("speed", 1.5f);
    globals().add("speed", 2.5f);
    EXPECT_EQ(liveModels<float>(), 1);
    EXPECT_EQ(globals().get<float>("speed"), 2.5f);
}

TEST_F(Globals, VectorsAreReadInPlaceUntilTheNameChanges)
{
    globals().add("spawn", Vector2D<float>(1.0f, 2.0f));
    Vector2D<float>& spawn = globals().get<Vector2D<float>>("spawn");
    spawn.x = 5.0f;
    EXPECT_EQ(globals().get<Vector2D<float>>("spawn").x, 5.0f);
    globals().add("aim", Vector3D<unsigned>(7, 8, 9));
    EXPECT_EQ(globals().get<Vector3D<unsigned>>("aim"), Vector3D<unsigned>(7, 8, 9));
    EXPECT_THROW(globals().get<Vector3D<int>>("aim"), std::runtime_error) << "the component type counts too";
}

TEST_F(Globals, AMissingNameOrAnotherTypeThrowsAndLeavesNothingBehind)
{
    globals().add("a", 1);
    try {
        globals().get<std::string>("a");
        ADD_FAILURE() << "a string read of an int global";
    } catch (const std::runtime_error& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("\"a\""), std::string::npos) << text;
        EXPECT_NE(text.find("std::"), std::string::npos) << text;
    }
    try {
        globals().get<int>("missing");
        ADD_FAILURE() << "a read of a missing global";
    } catch (const std::runtime_error& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("\"missing\""), std::string::npos) << text;
        EXPECT_NE(text.find("<int>"), std::string::npos) << text;
    }
    EXPECT_FALSE(globals().exist("missing"));
    EXPECT_EQ(globals().get<int>("a"), 1);
    EXPECT_EQ(dumpText(), "[a] : 1\n");
}

TEST_F(Globals, RemoveAndClearFreeTheirModels)
{
    globals().clear();
    globals().remove("nothing");
    EXPECT_FALSE(globals().exist("nothing"));

    globals().add("b", 2.0);
    globals().add("c", Vector3D<unsigned>(1, 2, 3));
    globals().remove("b");
    EXPECT_FALSE(globals().exist("b"));
    EXPECT_TRUE(globals().exist("c"));
    EXPECT_EQ(liveModels<double>(), 0);
    globals().clear();
    EXPECT_EQ(liveModels<Vector3D<unsigned>>(), 0);
    EXPECT_EQ(dumpText(), "");
}

TEST(GlobalUnitSize, IsOneBeforeTheEngineStarts)
{
    EXPECT_EQ(GlobalManager::ObjectUnitSize, 1.0f);
    EXPECT_EQ(GlobalManager::InverseObjectUnitSize, 1.0f);
}
