#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "GameFixture.h"
#include "ProgramRun.h"

// Executable as a process, run from a copy of the built sample: a whole game to its end,
// the ways start-up fails, each with exit status 255 and no crash, and the ways a running
// game ends without its window closing: a script's os.exit, and a display that goes away.

namespace {

using namespace std::chrono_literals;

constexpr int FailureStatus = 255;

// An X server of the test's own on the first free display, which the test may take away.
class OwnDisplay
{
public:
    OwnDisplay()
    {
        int channel[2];
        if (pipe(channel) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, channel[0]);
        posix_spawn_file_actions_adddup2(&actions, channel[1], 3);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::string arguments[] = {"Xvfb", "-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const bool started = posix_spawnp(&server_, "Xvfb", &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(channel[1]);
        // The server writes its display number and a line feed once it accepts clients.
        std::string number;
        pollfd waiting{channel[0], POLLIN, 0};
        char c = 0;
        while (started && poll(&waiting, 1, 10000) > 0 && read(channel[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(channel[0]);
        if (!started) {
            server_ = 0;
        } else if (!number.empty() && c == '\n') {
            name_ = ":" + number;
        }
    }
    ~OwnDisplay() { takeAway(); }
    OwnDisplay(const OwnDisplay&) = delete;
    OwnDisplay& operator=(const OwnDisplay&) = delete;

    // Empty when no server could be started.
    const std::string& name() const { return name_; }
    void takeAway()
    {
        if (server_ > 0) {
            kill(server_, SIGTERM);
            waitpid(server_, nullptr, 0);
            server_ = 0;
        }
    }

private:
    pid_t server_ = 0;
    std::string name_;
};

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
    EXPECT_EQ(result.errors, "") << "the sample has nothing to complain about";
    expectLog({"Demo: init", "Demo: exit after 60 updates", "Demo: deinit"});
}

TEST_F(GameProcessTest, AScriptEndingTheProcessStillClosesTheLog)
{
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    writeScrambled("scripts/Demo.lua", "function InitDemo(self) Debug.print('init') end\n"
                                       "function UpdateDemo(self) Debug.print('leaving') os.exit(3) end\n"
                                       "function DeinitDemo(self) end function UnloadDemo() end\n");
    const ProgramResult result = runGame();
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 3) << result.errors;
    expectLog({"init", "leaving"});
}

TEST_F(GameProcessTest, ALostDisplayEndsTheGameAtOnceWithOneLineAndItsLogComplete)
{
    OwnDisplay display;
    if (display.name().empty()) {
        GTEST_SKIP() << "no X server of its own could be started";
    }
    const RunningProgram game =
        startProgram(bin() / "Executable", bin(), {{"SDL_VIDEODRIVER", "x11"}, {"DISPLAY", display.name()}});
    // Mid-game: the log is open, and the game has had time to enter its stage.
    const auto opened = std::chrono::steady_clock::now() + 60s;
    while (logFiles().empty() && std::chrono::steady_clock::now() < opened) {
        std::this_thread::sleep_for(10ms);
    }
    std::this_thread::sleep_for(500ms);
    display.takeAway();
    const auto gone = std::chrono::steady_clock::now();
    const ProgramResult result = waitForProgram(
        game, std::chrono::duration_cast<std::chrono::milliseconds>(gone - game.started) + 5s);
    EXPECT_FALSE(result.timedOut) << "ended within 5 s";
    EXPECT_EQ(result.signal, 0) << result.errors;
    EXPECT_EQ(result.exitStatus, FailureStatus) << result.errors;
    EXPECT_EQ(result.errors, "launcher: the display connection was lost\n");
    const std::vector<std::string> lines = onlyLogLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(isBannerLine(lines.front(), "Begin")) << lines.front();
    EXPECT_TRUE(isBannerLine(lines[lines.size() - 3], "End")) << lines[lines.size() - 3];
    EXPECT_EQ(lines.back(), "Thanks for playing our game! We really hope that you enjoyed it!");
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
    EXPECT_EQ(result.errors, "launcher: scripts failed to load: Error when loading: scripts/B.lua "
                             "UnloadB function is not defined. "
                             "Note that these functions have to be defined for the script to work.\n");
    const std::vector<std::string> lines = onlyLogLines();
    ASSERT_EQ(lines.size(), 2u) << "the begin line and the script's line, no end lines";
    EXPECT_TRUE(isBannerLine(lines[0], "Begin")) << lines[0];
    EXPECT_EQ(lines[1], "x");
}

} // namespace
