#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WorldFixture.h"
#include "world/OrvaConsole.h"

// The debug console's store.

namespace {

using Orva::GameObject;
using Orva::Debug::OrvaConsole;

std::vector<std::string> heard;

void remember(const OrvaConsole::Words& words)
{
    heard.assign(words.begin(), words.end());
}

void forget(const OrvaConsole::Words& /*words*/)
{
    heard.clear();
}

class OrvaConsoleTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        OrvaConsole::linkInstance(new OrvaConsole);
    }

    void TearDown() override
    {
        OrvaConsole::destroyInstance();
        WorldTest::TearDown();
    }

    static OrvaConsole& console() { return OrvaConsole::getInstance(); }
};

TEST_F(OrvaConsoleTest, SettingTheCurrentObjectAddsItsLine)
{
    GameObject* hero = objects().create("Hero");
    console().setCurrentObj(hero);
    EXPECT_EQ(console().getCurrentObj(), hero);
    ASSERT_EQ(console().getLines().size(), 1u);
    EXPECT_EQ(console().getLines().front(),
              "Current Maniplulating Object set to: Hero, GUID: " + std::to_string(hero->objectID));
}

TEST_F(OrvaConsoleTest, NullAndForeignPointersChangeNothing)
{
    GameObject* hero = objects().create("Hero");
    console().setCurrentObj(hero);
    console().setCurrentObj(nullptr);
    EXPECT_EQ(console().getCurrentObj(), hero);
    EXPECT_EQ(console().getLines().size(), 1u);

    console().setLastCreatedObj(hero);
    console().setLastCreatedObj(nullptr);
    EXPECT_EQ(console().getLastCreatedObj(), hero);
    EXPECT_EQ(console().getLines().size(), 1u) << "the last created object adds no line";
}

TEST_F(OrvaConsoleTest, ADestroyedObjectWhoseSlotIsReusedStaysForgotten)
{
    GameObject* hero = objects().create("Hero");
    console().setCurrentObj(hero);
    console().setLastCreatedObj(hero);
    objects().destroy(hero);
    GameObject* newcomer = objects().create("Newcomer");
    ASSERT_EQ(newcomer, hero) << "the freed slot is handed out next";

    EXPECT_EQ(console().getCurrentObj(), nullptr);
    EXPECT_EQ(console().getLastCreatedObj(), nullptr);
    GameObject* again = objects().create("Again");
    objects().destroy(newcomer);
    EXPECT_NE(again, nullptr);
    EXPECT_EQ(console().getCurrentObj(), nullptr) << "stays forgotten";
}

TEST_F(OrvaConsoleTest, ADestroyedObjectIsForgottenBeforeItsSlotIsReused)
{
    GameObject* hero = objects().create("Hero");
    console().setCurrentObj(hero);
    objects().destroy(hero);
    EXPECT_EQ(console().getCurrentObj(), nullptr);
}

TEST_F(OrvaConsoleTest, CommandsAreReplacedByNameAndLinesKeepTheirOrder)
{
    console().registerCommand("echo", &forget);
    console().registerCommand("echo", &remember);
    console().registerCommand("clear", &forget);
    ASSERT_EQ(console().getCommands().size(), 2u);
    console().getCommands().at("echo")(OrvaConsole::Words{"echo", "hello"});
    EXPECT_EQ(heard, (std::vector<std::string>{"echo", "hello"}));

    console().addLine("first");
    console().addLine("second");
    EXPECT_EQ(console().getLines().front(), "first");
    EXPECT_EQ(console().getLines().back(), "second");
}

TEST_F(OrvaConsoleTest, OnlyTheFirstLinkedInstanceIsAdopted)
{
    OrvaConsole second;
    OrvaConsole::linkInstance(&second);
    EXPECT_NE(&OrvaConsole::getInstance(), &second);
}

} // namespace
