#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ScratchDirectory.h"
#include "world/ResourceManager.h"

namespace {

using Orva::Resources::ResourceManager;

// Sets (or, given nothing, removes) an environment variable for its lifetime.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* previous = std::getenv(name)) {
            previous_ = previous;
        }
        set(value);
    }
    ~ScopedVariable() { set(previous_); }

    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

    void set(const std::optional<std::string>& value) const
    {
        if (value) {
            setenv(name_, value->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> previous_;
};

// Resource directory <root>/resources/ and Documents folder <root>/documents.
class ResourceFilesTest : public ScratchDirectoryTest
{
protected:
    void SetUp() override
    {
        ScratchDirectoryTest::SetUp();
        std::filesystem::create_directory(documents());
        documentsVariable_.emplace("XDG_DOCUMENTS_DIR", documents().string());
        ResourceManager::setResourceDirectory((root() / "resources").string() + "/");
    }

    void TearDown() override
    {
        documentsVariable_.reset();
        ResourceManager::setResourceDirectory("../resources/");
        ScratchDirectoryTest::TearDown();
    }

    std::filesystem::path documents() const { return root() / "documents"; }

    std::optional<ScopedVariable> documentsVariable_;
};

const std::string Binary("a\0b\r\n\xff", 6);

} // namespace

TEST_F(ResourceFilesTest, ResourceDirectoryIsStoredWithForwardSlashesAndJoinedPlainly)
{
    ResourceManager::setResourceDirectory("C:\\game\\res\\");
    EXPECT_EQ(ResourceManager::getResourceDirectory(), "C:/game/res/");
    EXPECT_EQ(ResourceManager::getFullPath("textures/hero.png"), "C:/game/res/textures/hero.png");
    ResourceManager::setResourceDirectory("res");
    EXPECT_EQ(ResourceManager::getFullPath("x"), "resx");
}

TEST_F(ResourceFilesTest, WholeFilesRoundTripInBinary)
{
    const std::string path = (root() / "bytes.bin").string();
    EXPECT_TRUE(ResourceManager::writeFile(path, Binary));
    EXPECT_EQ(ResourceManager::openFile(path), Binary);

    const std::vector<unsigned char> bytes = {0, 1, 255, '\n', 0};
    EXPECT_TRUE(ResourceManager::writeFile(path, bytes));
    EXPECT_EQ(ResourceManager::openFile(path), std::string("\0\1\xff\n\0", 5));
    EXPECT_TRUE(ResourceManager::writeFile(path, std::vector<unsigned char>()));
    EXPECT_EQ(ResourceManager::openFile(path), "");

    EXPECT_EQ(ResourceManager::openFile((root() / "absent").string()), "");
    EXPECT_EQ(ResourceManager::openFile(root().string()), "");
    const std::string large(3 << 16, 'L');
    EXPECT_TRUE(ResourceManager::writeFile(path, large));
    EXPECT_EQ(ResourceManager::openFile(path), large);
}

TEST_F(ResourceFilesTest, CopyFileCopiesBytesAndFailsOnEitherEnd)
{
    const std::string source = (root() / "source.bin").string();
    const std::string copy = (root() / "copy.bin").string();
    writeFile(source, Binary);
    EXPECT_TRUE(ResourceManager::copyFile(source, copy));
    EXPECT_EQ(readFile(copy), Binary);

    EXPECT_FALSE(ResourceManager::copyFile((root() / "absent").string(), copy));
    EXPECT_EQ(readFile(copy), Binary);
    EXPECT_FALSE(ResourceManager::copyFile(source, (root() / "no/such/dir/copy.bin").string()));
}

TEST_F(ResourceFilesTest, WritesReportADestinationThatCannotBeOpened)
{
    const std::string unreachable = (root() / "no/such/dir/file").string();
    EXPECT_FALSE(ResourceManager::writeFile(unreachable, "x"));
    EXPECT_FALSE(ResourceManager::writeFile(unreachable, std::vector<unsigned char>{1}));
    EXPECT_FALSE(ResourceManager::saveToFile("no/such/dir/file", "x"));
    EXPECT_FALSE(ResourceManager::appendToFile("no/such/dir/file", "x"));
    // A directory where the file should be.
    std::filesystem::create_directory(root() / "resources" / "taken");
    EXPECT_FALSE(ResourceManager::saveToFile("taken", "x"));
    EXPECT_FALSE(ResourceManager::writeFile((root() / "resources" / "taken").string(), "x"));
}

TEST_F(ResourceFilesTest, SaveTruncatesAndAppendAddsUnderTheResourceDirectory)
{
    EXPECT_TRUE(ResourceManager::saveToFile("log.txt", "first\n"));
    EXPECT_TRUE(ResourceManager::saveToFile("log.txt", "one\n"));
    EXPECT_TRUE(ResourceManager::appendToFile("log.txt", "two\n"));
    EXPECT_TRUE(ResourceManager::appendToFile("new.txt", "made"));
    EXPECT_EQ(readFile(root() / "resources" / "log.txt"), "one\ntwo\n");
    EXPECT_EQ(readFile(root() / "resources" / "new.txt"), "made");

    // Names from scripts stay inside the resource directory.
    writeFile(root() / "outside.txt", "kept");
    for (const std::string name :
         {"", "../outside.txt", "..\\outside.txt", "/tmp/x", "a/../../outside.txt"}) {
        EXPECT_FALSE(ResourceManager::appendToFile(name, "bad")) << name;
    }
    EXPECT_EQ(readFile(root() / "outside.txt"), "kept");
    EXPECT_TRUE(ResourceManager::appendToFile("..notes.txt", "dots in a name are fine"));
}

TEST_F(ResourceFilesTest, DataFilesRoundTripUnderTheDocumentsFolder)
{
    EXPECT_TRUE(ResourceManager::makeDirectory("saves"));
    EXPECT_TRUE(ResourceManager::makeDirectory("saves"));
    EXPECT_TRUE(ResourceManager::writeDataFile("saves\\slot1.dat", Binary));
    EXPECT_EQ(readFile(documents() / "saves" / "slot1.dat"), Binary);
    EXPECT_EQ(ResourceManager::readDataFile("saves/slot1.dat"), Binary);
    EXPECT_TRUE(ResourceManager::writeDataFile("saves/slot1.dat", "short"));
    EXPECT_EQ(ResourceManager::readDataFile("saves\\slot1.dat"), "short");

    EXPECT_EQ(ResourceManager::readDataFile("saves/absent.dat"), "");
    EXPECT_FALSE(ResourceManager::writeDataFile("missing/dir/file", "x"));
    // Only one level at a time, as the platform's directory call does.
    EXPECT_FALSE(ResourceManager::makeDirectory("a/b"));
    writeFile(documents() / "plain", "not a directory");
    EXPECT_FALSE(ResourceManager::makeDirectory("plain"));
}

TEST_F(ResourceFilesTest, DataFileNamesThatLeaveTheDocumentsFolderAreRefused)
{
    writeFile(root() / "x", "outside");
    for (const std::string name :
         {"../x", "/x", "", "..\\x", "saves/../../x", "\\x", "C:\\x", "saves/..", ".."}) {
        EXPECT_FALSE(ResourceManager::writeDataFile(name, "overwritten")) << name;
        EXPECT_EQ(ResourceManager::readDataFile(name), "") << name;
        EXPECT_FALSE(ResourceManager::makeDirectory(name)) << name;
    }
    EXPECT_EQ(readFile(root() / "x"), "outside");
}

TEST_F(ResourceFilesTest, AMissingDocumentsFolderIsMadeWithTheFoldersAboveIt)
{
    const std::filesystem::path fresh = root() / "nowhere" / "Documents";
    documentsVariable_->set(fresh.string());
    EXPECT_TRUE(ResourceManager::writeDataFile("a.txt", "x"));
    EXPECT_EQ(ResourceManager::readDataFile("a.txt"), "x");
    EXPECT_TRUE(ResourceManager::makeDirectory("saves"));
    EXPECT_TRUE(std::filesystem::is_directory(fresh / "saves"));
}

// Without the variable, the folder is the one the desktop's user-dirs file names, else
// $HOME/Documents.
TEST_F(ResourceFilesTest, DocumentsFolderComesFromTheUserDirsFileWhenTheVariableIsUnset)
{
    if (std::system("command -v xdg-user-dir > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "xdg-user-dir is not installed";
    }
    std::filesystem::create_directories(root() / ".config");
    std::filesystem::create_directory(root() / "MyDocs");
    writeFile(root() / ".config" / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/MyDocs\"\n");
    documentsVariable_->set(std::nullopt);
    const ScopedVariable config("XDG_CONFIG_HOME", std::nullopt);
    const ScopedVariable home("HOME", root().string());

    const bool written = ResourceManager::writeDataFile("save.txt", "here");
    const std::string readBack = ResourceManager::readDataFile("save.txt");
    EXPECT_TRUE(written);
    EXPECT_EQ(readBack, "here");
    EXPECT_EQ(readFile(root() / "MyDocs" / "save.txt"), "here");

    // Without a user-dirs file the tool answers the home folder itself: that is no answer.
    const std::filesystem::path bare = root() / "bare";
    std::filesystem::create_directories(bare / "Documents");
    const ScopedVariable bareHome("HOME", bare.string() + "/");
    EXPECT_TRUE(ResourceManager::writeDataFile("save.txt", "there"));
    EXPECT_EQ(readFile(bare / "Documents" / "save.txt"), "there");
    EXPECT_FALSE(std::filesystem::exists(bare / "save.txt"));
}
