#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>

#include "GameFixture.h"
#include "PlayReport.h"
#include "ProgramRun.h"
#include "SampleRules.h"

// Executable as a process, run from a copy of the built sample: a whole game to its end,
// the ways start-up fails, each with exit status 255 and no crash, and the ways a running
// game ends without its window closing: a script's os.exit, and a display that goes away.

namespace {

using namespace std::chrono_literals;

constexpr int FailureStatus = 255;

// An X server of the test's own on a free display, which the test may take away.
struct OwnDisplay
{
    OwnDisplay()
    {
        FILE* out =
            popen("Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp 2>/dev/null & echo pid $!", "r");
        char line[64];
        while (out && (server == 0 || name.empty()) && std::fgets(line, sizeof line, out)) {
            if (std::strncmp(line, "pid ", 4) == 0) {
                server = std::atoi(line + 4);
            } else {
                name = ":" + std::to_string(std::atoi(line));
            }
        }
        if (out) {
            pclose(out);
        }
    }
    ~OwnDisplay() { takeAway(); }
    void takeAway()
    {
        if (server > 0) {
            kill(std::exchange(server, 0), SIGTERM);
        }
    }

    pid_t server = 0;
    // Empty when no server could be started.
    std::string name;
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
    EXPECT_EQ(result.errors, "");
    const std::string score = std::to_string(expected.score);
    expectLog({"Game: Main", "Game: Level", "Game: End", "Game: score " + score + ", best " + score});
    tinyxml2::XMLDocument report;
    ASSERT_EQ(report.LoadFile((bin() / "report.oad").c_str()), tinyxml2::XML_SUCCESS);
    EXPECT_EQ(reportedNumber(report, "customint", "name", "score", "value"),
              static_cast<unsigned>(expected.score));
}

TEST_F(GameProcessTest, AScriptEndingTheProcessStillClosesTheLog)
{
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    writeScrambled("scripts/Demo.lua", "function InitDemo(self) Debug.print('init') end\n"
                                       "function UpdateDemo(self) Debug.print('leaving') os.exit(3) end\n"
                                       "function DeinitDemo(self) end function UnloadDemo() end\n");
    writeStage({"Demo"});
    const ProgramResult result = runGame();
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 3) << result.errors;
    expectLog({"init", "leaving"});
}

TEST_F(GameProcessTest, ALostDisplayEndsTheGameAtOnceWithOneLineAndItsLogComplete)
{
    OwnDisplay display;
    if (display.name.empty()) {
        GTEST_SKIP() << "no X server of its own could be started";
    }
    // Mid-game: the log is open and the game has had time to enter its stage.
    const ProgramResult result =
        runProgram(bin() / "Executable", bin(), {{"SDL_VIDEODRIVER", "x11"}, {"DISPLAY", display.name}},
                   WaitLimit, [&](pid_t) {
                       waitUntil([&] { return !logFiles().empty(); });
                       std::this_thread::sleep_for(500ms);
                       display.takeAway();
                   });
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, FailureStatus) << result.errors;
    EXPECT_EQ(result.errors, "launcher: the display connection was lost\n");
    const std::vector<std::string> lines = onlyLogLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(isBannerLine(lines.front(), "Begin")) << lines.front();
    EXPECT_TRUE(isBannerLine(lines[lines.size() - 3], "End")) << lines[lines.size() - 3];
}

// A close request ends the game at once with its log closed, also while a script fails in
// every frame: the failure no longer keeps the frame from hearing the request.
TEST_F(GameProcessTest, ASignalEndsTheGameWithItsLogWhileAScriptFailsEveryFrame)
{
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    writeScrambled("scripts/Demo.lua", "function InitDemo(self) Debug.print('init') end\n"
                                       "function UpdateDemo(self) error('every frame') end\n"
                                       "function DeinitDemo(self) end function UnloadDemo() end\n");
    writeStage({"Demo"});
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::filesystem::remove_all(logFolder());
        std::filesystem::remove(bin() / "error.txt");
        // The signal comes once the script has failed: error.txt is written in every frame it fails.
        const ProgramResult result =
            runProgram(bin() / "Executable", bin(), {{"SDL_VIDEODRIVER", "x11"}}, WaitLimit, [&](pid_t game) {
                waitUntil([&] { return std::filesystem::exists(bin() / "error.txt"); });
                kill(game, signal);
            });
        EXPECT_TRUE(!result.timedOut && result.exitStatus == 0) << strsignal(signal) << ": " << result.errors;
        EXPECT_NE(result.errors.find("Lua Script Error in Demo.lua when doing Engine\nLine:2: every frame"),
                  std::string::npos);
        expectLog({"init"});
    }
}

// Steps of 0.1 s make every frame from the third on run 64 of them; a close request ends them
// after the step under way, and the game ends with its log closed. Each step saves its count.
TEST_F(GameProcessTest, ACloseSignalEndsSlowFixedStepsAfterTheStepUnderWay)
{
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    writeScrambled("scripts/Slow.lua", R"(
        local steps = 0
        function InitSlow(self) Debug.print('init') end
        function UpdateSlow(self)
            local start = os.clock()
            while os.clock() - start < 0.1 do end
            steps = steps + 1
            Resources.ResourceManager.saveFile("Quorlin/Vaskerel/steps.txt", tostring(steps))
        end
        function DeinitSlow(self) end function UnloadSlow() end)");
    writeStage({"Slow"});
    const auto stepsSaved = [&] {
        const std::string count = readFile(logFolder() / "steps.txt");
        return count.empty() ? 0 : std::stoi(count);
    };
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::filesystem::remove_all(logFolder());
        int stepsAtSignal = 0;
        const ProgramResult result =
            runProgram(bin() / "Executable", bin(), {{"SDL_VIDEODRIVER", "x11"}}, 60s, [&](pid_t game) {
                for (int wait = 0; stepsSaved() < 10 && wait < 6000; ++wait) {
                    std::this_thread::sleep_for(10ms);
                }
                stepsAtSignal = stepsSaved();
                kill(game, signal);
            });
        EXPECT_TRUE(!result.timedOut && result.exitStatus == 0) << strsignal(signal) << ": " << result.errors;
        // The step under way, and the one after it if it ended between the count's reading and the signal.
        EXPECT_LE(stepsSaved() - stepsAtSignal, 2) << strsignal(signal) << ", from step " << stepsAtSignal;
        expectLog({"init"});
    }
}

// A game killed outright keeps what its scripts printed until about a second before, also
// when a step never returns: lines wait in the buffer no longer than that.
TEST_F(GameProcessTest, AKilledGameKeepsInItsLogWhatWasPrintedBeforeItsLastSecond)
{
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    writeScrambled("scripts/Stuck.lua", R"(
        function InitStuck(self) Debug.print('init') end
        function UpdateStuck(self) Debug.print('stuck for good') while true do end end
        function DeinitStuck(self) end function UnloadStuck() end)");
    writeStage({"Stuck"});
    const auto logLines = [&] { return logFiles().empty() ? 0 : linesOf(readFile(logFiles()[0])).size(); };
    const ProgramResult result =
        runProgram(bin() / "Executable", bin(), {{"SDL_VIDEODRIVER", "x11"}}, 60s, [&](pid_t game) {
            for (int wait = 0; logLines() < 3 && wait < 3000; ++wait) {
                std::this_thread::sleep_for(10ms);
            }
            kill(game, SIGKILL);
        });
    EXPECT_EQ(result.signal, SIGKILL) << result.errors;
    const std::vector<std::string> lines = onlyLogLines();
    ASSERT_EQ(lines.size(), 3u) << "the begin line and both script lines";
    EXPECT_EQ(std::vector(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{"init", "stuck for good"}));
}

// A full disk: every write fails. A file-size limit of 0 stands in for it where a small full
// file system cannot be mounted; its signal ignored, each write fails with EFBIG for ENOSPC.
void fillTheDisk()
{
    signal(SIGXFSZ, SIG_IGN);
    const rlimit nothingMore{0, 0};
    setrlimit(RLIMIT_FSIZE, &nothingMore);
}

// Root writes into read-only folders unless it gives that right up.
constexpr int RootKeepsItsRights = 126;
void keepToReadOnlyFolders()
{
    if (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 && geteuid() == 0) {
        _exit(RootKeepsItsRights);
    }
}

// Each file that cannot be written is named once on stderr, however often it is written; the
// earlier files stay whole, no temporary or half-made file is left, and the game goes on to
// its end.
TEST_F(GameProcessTest, AFullOrReadOnlyDiskNamesEachFileOnceAndTheGameGoesOn)
{
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    writeScrambled("scripts/Saver.lua", R"(
        function InitSaver(self)
            for i = 1, 12 do Debug.print("a line long enough to fill the log's batches " .. i) end
            local R = Resources.ResourceManager
            R.saveFile("Quorlin/Vaskerel/best.txt", "12"); R.saveFile("Quorlin/Vaskerel/best.txt", "13")
            analytic:save("report.oad"); analytic:save("report.oad")
        end
        function UpdateSaver(self) engine:exit() end
        function DeinitSaver(self) end function UnloadSaver() end)");
    writeStage({"Saver"});
    const auto once = [](const std::string& errors, const std::string& text) {
        return errors.find(text) != std::string::npos && errors.find(text) == errors.rfind(text);
    };
    const std::string log = "launcher: could not write \"" + logFolder().string() + "/lua-log_";
    const std::string best = "resources: could not write \"" + (logFolder() / "best.txt").string() + "\": ";
    std::filesystem::create_directories(logFolder());
    writeFile(logFolder() / "best.txt", "7");
    writeFile(bin() / "report.oad", "<data>\n</data>");
    const ProgramResult full =
        runProgram(bin() / "Executable", bin(), {{"SDL_VIDEODRIVER", "x11"}}, 120s, {}, &fillTheDisk);
    EXPECT_EQ(full.exitStatus, 0) << full.errors;
    EXPECT_TRUE(once(full.errors, log) && once(full.errors, best + "File too large") &&
                once(full.errors, "analytics: could not write \"report.oad\": File too large"))
        << full.errors;
    EXPECT_EQ(readFile(logFolder() / "best.txt") + readFile(bin() / "report.oad"), "7<data>\n</data>");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(logFolder()), {}), 1)
        << "no temporary is left, nor the log that failed appends would have made";
    using std::filesystem::perms;
    std::filesystem::permissions(logFolder() / "best.txt", perms::owner_read);
    std::filesystem::permissions(logFolder(), perms::owner_read | perms::owner_exec);
    const ProgramResult readOnly = runProgram(bin() / "Executable", bin(), {{"SDL_VIDEODRIVER", "x11"}}, 120s,
                                              {}, &keepToReadOnlyFolders);
    std::filesystem::permissions(logFolder(), perms::owner_all);
    if (readOnly.exitStatus == RootKeepsItsRights) {
        GTEST_SKIP() << "running as root, the test cannot give up writing into read-only folders";
    }
    EXPECT_EQ(readOnly.exitStatus, 0) << readOnly.errors;
    EXPECT_TRUE(once(readOnly.errors, log) && once(readOnly.errors, best + "Permission denied"))
        << readOnly.errors;
    EXPECT_EQ(readFile(logFolder() / "best.txt"), "7");
}

// Pipes where a script's save, read and append, an image, a sound, a recording and a stage
// are meant: opening one would wait for a writer or a reader for good, and then no close
// request is heard. Each call returns, the script's ones with their refusal line, and the game
// ends by itself with its log closed.
TEST_F(GameProcessTest, PipesWhereFilesAreMeantAreRefusedWithoutWaiting)
{
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    writeScrambled("scripts/Probe.lua", R"(
        local updates = 0
        function InitProbe(self)
            local R = Resources.ResourceManager
            Debug.print("read " .. R.openFile("pipe.txt") .. ", saved " .. tostring(R.saveFile("pipe.txt", "x")) ..
                        ", appended " .. tostring(R.appendToFile("pipe.txt", "x")))
            textures:load("pipe.png"); audio:load("pipe.wav"); input:useTrackingData("pipe.rec")
        end
        function UpdateProbe(self)
            updates = updates + 1
            if updates == 30 then Debug.print("still running") engine:exit() end
        end
        function DeinitProbe(self) end function UnloadProbe() end)");
    writeStage({"Probe"});
    std::filesystem::create_directories(documents());
    for (const std::filesystem::path& pipe :
         {documents() / "pipe.txt", resources() / "pipe.txt", resources() / "pipe.png",
          resources() / "pipe.wav", resources() / "pipe.rec", resources() / "other.stg"}) {
        ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0) << pipe;
    }
    // On a loaded machine the sanitized build's leak checker has crashed in its own thread
    // stopper at this game's exit ("Tracer caught signal 11"), failing a clean end; leaks
    // are the other process tests' to find.
    const ProgramResult result = runGame({{"LSAN_OPTIONS", "detect_leaks=0"}});
    ASSERT_FALSE(result.timedOut) << "a pipe kept the game waiting";
    EXPECT_EQ(result.exitStatus, 0) << result.errors;
    for (const char* function : {"openFile", "saveFile", "appendToFile"}) {
        EXPECT_NE(result.errors.find(std::string("scripts: ") + function +
                                     " refused the path \"pipe.txt\": it is not a regular file\n"),
                  std::string::npos)
            << result.errors;
    }
    expectLog({"read , saved false, appended false", "still running"});
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
