#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// Runs each test in a fresh folder laid out as a game is: the working directory <root>/work
// with <root>/resources beside it, where the engine's fixed configuration path points.
class ScratchDirectoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "orva-world-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        std::filesystem::create_directories(root_ / "work");
        std::filesystem::create_directories(root_ / "resources");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(root_ / "work");
    }

    void TearDown() override
    {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(root_);
    }

    const std::filesystem::path& root() const { return root_; }

    // Copies the system font the build found (DejaVuSans) to <root>/resources/<relativePath>.
    void installFont(const std::string& relativePath) const
    {
        const char* font = std::getenv("ORVA_TEST_FONT");
        ASSERT_NE(font, nullptr) << "the build names the test font";
        const std::filesystem::path target = root_ / "resources" / relativePath;
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(font, target, std::filesystem::copy_options::overwrite_existing);
    }

    static std::string readFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static void writeFile(const std::filesystem::path& path, const std::string& contents)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << contents;
    }

private:
    std::filesystem::path root_;
    std::filesystem::path previous_;
};
