#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "GameFixture.h"
#include "PlayReport.h"
#include "ProgramRun.h"
#include "SampleRules.h"

// Executable as a process, run from a copy of the built sample: a whole game to its end,
// and the ways start-up fails, each with exit status 255 and no crash.

namespace {

constexpr int FailureStatus = 255;

class GameProcessTest : public GameFolderTest
{
protected:
    void SetUp() override
    {
        GameFolderTest::SetUp();
        copySampleGame(bin(), resources());
    }

    static bool hasDisplay() { return std::getenv("DISPLAY") != nullptr; }

    ProgramResult runGame(EnvironmentChanges changes = {}) const
    {
        changes.emplace("SDL_VIDEODRIVER", "x11");
        return runProgram(bin() / "Executable", bin(), changes);
    }

    static void expectFailure(const ProgramResult& result)
    {
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.signal, 0) << result.errors;
        EXPECT_EQ(result.exitStatus, FailureStatus) << result.errors;
    }
};

TEST_F(GameProcessTest, TheSampleEndsItselfAndLeavesItsLog)
{
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    const ProgramResult result = runGame({{"DEMO_EXIT_AFTER", "60"}});
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, 0) << result.errors;
    ASSERT_EQ(result.exitStatus, 0) << result.errors;
    expectLog({"Game: Main", "Game: exit after 60 updates"});
}

// Each stage replays its recording; what the level's earns follows from the game's rules.
TEST_F(GameProcessTest, InDemoModeTheGamePlaysItselfThroughEveryStage)
{
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    std::ifstream recording(resources() / "data" / "demo_level.txt");
    const SampleRules::Outcome expected = SampleRules::play(SampleRules::pressesOf(recording));
    ASSERT_TRUE(expected.reachedExit) << "the recording has to end the level";

    const ProgramResult result = runGame({{"DEMO_AUTOPLAY", "1"}});
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, 0) << result.errors;
    ASSERT_EQ(result.exitStatus, 0) << result.errors;
    const std::string score = std::to_string(expected.score);
    expectLog({"Game: Main", "Game: Level", "Game: End", "Game: score " + score + ", best " + score});
    tinyxml2::XMLDocument report;
    ASSERT_EQ(report.LoadFile((bin() / "report.oad").c_str()), tinyxml2::XML_SUCCESS);
    EXPECT_EQ(PlayReport::number(PlayReport::entry(report, "customint", "name", "score"), "value"),
              static_cast<unsigned>(expected.score));
}

TEST_F(GameProcessTest, WithoutAProjectFileNoWindowOpensAndTheProgramFails)
{
    std::filesystem::remove(bin() / "config.ini");
    // No display at all: a window it tried to open would fail differently.
    const ProgramResult result = runGame({{"DISPLAY", std::nullopt}});
    expectFailure(result);
    EXPECT_EQ(linesOf(result.errors).size(), 1u) << result.errors;
    EXPECT_NE(result.errors.find("config.ini"), std::string::npos) << result.errors;
    EXPECT_EQ(result.errors.find("OpenGL"), std::string::npos) << result.errors;
    EXPECT_FALSE(std::filesystem::exists(documents() / "Quorlin")) << "no log before a window";
}

TEST_F(GameProcessTest, AProjectFileWithAnotherRootIsRefused)
{
    writeFile(bin() / "config.ini", "<game><start stage=\"Main\"/></game>");
    const ProgramResult result = runGame({{"DISPLAY", std::nullopt}});
    expectFailure(result);
    EXPECT_EQ(linesOf(result.errors).size(), 1u) << result.errors;
    EXPECT_NE(result.errors.find("<project>"), std::string::npos) << result.errors;
}

TEST_F(GameProcessTest, WithoutADisplayTheContextFailureIsReported)
{
    const ProgramResult result = runGame({{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}});
    expectFailure(result);
    EXPECT_NE(result.errors.find("could not create an OpenGL context"), std::string::npos) << result.errors;
}

TEST_F(GameProcessTest, ScriptsThatFailToLoadEndTheGameAndKeepWhatTheyPrinted)
{
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    std::filesystem::remove_all(resources() / "scripts");
    writeScrambled("scripts/A.lua", "Debug.print('x')\n"
                                    "function InitA(self) end function UpdateA(self) end\n"
                                    "function DeinitA(self) end function UnloadA() end\n");
    writeScrambled("scripts/B.lua", "function InitB(self) end function UpdateB(self) end\n"
                                    "function DeinitB(self) end\n");
    writeStage({"A", "B"});
    const ProgramResult result = runGame();
    expectFailure(result);
    EXPECT_NE(result.errors.find("scripts failed to load"), std::string::npos) << result.errors;
    const std::vector<std::string> lines = onlyLogLines();
    ASSERT_EQ(lines.size(), 2u) << "the begin line and the script's line, no end lines";
    EXPECT_TRUE(isBannerLine(lines[0], "Begin")) << lines[0];
    EXPECT_EQ(lines[1], "x");
}

} // namespace
