#include <fcntl.h>
#include <linux/magic.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ScriptHarness.h"
#include "core/EventManager.h"
#include "core/FileSystemCalls.h"
#include "core/FunctionHolder.h"
#include "world/DataAnalyticManager.h"
#include "world/LoadEvent.h"
#include "world/ResourceManager.h"
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

// Links planted where the engine writes under names of its own choosing, the temporaries'
// and the error and play-data reports', are left as they are and never followed, with both
// ways of writing a temporary; the saves themselves go where they are meant to.
TEST_F(FileConfinementTest, LinksPlantedAtTheNamesTheEnginePicksAreNotFollowed)
{
    writeFile(outside() / "victim.txt", "untouched");
    const fs::path work = root() / "work";
    const std::vector<fs::path> written = {documents() / "victim_save.txt", work / "rep.oad",
                                           work / Orva::Engine::ErrorReportPath};
    std::vector<fs::path> planted;
    for (const fs::path& file : written) {
        planted.push_back(temporaryOf(file, getpid()));
        planted.push_back(file.string() + "." + std::to_string(getpid()) + ".1.tmp");
    }
    planted.push_back(work / "play_data0.oad");
    for (const fs::path& link : planted) {
        fs::create_symlink(outside() / "victim.txt", link);
    }
    writeScript("scripts/Boom.lua", BoomSource);
    ASSERT_TRUE(loadScripts());
    objects().create("boom")->addLuaScript("Boom");

    testing::internal::CaptureStderr();
    for (const bool named : {false, true}) {
        Orva::FileSystemCalls::namedTemporariesOnly(named);
        EXPECT_TRUE(holds("Resources.ResourceManager.saveFile('victim_save.txt', 'saved')"));
        EXPECT_EQ(
            run("analytic:enableCustomDataTracking(); analytic:setIntData('n', 1); analytic:save('rep.oad')"),
            "");
        runFrames(3);
    }
    Orva::FileSystemCalls::namedTemporariesOnly(false);
    const std::string report = errorReport();
    fs::rename(work / Orva::Engine::ErrorReportPath, work / "error.kept");
    fs::create_symlink(outside() / "victim.txt", work / Orva::Engine::ErrorReportPath);
    runFrames(1);
    Orva::Analytic::DataAnalyticManager::getInstance().save("play_data0.oad");
    const std::string said = testing::internal::GetCapturedStderr();

    EXPECT_EQ(readFile(outside() / "victim.txt"), "untouched");
    EXPECT_EQ(outsideNames(), std::vector<std::string>{"victim.txt"});
    EXPECT_EQ(readFile(written[0]), "saved");
    EXPECT_NE(readFile(written[1]).find("name=\"n\""), std::string::npos);
    EXPECT_EQ(report, "Lua Script Error in Boom.lua when doing Engine\nLine:2: x");
    for (const fs::path& link : planted) {
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link))) << link;
    }
    const std::string notFollowed = "\": it is a symbolic link, which the engine does not follow there\n";
    EXPECT_NE(said.find("engine: could not write \"error.txt" + notFollowed), std::string::npos) << said;
    EXPECT_NE(said.find("analytics: could not write \"play_data0.oad" + notFollowed), std::string::npos)
        << said;
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

// Keeps the contents of the loader's replies to it.
struct LoadReplies
{
    Orva::EventCallbackObject callbacks;
    std::vector<std::string> contents;

    Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }
    void onReply(Orva::BaseEvent* event)
    {
        if (const Orva::Events::LoadEvent* reply = Orva::Events::replyForSender(event, this)) {
            contents.push_back(reply->entries.at(0).contents);
        }
    }
};

// A resource directory a script chose stays where it was checked: swapped afterwards for a link
// to an outside folder, it leads nowhere, for the script's appends and for the reads of names
// the script handed over, on the main thread and on the loader's, and for the files the engine
// writes there.
TEST_F(FileConfinementTest, TheDirectoryChosenWithSetDirectoryStaysWhereItWasChecked)
{
    using Orva::Resources::ResourceManager;
    writeFile(outside() / "pic.png", "outside");
    LoadReplies replies;
    Orva::EventManager::getInstance().ListenToEvent("OnResourceLoadComplete",
                                                    Orva::FunctionHolder(&replies, &LoadReplies::onReply));
    const std::vector<std::pair<std::string, fs::path>> chosen = {
        {documents().string() + "/gamedir/", documents() / "gamedir"},
        {"../resources/sub/", resources() / "sub"}};
    for (const auto& [directory, folder] : chosen) {
        SCOPED_TRACE(directory);
        fs::create_directories(folder);
        writeFile(folder / "pic.png", "inside");
        ASSERT_TRUE(holds("(function() local R = Resources.ResourceManager; R.setDirectory('" + directory +
                          "'); textures:load('pic.png'); return R.appendToFile('x.txt', 'before') end)()"));
        ASSERT_EQ(ResourceManager::readResource("pic.png"), "inside");

        fs::rename(folder, folder.string() + ".real");
        fs::create_directory_symlink(outside(), folder);
        testing::internal::CaptureStderr();
        EXPECT_TRUE(holds("not Resources.ResourceManager.appendToFile('x.txt', 'mine')"));
        EXPECT_EQ(ResourceManager::readResource("pic.png"), std::nullopt);
        EXPECT_FALSE(ResourceManager::saveResource("data/recording.txt", "mine", "input"));
        replies.contents.clear();
        ResourceManager::getInstance().requestLoad("pic.png", &replies);
        // The loader thread reads it in its own time; the limit only keeps a lost reply from hanging.
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (replies.contents.empty() && std::chrono::steady_clock::now() < limit) {
            runFrames(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(replies.contents, std::vector<std::string>{""});
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(
            said.find("scripts: appendToFile refused the path \"x.txt\": it leads outside its folder\n"),
            std::string::npos)
            << said;
        EXPECT_NE(
            said.find("input: could not write \"" + directory + "data/recording.txt\": it leads outside"),
            std::string::npos)
            << said;
        fs::remove(folder);
        fs::rename(folder.string() + ".real", folder);
        EXPECT_EQ(readFile(folder / "x.txt"), "before");
    }
    EXPECT_EQ(run("Resources.ResourceManager.setDirectory('../resources/')"), "");
    EXPECT_EQ(readFile(outside() / "pic.png"), "outside");
    EXPECT_EQ(outsideNames(), std::vector<std::string>{"pic.png"});
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

// A NUL byte that would cut a name short (written \0 in the line), a final separator that would
// make a folder's name a file's, a name linking to itself, at the end or as a folder, and a file
// that shares its data through a hard link.
TEST_F(FileConfinementTest, NamesTheSystemWouldReadOtherwiseAreRefused)
{
    fs::create_symlink("loop", documents() / "loop");
    fs::create_symlink("self", documents() / "self");
    writeFile(outside() / "shared.txt", "shared");
    fs::create_hard_link(outside() / "shared.txt", resources() / "shared.txt");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(holds(R"((function()
        local R = Resources.ResourceManager
        assert(not R.saveFile("save.dat\0.bak", "x") and R.openFile("save.dat\0.bak") == "")
        assert(not R.saveFile("trail/", "x") and not R.saveFile("trail\\", "x") and not R.appendToFile("trail/.", "x"))
        assert(not R.saveFile("loop", "x") and R.openFile("loop") == "" and not R.saveFile("self/x.txt", "x"))
        assert(not R.appendToFile("shared.txt", "!"))
        return R.makeDirectory("folder/") and R.saveFile("folder/a.txt", "a")
    end)())"));
    const std::string cut = "save.dat\\0.bak";
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
            "scripts: saveFile refused the path \"self/x.txt\": " + out +
            "scripts: appendToFile refused the path \"shared.txt\": it has more than one hard link, so its "
            "data may lie outside its folder\n");
    EXPECT_FALSE(fs::exists(documents() / "save.dat") || fs::exists(documents() / "trail") ||
                 fs::exists(resources() / "trail"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(documents() / "loop")));
    EXPECT_EQ(readFile(outside() / "shared.txt"), "shared");
    EXPECT_EQ(readFile(documents() / "folder" / "a.txt"), "a");
}

pid_t endedProcess()
{
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    waitpid(ended, nullptr, 0);
    return ended;
}

// Runs the saves in a child process and kills it at once when `killNow` says so.
void killSavesWhen(const std::function<void()>& saves, const std::function<bool(pid_t)>& killNow)
{
    const pid_t saver = fork();
    if (saver == 0) {
        saves();
        _exit(0);
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!killNow(saver) && std::chrono::steady_clock::now() < end) {
    }
    kill(saver, SIGKILL);
    waitpid(saver, nullptr, 0);
}

// A game's own files whose names look like temporaries survive every save of their file.
// Saves killed at random keep the file whole, and the next save leaves no temporary behind:
// with unnamed temporaries none is ever left, and a named one that a kill left proves itself
// the engine's. On the disk's file system and, where there is one, on tmpfs.
TEST_F(FileConfinementTest, SavesKeepTheGamesLookAlikesAndLeaveNoTemporaryBehind)
{
    using Orva::Resources::ResourceManager;
    std::vector<fs::path> folders = {documents()};
    char shared[] = "/dev/shm/orva-saves-XXXXXX";
    struct statfs system;
    if (statfs("/dev/shm", &system) == 0 && system.f_type == TMPFS_MAGIC && mkdtemp(shared) != nullptr) {
        folders.emplace_back(shared);
    }
    const std::unique_ptr<char, void (*)(char*)> removeShared(shared, [](char* folder) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    });
    const std::string ended = std::to_string(endedProcess());
    std::mt19937 random(7);
    for (const fs::path& folder : folders) {
        SCOPED_TRACE(folder.string());
        setenv("XDG_DOCUMENTS_DIR", folder.c_str(), 1);
        const std::vector<std::string> own = {"score.txt.12345.tmp", "score.txt.031338.tmp",
                                              "score.txt." + ended + ".tmp", "score.txt." + ended + ".1.tmp"};
        for (const std::string& name : own) {
            writeFile(folder / name, "MY OWN DATA");
        }
        ASSERT_TRUE(ResourceManager::writeDataFile("score.txt", "1"));
        // Where the file system has no unnamed files, a kill may fall between a named
        // temporary's making and its taking the proving name.
        const int unnamed = open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
        const int kills = unnamed >= 0 ? 20 : 0;
        close(unnamed);
        for (int kill = 0; kill < kills; ++kill) {
            const std::string whole(1 << 20, static_cast<char>('a' + kill));
            const auto at = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 20000);
            killSavesWhen(
                [&] {
                    for (;;)
                        ResourceManager::writeDataFile("score.txt", whole);
                },
                [&](pid_t) { return std::chrono::steady_clock::now() >= at; });
            const std::string saved = readFile(folder / "score.txt");
            EXPECT_TRUE(saved == "1" || (saved.size() == whole.size() &&
                                         saved.find_first_not_of(saved.front()) == std::string::npos))
                << "a save cut short at kill " << kill;
        }
        // A named temporary: one save killed while it is written under its proving name.
        const std::string large(64 << 20, 'n');
        bool orphanLeft = false;
        for (int attempt = 0; attempt < 10 && !orphanLeft; ++attempt) {
            std::string orphan;
            killSavesWhen(
                [&] {
                    Orva::FileSystemCalls::namedTemporariesOnly(true);
                    ResourceManager::writeDataFile("score.txt", large);
                },
                [&](pid_t saver) {
                    const std::string prefix = "score.txt." + std::to_string(saver) + ".";
                    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
                        const std::string name = entry.path().filename().string();
                        if (name.starts_with(prefix) && name != prefix + "tmp") {
                            orphan = name;
                            return true;
                        }
                    }
                    return false;
                });
            orphanLeft = !orphan.empty() && fs::exists(folder / orphan);
        }
        EXPECT_TRUE(orphanLeft) << "a killed save left its named temporary";

        ASSERT_TRUE(ResourceManager::writeDataFile("score.txt", "final"));
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::vector<std::string> expected = own;
        expected.emplace_back("score.txt");
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
        for (const std::string& name : own) {
            EXPECT_EQ(readFile(folder / name), "MY OWN DATA") << name;
        }
    }
}

} // namespace
