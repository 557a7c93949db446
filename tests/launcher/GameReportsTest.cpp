#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "GameFixture.h"
#include "world/GameStateManager.h"

// What the program says on stderr when the game it runs is wrong, in the test process: one
// line each, once, naming what is wrong.

namespace {

using GameReportsTest = GameTest;

const char* const ConfigTail = R"(<executable name="Reports"/><icon src=""/>)";

TEST_F(GameReportsTest, ScriptsThatFailToLoadSayWhyWithTheFileAndLine)
{
    const auto startUpWithScript = [this](const std::string& directory, const std::string& source) {
        writeConfig("<resource directory=\"" + directory + "\"/><start stage=\"Main\"/>" + ConfigTail);
        writeScrambled("scripts/Demo.lua", source);
        testing::internal::CaptureStderr();
        EXPECT_EQ(startUp(), -1);
        return testing::internal::GetCapturedStderr();
    };
    std::filesystem::remove_all(resources() / "scripts");
    const std::string prefix = "launcher: scripts failed to load: Error when loading: scripts/Demo.lua ";
    EXPECT_EQ(startUpWithScript("../resources/", "function InitDemo(self)\n  local x = = 1\nend\n"),
              prefix + "Line 2: unexpected symbol near '='\n");
    // Without its final "/", the directory runs into every script path.
    const std::string unslashed = startUpWithScript("../resources", "function InitDemo(self) end");
    EXPECT_EQ(linesOf(unslashed).size(), 1u) << unslashed;
    EXPECT_EQ(unslashed.rfind(prefix + "UpdateDemo function is not defined.", 0), 0u) << unslashed;
    EXPECT_NE(unslashed.find("(no file ../resourcesscripts/Demo.lua)\n"), std::string::npos) << unslashed;
}

TEST_F(GameReportsTest, AStartStageThatIsNotFoundIsNamedOnceWithTheStagesFound)
{
    const auto reportOfStart = [this]() {
        testing::internal::CaptureStderr();
        EXPECT_EQ(startUp(), 0);
        EXPECT_TRUE(runFramesUntil([] { return Orva::GameStateManager::getInstance().isLoaded(); }));
        EXPECT_TRUE(runFrames(3)) << "the window stays";
        Orva::Launcher::shutDown();
        return testing::internal::GetCapturedStderr();
    };
    writeConfig("<resource directory=\"../resources/\"/><start stage=\"Mian\"/>" + std::string(ConfigTail));
    EXPECT_EQ(
        reportOfStart(),
        "launcher: the start stage \"Mian\" is not among the stages found (\"End\", \"Level\", \"Main\")\n");

    writeFile(bin() / "config.ini", "<project/>");
    EXPECT_EQ(
        reportOfStart(),
        "launcher: the start stage \"\" is not among the stages found (\"End\", \"Level\", \"Main\")\n");

    writeConfig("<resource directory=\"../resources/\"/><start stage=\"Main\"/>" + std::string(ConfigTail));
    writeScrambled("main.stg", "<stage><info>");
    EXPECT_EQ(reportOfStart(), "game states: /main.stg skipped: not a readable stage file\n"
                               "launcher: the start stage \"Main\" is not among the stages found (\"End\", "
                               "\"Level\")\n");

    std::filesystem::remove_all(resources());
    std::filesystem::create_directories(resources());
    EXPECT_EQ(reportOfStart(), "launcher: the start stage \"Main\" is not among the stages found (none)\n");
}

} // namespace
