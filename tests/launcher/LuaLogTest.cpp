#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <utility>

#include "GameFolder.h"
#include "LuaLog.h"
#include "world/ResourceManager.h"

// The Lua log on its own: names and lines, where it goes, batching, lost batches, and the
// run without a Documents folder.

namespace {

namespace Launcher = Orva::Launcher;
namespace Resources = Orva::Resources;

std::tm timeOf(int year, int month, int day, int hour, int minute, int second)
{
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

class LuaLogTest : public GameFolderTest
{
protected:
    void TearDown() override
    {
        Launcher::closeLuaLog();
        GameFolderTest::TearDown();
    }

    static std::string logText() { return readFile(Launcher::luaLogPath()); }
    // The log's text without its begin line.
    static std::string loggedLines()
    {
        const std::string text = logText();
        return text.substr(text.find('\n') + 1);
    }
};

TEST(LuaLogFormat, NumbersHaveNoLeadingZeros)
{
    EXPECT_EQ(Launcher::luaLogFileName(timeOf(2017, 4, 9, 8, 5, 30)), "lua-log_2017-4-9_8-5-30.txt");
    EXPECT_EQ(Launcher::luaLogFileName(timeOf(2026, 12, 31, 0, 0, 0)), "lua-log_2026-12-31_0-0-0.txt");
    EXPECT_EQ(Launcher::luaLogBeginLine(timeOf(2017, 4, 9, 8, 5, 30)),
              "===================== Lua Logging Begin 8:5:30 ==========\n");
    EXPECT_EQ(Launcher::luaLogEndLines(timeOf(2017, 4, 9, 23, 59, 7)),
              "===================== Lua Logging End 23:59:7 ==========\n"
              "Message from the developers:\n"
              "Thanks for playing our game! We really hope that you enjoyed it!\n");
}

TEST_F(LuaLogTest, OpeningMakesBothFoldersAndWritesTheBeginLine)
{
    Launcher::openLuaLog();
    const std::filesystem::path path(Launcher::luaLogPath());
    EXPECT_EQ(path.parent_path(), logFolder());
    EXPECT_TRUE(isLogFileName(path.filename().string())) << path;
    const std::vector<std::string> lines = linesOf(logText());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(isBannerLine(lines[0], "Begin")) << lines[0];
}

TEST_F(LuaLogTest, ExistingFoldersAreUsedAsTheyAre)
{
    std::filesystem::create_directories(logFolder());
    writeFile(logFolder() / "other.txt", "kept");
    Launcher::openLuaLog();
    EXPECT_EQ(std::filesystem::path(Launcher::luaLogPath()).parent_path(), logFolder());
    EXPECT_EQ(readFile(logFolder() / "other.txt"), "kept");
}

TEST_F(LuaLogTest, LinesWaitUntilMoreThanTwoHundredCharactersAreBuffered)
{
    Launcher::openLuaLog();
    for (int i = 0; i < 20; ++i) {
        Launcher::luaLogPrint("123456789"); // ten characters with the line feed
    }
    EXPECT_EQ(loggedLines(), "") << "exactly 200 characters still wait";

    Launcher::luaLogPrint("");
    EXPECT_EQ(loggedLines().size(), 201u) << "the 201st character sends the whole buffer";
    Launcher::luaLogPrint("next");
    EXPECT_EQ(loggedLines().size(), 201u) << "and the buffer starts again empty";

    Launcher::closeLuaLog();
    EXPECT_TRUE(Launcher::luaLogPath().empty());
    std::string expected;
    for (int i = 0; i < 20; ++i) {
        expected += "123456789\n";
    }
    expected += "\nnext\n";
    const std::vector<std::filesystem::path> files = logFiles();
    ASSERT_EQ(files.size(), 1u);
    const std::string text = readFile(files[0]);
    const std::vector<std::string> lines = linesOf(text);
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(text.substr(text.find('\n') + 1, expected.size()), expected);
    EXPECT_TRUE(isBannerLine(lines[23], "End")) << lines[23];
}

TEST_F(LuaLogTest, AFlushWritesTheBufferWithoutEndLines)
{
    Launcher::openLuaLog();
    Launcher::luaLogPrint("x");
    Launcher::flushLuaLog();
    EXPECT_EQ(loggedLines(), "x\n");
    Launcher::flushLuaLog();
    EXPECT_EQ(loggedLines(), "x\n") << "nothing is written twice";
}

TEST_F(LuaLogTest, ABatchThatCannotBeAppendedIsLost)
{
    Launcher::openLuaLog();
    const std::string path = Launcher::luaLogPath();
    // A folder where the file was: every append fails.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    Launcher::luaLogPrint(std::string(250, 'a'));
    std::filesystem::remove(path);
    writeFile(path, "");

    Launcher::luaLogPrint("b");
    Launcher::flushLuaLog();
    EXPECT_EQ(logText(), "b\n") << "the failed batch is gone and the buffer was emptied";
}

TEST_F(LuaLogTest, OpeningAgainInTheSameSecondTruncatesTheFile)
{
    // Two opens land in the same second almost always; try again when a second boundary fell
    // between them.
    for (int attempt = 0; attempt < 5; ++attempt) {
        Launcher::openLuaLog();
        const std::string first = Launcher::luaLogPath();
        Launcher::luaLogPrint("from the first run");
        Launcher::flushLuaLog();
        Launcher::openLuaLog();
        if (Launcher::luaLogPath() == first) {
            EXPECT_EQ(linesOf(logText()).size(), 1u) << logText();
            return;
        }
    }
    FAIL() << "no two opens fell within one second";
}

// The log and the saves make a missing Documents folder; where it cannot be made one line
// names it and why, and every later failure is still named: the log file, a save, a bad name.
TEST_F(LuaLogTest, AMissingDocumentsFolderIsMadeOrNamedOnce)
{
    std::filesystem::remove_all(documents());
    Launcher::openLuaLog();
    Launcher::luaLogPrint("kept");
    Launcher::flushLuaLog();
    EXPECT_EQ(std::filesystem::path(Launcher::luaLogPath()).parent_path(), logFolder());
    EXPECT_EQ(loggedLines(), "kept\n");
    EXPECT_TRUE(Resources::ResourceManager::writeDataFile("save.txt", "saved"));
    EXPECT_EQ(readFile(documents() / "save.txt"), "saved");
    Launcher::closeLuaLog();

    // A home below a plain file, where no folder can be made.
    writeFile(root() / "plain", "");
    const std::filesystem::path blocked = root() / "plain" / "home" / "Documents";
    setenv("HOME", blocked.parent_path().c_str(), 1);
    testing::internal::CaptureStderr();
    Launcher::openLuaLog();
    Launcher::luaLogPrint(std::string(300, 'z'));
    const bool saved = Resources::ResourceManager::writeDataFile("save.txt", "x") ||
                       Resources::ResourceManager::writeDataFile("save.txt", "x") ||
                       Resources::ResourceManager::writeDataFile("../save.txt", "x");
    const std::string log = Launcher::luaLogPath();
    Launcher::closeLuaLog();
    EXPECT_FALSE(saved);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "resources: could not make the Documents folder \"" + blocked.string() +
                  "\": Not a directory\n" + "launcher: could not write \"" + log + "\": Not a directory\n" +
                  "resources: could not write \"" + blocked.string() + "/save.txt\": Not a directory\n" +
                  "scripts: saveFile refused the path \"../save.txt\": it is empty, absolute or leaves its "
                  "folder with \"..\"\n");
    EXPECT_EQ(std::filesystem::path(log).parent_path(), blocked / "Quorlin" / "Vaskerel");
}

// The log's name is known to the second beforehand and its folder is shared by every game:
// links planted at the names of the next minute and a half, or a log folder swapped for a
// link, lead nowhere. What they lead to stays untouched and one line says why the log is not
// written.
TEST_F(LuaLogTest, LinksPlantedAtTheLogsNamesOrFolderLeadNowhere)
{
    const std::filesystem::path outside = root() / "outside";
    std::filesystem::create_directories(outside);
    std::filesystem::create_directories(logFolder());
    writeFile(outside / "victim.txt", "untouched");
    const std::time_t now = std::time(nullptr);
    for (std::time_t second = now - 1; second <= now + 90; ++second) {
        std::tm local{};
        localtime_r(&second, &local);
        const std::filesystem::path name = logFolder() / Launcher::luaLogFileName(local);
        std::filesystem::create_symlink(outside / (second % 2 == 0 ? "victim.txt" : "made.txt"), name);
    }
    // One run's log of a full batch: the line said about it on stderr.
    const auto logARun = [] {
        testing::internal::CaptureStderr();
        Launcher::openLuaLog();
        Launcher::luaLogPrint(std::string(300, 'x'));
        const std::string path = Launcher::luaLogPath();
        Launcher::closeLuaLog();
        return std::pair(path, testing::internal::GetCapturedStderr());
    };
    const auto [planted, saidOfLink] = logARun();
    EXPECT_EQ(saidOfLink, "launcher: could not write \"" + planted +
                              "\": it is a symbolic link, which the engine does not follow there\n");
    EXPECT_TRUE(std::filesystem::is_symlink(planted));

    std::filesystem::remove_all(logFolder());
    std::filesystem::create_directory_symlink(outside, logFolder());
    const auto [swapped, saidOfFolder] = logARun();
    EXPECT_EQ(saidOfFolder,
              "launcher: could not write \"" + swapped + "\": it leads outside the Documents folder\n");

    EXPECT_EQ(readFile(outside / "victim.txt"), "untouched");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outside), {}), 1);
}

TEST_F(LuaLogTest, TheDocumentsVariableWinsOverTheUserDirectories)
{
    const std::filesystem::path elsewhere = home() / "Papers";
    std::filesystem::create_directories(elsewhere);
    setenv("XDG_DOCUMENTS_DIR", elsewhere.c_str(), 1);
    Launcher::openLuaLog();
    EXPECT_EQ(std::filesystem::path(Launcher::luaLogPath()).parent_path(),
              elsewhere / "Quorlin" / "Vaskerel");
}

TEST_F(LuaLogTest, LinesAfterTheCloseAreDropped)
{
    Launcher::openLuaLog();
    const std::string path = Launcher::luaLogPath();
    Launcher::closeLuaLog();
    const std::string closed = readFile(path);
    Launcher::luaLogPrint(std::string(300, 'z'));
    Launcher::flushLuaLog();
    Launcher::closeLuaLog();
    EXPECT_EQ(readFile(path), closed);
}

} // namespace
