#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "StageFixture.h"
#include "TextureRequests.h"
#include "world/TransformComponent.h"

// Object sets: set files read, flagged, preloaded, instantiated and written back.

namespace {

using Orva::GameObject;

std::vector<std::string> setNames()
{
    std::vector<std::string> names;
    for (const auto& [name, record] : Orva::SetManager::getInstance().getSets()) {
        names.push_back(name);
    }
    return names;
}

using SetManagerTest = StageTest;

TEST_F(SetManagerTest, SetNamesRunToTheLastDotAndTheFirstFileKeepsAName)
{
    writeSet("level.one.set", "<obj name=\"L\"/>");
    writeSet("Dup.SET", "<obj name=\"upper\"/>");
    writeSet("Dup.set", "<obj name=\"lower\"/>");
    writeSet("notes.txt", "<obj/>");
    std::filesystem::create_directories(resources() / "data" / "folder.set");
    std::filesystem::create_symlink(resources() / "data" / "level.one.set",
                                    resources() / "data" / "linked.set");
    sets().loadAllSets();

    EXPECT_EQ(setNames(), (std::vector<std::string>{"Dup", "level.one", "linked"}));
    EXPECT_EQ(sets()["Dup"], "<obj name=\"upper\"/>") << "byte order: \"Dup.SET\" is found first";
    EXPECT_EQ(sets()["linked"], sets()["level.one"]);
    EXPECT_EQ(sets()["missing"], "");
}

TEST_F(SetManagerTest, FlagsComeFromTheRootsDirectComponents)
{
    writeSet("Three.set",
             R"(<obj><comp type="0"/><comp type="1"/><comp type="2"/><obj><comp type="9"/></obj></obj>)");
    writeSet("Odd.set", R"(<obj><comp/><comp type="12"/><comp type="13"/><comp type="-2"/></obj>)");
    writeSet("NoObj.set", R"(<thing><comp type="1"/></thing>)");
    writeSet("Broken.set", R"(<obj><comp type="1">)");
    sets().loadAllSets();
    const auto& all = sets().getSets();

    std::array<bool, 13> three{};
    three[0] = three[1] = three[2] = true;
    EXPECT_EQ(all.at("Three").hasComponentType, three);
    std::array<bool, 13> odd{};
    odd[0] = odd[12] = true;
    EXPECT_EQ(all.at("Odd").hasComponentType, odd);
    EXPECT_EQ(all.at("NoObj").hasComponentType, (std::array<bool, 13>{}));
    EXPECT_EQ(all.at("Broken").hasComponentType, (std::array<bool, 13>{}));
    EXPECT_EQ(sets().createFromSet("NoObj"), nullptr);
    EXPECT_EQ(sets().createFromSet("Broken"), nullptr);
    EXPECT_EQ(sets().createFromSet("Unknown"), nullptr);
    EXPECT_EQ(objects().getObjectCount(), 0u);
}

TEST_F(SetManagerTest, TexturesAreQueuedUntilAnAtlasEndsTheWalk)
{
    writeSet("A.set",
             R"(<obj><comp type="0"/><comp type="1"><texture atlas="atlas/a.xml" src="ignored.png"/></comp>
        <comp type="1"><texture src="second.png"/></comp><obj><comp type="1"><texture src="nested.png"/></comp></obj></obj>)");
    writeSet("B.set", R"(<obj><comp type="1"><texture src="b.png"/></comp>
        <obj><comp type="1"><texture src="b1.png"/></comp><obj><comp type="1"><texture atlas="atlas/b2.xml"/></comp>
        <obj><comp type="1"><texture src="never.png"/></comp></obj></obj></obj><obj><comp type="1"/><obj><comp type="1"><texture src="b3.png"/></comp></obj></obj></obj>)");
    writeSet("C.set",
             R"(<obj><comp type="0"/><obj><comp type="1"><texture src="unreached.png"/></comp></obj></obj>)");
    writeResource("atlas/a.xml", TextureRequests::atlasFile("a.png"));
    writeResource("atlas/b2.xml", TextureRequests::atlasFile("b2.png"));
    sets().loadAllSets();
    sets().loadAllSetTextures();

    EXPECT_EQ(TextureRequests::atlasImagePaths(),
              (std::vector<std::string>{"images/a.png", "images/b2.png"}));
    EXPECT_EQ(TextureRequests::pendingPaths(), (std::vector<std::string>{"b.png", "b1.png", "b3.png"}));
    EXPECT_EQ(TextureRequests::waitingFor("b.png"), std::vector<const void*>{nullptr}) << "a preload";
}

TEST_F(SetManagerTest, SavingWritesEveryTextBackByteForByte)
{
    const std::string odd = "\xEF\xBB\xBF<obj name=\"x\">\r\n\t<comp  type = '1' />\r\n</obj>  \n\n";
    writeSet("Odd.set", odd);
    writeSet("Broken.set", "<obj><comp");
    writeSet("Empty.set", "");
    sets().loadAllSets();
    for (const auto& entry : std::filesystem::directory_iterator(resources() / "data")) {
        std::filesystem::remove(entry.path());
    }
    sets().saveAllSets();

    EXPECT_EQ(readFile(resources() / "data" / "Odd.set"), odd);
    EXPECT_EQ(readFile(resources() / "data" / "Broken.set"), "<obj><comp");
    EXPECT_TRUE(std::filesystem::exists(resources() / "data" / "Empty.set"));
}

TEST_F(SetManagerTest, PositionedInstancesKeepThePrototypesDepthIn2D)
{
    writeSet("Crate.set", R"(<obj name="Crate"><comp><position x="1" y="2" z="5"/></comp></obj>)");
    sets().loadAllSets();

    GameObject* flat = sets().createFromSet("Crate", Orva::Math::Vector2D<float>{7, 8});
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(flat->getTransform()->getLocalTranslation(), (Orva::Math::Vector3D<float>{7, 8, 5}));
    EXPECT_EQ(flat->getTransform()->getWorldTranslation(), (Orva::Math::Vector3D<float>{7, 8, 5}))
        << "placed at once";
    GameObject* deep = sets().createFromSet("Crate", Orva::Math::Vector3D<float>{-1, -2, -3});
    EXPECT_EQ(deep->getTransform()->getLocalTranslation(), (Orva::Math::Vector3D<float>{-1, -2, -3}));
    GameObject* plain = sets().createFromSet("Crate");
    EXPECT_EQ(plain->getTransform()->getWorldTranslation(), (Orva::Math::Vector3D<float>{1, 2, 5}));
    EXPECT_EQ(plain->sourceSet, "") << "the root carries no set attribute";
}

TEST_F(SetManagerTest, DeletedAndClearedSetsAreGoneButTheirFilesStay)
{
    writeSet("A.set", "<obj name=\"A\"/>");
    writeSet("B.set", "<obj name=\"B\"/>");
    sets().loadAllSets();
    sets().deleteSet("A");
    sets().deleteSet("Unknown");
    EXPECT_EQ(setNames(), (std::vector<std::string>{"B"}));
    EXPECT_EQ(sets().createFromSet("A"), nullptr);
    sets().clear();
    EXPECT_TRUE(sets().getSets().empty());
    EXPECT_TRUE(std::filesystem::exists(resources() / "data" / "A.set"));
    sets().loadAllSets();
    EXPECT_EQ(setNames(), (std::vector<std::string>{"A", "B"}));
}

} // namespace
