#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ScriptHarness.h"
#include "core/FileSystemCalls.h"
#include "world/TextureRequests.h"

// What the files a game writes and reads through the engine do when links, hard links, odd
// names, a full disk or killed saves lie beside them: nothing outside the game's folders is
// read, written or made, and what fails leaves the files as they were.

namespace {

namespace fs = std::filesystem;

const char* const BoomSource = "function InitBoom(self) end\n"
                               "function UpdateBoom(self) error('x') end\n"
                               "function DeinitBoom(self) end\n"
                               "function UnloadBoom() end\n";

class FileConfinementTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        fs::create_directories(documents());
        fs::create_directories(outside());
        setenv("XDG_DOCUMENTS_DIR", documents().c_str(), 1);
    }

    fs::path documents() const { return root() / "documents"; }
    fs::path resources() const { return root() / "resources"; }
    fs::path outside() const { return root() / "outside"; }

    std::vector<std::string> outsideNames() const
    {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(outside())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
};

std::string temporaryOf(const fs::path& file, pid_t pid)
{
    return file.string() + "." + std::to_string(pid) + ".tmp";
}

TEST_F(FileConfinementTest, ALinkPlantedAtATemporarysNameIsNotFollowed)
{
    writeFile(outside() / "victim.txt", "untouched");
    const std::vector<fs::path> written = {documents() / "victim_save.txt", root() / "work" / "rep.oad",
                                           root() / "work" / Orva::Engine::ErrorReportPath};
    for (const fs::path& file : written) {
        fs::create_symlink(outside() / "victim.txt", temporaryOf(file, getpid()));
    }
    fs::create_symlink(outside() / "planted.txt", temporaryOf(documents() / "fresh.txt", getpid()));
    writeScript("scripts/Boom.lua", BoomSource);
    ASSERT_TRUE(loadScripts());
    objects().create("boom")->addLuaScript("Boom");

    testing::internal::CaptureStderr();
    EXPECT_TRUE(holds("Resources.ResourceManager.saveFile('victim_save.txt', 'saved')"));
    EXPECT_TRUE(holds("Resources.ResourceManager.saveFile('fresh.txt', 'fresh')"));
    EXPECT_EQ(
        run("analytic:enableCustomDataTracking(); analytic:setIntData('n', 1); analytic:save('rep.oad')"),
        "");
    runFrames(3);
    testing::internal::GetCapturedStderr();

    EXPECT_EQ(readFile(outside() / "victim.txt"), "untouched");
    EXPECT_EQ(outsideNames(), std::vector<std::string>{"victim.txt"});
    EXPECT_EQ(readFile(written[0]), "saved");
    EXPECT_NE(readFile(written[1]).find("name=\"n\""), std::string::npos);
    EXPECT_EQ(errorReport(), "Lua Script Error in Boom.lua when doing Engine\nLine:2: x");
    for (const fs::path& file : written) {
        EXPECT_FALSE(fs::is_symlink(fs::symlink_status(temporaryOf(file, getpid())))) << file;
    }
}

// The folder a script names is swapped back and forth with a link to an outside folder while
// the script saves, appends, reads and makes folders through it, along both ways the engine
// goes down a path. Each call works or fails; none reaches outside.
TEST_F(FileConfinementTest, AFolderSwappedForALinkMeanwhileLeadsNowhere)
{
    writeFile(outside() / "secret.txt", "secret");
    fs::create_directories(documents() / "saves");
    fs::create_directories(resources() / "logs");
    fs::create_directory_symlink(outside(), documents() / "swap");
    fs::create_directory_symlink(outside(), resources() / "swap");
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        const std::string saves = (documents() / "saves").string();
        const std::string logs = (resources() / "logs").string();
        const std::string savesSwap = (documents() / "swap").string();
        const std::string logsSwap = (resources() / "swap").string();
        while (!stop.load()) {
            renameat2(AT_FDCWD, saves.c_str(), AT_FDCWD, savesSwap.c_str(), RENAME_EXCHANGE);
            renameat2(AT_FDCWD, logs.c_str(), AT_FDCWD, logsSwap.c_str(), RENAME_EXCHANGE);
        }
    });
    ASSERT_EQ(run(R"(function attempt()
        local R = Resources.ResourceManager
        R.saveFile("saves/secret.txt", "mine"); R.appendToFile("logs/secret.txt", "mine")
        R.makeDirectory("saves/made")
        leaked = leaked or R.openFile("saves/secret.txt") == "secret"
    end)"),
              "");
    testing::internal::CaptureStderr();
    int attempts = 0;
    for (const bool walk : {false, true}) {
        Orva::FileSystemCalls::walkSegmentsOnly(walk);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            ASSERT_EQ(run("attempt()"), "");
            ++attempts;
        }
    }
    Orva::FileSystemCalls::walkSegmentsOnly(false);
    stop.store(true);
    swapper.join();
    testing::internal::GetCapturedStderr();

    EXPECT_GT(attempts, 0);
    EXPECT_TRUE(holds("not leaked")) << "nothing was read from outside";
    EXPECT_EQ(readFile(outside() / "secret.txt"), "secret");
    EXPECT_EQ(outsideNames(), std::vector<std::string>{"secret.txt"});
}

// The play-data report stays in bin/, and the readers of images, sounds and recordings in the
// resource folder, links followed, with the lines of today's refusals; a link that stays
// inside still works.
TEST_F(FileConfinementTest, TheReportAndTheResourceReadersRefuseLinksLeadingOut)
{
    fs::create_directory_symlink(outside(), root() / "work" / "binlink");
    fs::create_directory_symlink(outside(), resources() / "outlink");
    fs::create_directories(resources() / "images");
    fs::create_directory_symlink(resources() / "images", resources() / "inlink");
    objects().create("thing")->addComponent<Orva::TransformComponent>();

    testing::internal::CaptureStderr();
    EXPECT_EQ(
        run(R"(analytic:save("binlink/rep.oad"); textures:load("outlink/a.png"); audio:load("outlink/a.wav")
        local o = gameObjects:find("thing")
        local s = o:addSprite(); s:init("outlink/a.png"); s:changeTexture("outlink/b.png")
        o:addParticle():get():setTexture("outlink/c.png"); input:useTrackingData("outlink/rec.txt")
        textures:load("inlink/in.png"))"),
        "");
    std::string expected = "analytics: refused the report path \"binlink/rep.oad\"\n";
    for (const char* refusal :
         {"load refused the path \"outlink/a.png\"", "load refused the path \"outlink/a.wav\"",
          "init refused the path \"outlink/a.png\"", "changeTexture refused the path \"outlink/b.png\"",
          "setTexture refused the path \"outlink/c.png\""}) {
        expected += std::string("scripts: ") + refusal + ": it leads outside its folder\n";
    }
    expected += "input: refused the recording path \"outlink/rec.txt\"\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
    EXPECT_EQ(TextureRequests::pendingPaths(), std::vector<std::string>{"inlink/in.png"});
    EXPECT_TRUE(outsideNames().empty());
}

// A write the disk cannot take (here the file-size limit, which cuts the write short as a
// full disk does) leaves the file byte for byte as before and makes none that was missing.
TEST_F(FileConfinementTest, AFailedAppendLeavesTheFileAsItWas)
{
    writeFile(resources() / "log.txt", "earlier\n");
    ASSERT_EQ(run("big = string.rep('x', 3 * 1024 * 1024)"), "");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1 << 20;
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    const bool appended = eval<bool>("Resources.ResourceManager.appendToFile('log.txt', big)");
    const bool made = eval<bool>("Resources.ResourceManager.appendToFile('new.txt', big)");
    const std::string said = testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(appended || made);
    EXPECT_EQ(readFile(resources() / "log.txt"), "earlier\n");
    EXPECT_FALSE(fs::exists(resources() / "new.txt"));
    EXPECT_EQ(said, "resources: could not write \"../resources/log.txt\": File too large\n"
                    "resources: could not write \"../resources/new.txt\": File too large\n");
    EXPECT_TRUE(holds("Resources.ResourceManager.appendToFile('log.txt', 'next\\n')"));
    EXPECT_EQ(readFile(resources() / "log.txt"), "earlier\nnext\n");
}

// A NUL byte that would cut a name short, a final separator that would make a folder's name a
// file's, a name linking to itself and a file that shares its data through a hard link.
TEST_F(FileConfinementTest, NamesTheSystemWouldReadOtherwiseAreRefused)
{
    fs::create_symlink("loop", documents() / "loop");
    writeFile(outside() / "shared.txt", "shared");
    fs::create_hard_link(outside() / "shared.txt", resources() / "shared.txt");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(holds(R"((function()
        local R = Resources.ResourceManager
        assert(not R.saveFile("save.dat\0.bak", "x") and R.openFile("save.dat\0.bak") == "")
        assert(not R.saveFile("trail/", "x") and not R.saveFile("trail\\", "x") and not R.appendToFile("trail/.", "x"))
        assert(not R.saveFile("loop", "x") and R.openFile("loop") == "" and not R.appendToFile("shared.txt", "!"))
        return R.makeDirectory("folder/") and R.saveFile("folder/a.txt", "a")
    end)())"));
    const std::string cut("save.dat\0.bak", 13);
    const std::string nul = "it holds a NUL byte, where the system would end the name\n";
    const std::string folder = "it ends in a separator or \".\", which names a folder, not a file\n";
    const std::string out = "it leads outside its folder\n";
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "scripts: saveFile refused the path \"" + cut + "\": " + nul +
            "scripts: openFile refused the path \"" + cut + "\": " + nul +
            "scripts: saveFile refused the path \"trail/\": " + folder +
            "scripts: saveFile refused the path \"trail\\\": " + folder +
            "scripts: appendToFile refused the path \"trail/.\": " + folder +
            "scripts: saveFile refused the path \"loop\": " + out +
            "scripts: openFile refused the path \"loop\": " + out +
            "scripts: appendToFile refused the path \"shared.txt\": it has more than one hard link, so its "
            "data may lie outside its folder\n");
    EXPECT_FALSE(fs::exists(documents() / "save.dat") || fs::exists(documents() / "trail") ||
                 fs::exists(resources() / "trail"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(documents() / "loop")));
    EXPECT_EQ(readFile(outside() / "shared.txt"), "shared");
    EXPECT_EQ(readFile(documents() / "folder" / "a.txt"), "a");
}

// Temporaries of processes that ended go at the next save of their file; one of a running
// process (it may still be saving) and everything else of the folder stay.
TEST_F(FileConfinementTest, TheNextSaveRemovesTheTemporariesOfEndedProcesses)
{
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    waitpid(ended, nullptr, 0);
    const pid_t running = fork();
    if (running == 0) {
        pause();
        _exit(0);
    }
    const fs::path save = documents() / "save.dat";
    const std::vector<std::string> kept = {
        temporaryOf(save, running), temporaryOf(documents() / "other.dat", ended), save.string() + ".bak",
        save.string() + "." + std::to_string(ended) + "x.tmp", save.string() + ".tmp"};
    writeFile(temporaryOf(save, ended), "left by a killed save");
    for (const std::string& file : kept) {
        writeFile(file, "kept");
    }
    const bool saved = eval<bool>("Resources.ResourceManager.saveFile('save.dat', 'new')");
    kill(running, SIGKILL);
    waitpid(running, nullptr, 0);

    EXPECT_TRUE(saved);
    EXPECT_FALSE(fs::exists(temporaryOf(save, ended)));
    for (const std::string& file : kept) {
        EXPECT_EQ(readFile(file), "kept") << file;
    }
}

} // namespace
