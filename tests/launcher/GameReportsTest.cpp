#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "GameFixture.h"
#include "world/GameStateManager.h"
#include "world/ResourceManager.h"

// What the program says on stderr when the game it runs is wrong, in the test process: one
// line each, once, naming what is wrong.

namespace {

using GameReportsTest = GameTest;

const char* const ConfigTail = R"(<resolution x="160" y="120"/><executable name="Reports"/><icon src=""/>)";

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
        "launcher: config.ini: no <resolution x=\"...\" y=\"...\"/>: the window opens 1 by 1 pixel\n"
        "launcher: the start stage \"\" is not among the stages found (\"End\", \"Level\", \"Main\")\n");

    writeConfig("<resource directory=\"../resources/\"/><start stage=\"Main\"/>" + std::string(ConfigTail));
    writeScrambled("main.stg", "<stage><info>");
    EXPECT_EQ(reportOfStart(),
              "game states: /main.stg skipped: malformed XML at line 1 (XML_ERROR_MISMATCHED_ELEMENT)\n"
              "launcher: the start stage \"Main\" is not among the stages found (\"End\", "
              "\"Level\")\n");

    std::filesystem::remove_all(resources());
    std::filesystem::create_directories(resources());
    EXPECT_EQ(reportOfStart(), "launcher: the start stage \"Main\" is not among the stages found (none)\n");
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The mistakes whose messages pointed elsewhere: each is named once, with what mends it.
TEST_F(GameReportsTest, MistakesOfAGameFolderAreNamedOnceWithTheirMend)
{
    const std::string store = "store it with \"scramble enc <text file> <stored file>\" (build/bin/scramble)";
    std::filesystem::remove(bin() / "config.ini");
    testing::internal::CaptureStderr();
    EXPECT_EQ(startUp(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "launcher: config.ini: not found in " + std::filesystem::current_path().string() +
                  ": Executable runs from the game's bin/ folder, where its config.ini lies\n");

    const std::string config =
        "<resource directory=\"../resources/\"/><start stage=\"Main\"/>" + std::string(ConfigTail);
    writeConfig(config);
    std::filesystem::remove_all(resources() / "scripts");
    std::filesystem::create_directories(resources() / "scripts");
    writeFile(resources() / "scripts" / "Ball.lua",
              "function InitBall(self) end function UpdateBall(self) end\n"
              "function DeinitBall(self) end function UnloadBall() end\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(startUp(), -1);
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "launcher: scripts failed to load: Error when loading: scripts/Ball.lua scripts/Ball.lua is not in "
        "the stored form (plain text?): " +
            store + ".\n");

    std::filesystem::remove_all(resources());
    copySampleGame(bin(), resources());
    writeConfig(config);
    writeFile(resources() / "level.stg", "<stage><info><name text=\"Level\"/></info></stage>");
    writeScrambled("end.stg", "<stage>\n<info>\n</stage>");
    writeFile(resources() / "sounds" / "chime.wav", "no sound in here");
    testing::internal::CaptureStderr();
    ASSERT_EQ(startUp(), 0);
    EXPECT_TRUE(runFramesUntil([] {
        return Orva::GameStateManager::getInstance().getCurrentStateName() == "Main" &&
               Orva::Resources::ResourceManager::getInstance().isDone();
    }));
    runFrames(2);
    Orva::Launcher::shutDown();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(errors, "game states: /level.stg skipped: not in the stored form (plain text?): " +
                                      store + "\n"),
              1u)
        << errors;
    EXPECT_EQ(occurrences(
                  errors,
                  "game states: /end.stg skipped: malformed XML at line 2 (XML_ERROR_MISMATCHED_ELEMENT)\n"),
              1u)
        << errors;
    EXPECT_EQ(occurrences(errors, "audio: cannot decode ../resources/sounds/chime.wav (16 bytes): "), 1u)
        << errors;
}

} // namespace
