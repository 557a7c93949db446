#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ScratchDirectory.h"
#include "world/FileListing.h"

// Listing the files of one kind in a folder.

namespace {

using Orva::Resources::listFilesWithExtension;
using Names = std::vector<std::string>;

using FileListingTest = ScratchDirectoryTest;

TEST_F(FileListingTest, RegularFilesAndLinksToThemInByteOrderWithAnyCaseOfTheExtension)
{
    const std::filesystem::path folder = root() / "resources";
    for (const char* name : {"b.stg", "A.STG", "a.stg", "c.Stg", "d.stgx", "e.stg.bak", ".stg", "stg"}) {
        writeFile(folder / name, "x");
    }
    std::filesystem::create_directories(folder / "dir.stg");
    std::filesystem::create_symlink(folder / "b.stg", folder / "link.stg");
    std::filesystem::create_directory_symlink(folder / "dir.stg", folder / "dirlink.stg");
    std::filesystem::create_symlink(folder / "missing", folder / "dangling.stg");

    EXPECT_EQ(listFilesWithExtension(folder.string(), ".stg"),
              (Names{".stg", "A.STG", "a.stg", "b.stg", "c.Stg", "link.stg"}));
}

TEST_F(FileListingTest, AMissingFolderOrAFileInsteadOfAFolderListsNothing)
{
    EXPECT_TRUE(listFilesWithExtension((root() / "nowhere").string(), ".set").empty());
    writeFile(root() / "plain.set", "x");
    EXPECT_TRUE(listFilesWithExtension((root() / "plain.set").string(), ".set").empty());
}

} // namespace
