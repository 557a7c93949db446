#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "platform/Platform.h"
#include "platform/Win32.h"

namespace {

namespace Hooks = Orva::Platform::Test;

class DropFiles : public ::testing::Test
{
protected:
    void TearDown() override { Hooks::reset(); }
};

TEST_F(DropFiles, QueriesCountLengthAndCutCopies)
{
    const std::string longPath = "/tmp/" + std::string(300, 'p');
    const HDROP drop = Hooks::makeDrop({"/tmp/first", longPath});
    EXPECT_EQ(Hooks::liveDropCount(), 1u);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    EXPECT_EQ(DragQueryFileA(drop, 1, nullptr, 0), longPath.size()); // longer than any buffer of MAX_PATH

    char buffer[MAX_PATH];
    EXPECT_EQ(DragQueryFileA(drop, 1, buffer, MAX_PATH), MAX_PATH - 1);
    EXPECT_EQ(std::string(buffer), longPath.substr(0, MAX_PATH - 1));
    EXPECT_EQ(DragQueryFileA(drop, 0, buffer, 5), 4u);
    EXPECT_STREQ(buffer, "/tmp");
    EXPECT_EQ(DragQueryFileA(drop, 0, buffer, 0), 0u);
    EXPECT_EQ(DragQueryFileA(drop, 2, buffer, MAX_PATH), 0u);

    DragFinish(drop);
    EXPECT_EQ(Hooks::liveDropCount(), 0u);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 0u);
    DragFinish(drop); // finishing twice is harmless
    EXPECT_EQ(DragQueryFileA(nullptr, 0xFFFFFFFF, nullptr, 0), 0u);
}

TEST_F(DropFiles, AttributesTellFilesFromDirectoriesAndMissingPaths)
{
    const std::string directory = ::testing::TempDir() + "orva_drop_dir";
    const std::string file = ::testing::TempDir() + "orva_drop_file";
    ::mkdir(directory.c_str(), 0755);
    FILE* handle = std::fopen(file.c_str(), "w");
    ASSERT_NE(handle, nullptr);
    std::fclose(handle);

    EXPECT_EQ(GetFileAttributesA(directory.c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((file + "_missing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(nullptr), INVALID_FILE_ATTRIBUTES);

    std::remove(file.c_str());
    ::rmdir(directory.c_str());
}

} // namespace
