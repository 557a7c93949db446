#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "FuzzHarness.h"
#include "FuzzTargets.h"

// Every input that ever made a fuzz target fail, replayed through the target's body, then one
// of its seeds: the bodies stay built and working in the g++ builds, and each input leaves
// nothing behind for the next.

namespace Fuzz {

// Names the target in test listings.
void PrintTo(const Target& target, std::ostream* out)
{
    *out << target.name;
}

} // namespace Fuzz

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    if (fs::is_directory(folder)) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string contentsOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzReplay : public testing::TestWithParam<Fuzz::Target>
{
protected:
    static void SetUpTestSuite() { Fuzz::start(); }
    static void TearDownTestSuite() { Fuzz::stop(); }

    void replay(const fs::path& file)
    {
        Fuzz::runInput(GetParam(), contentsOf(file));
        EXPECT_EQ(Fuzz::leftovers(), "") << "after " << file;
    }
};

TEST_P(FuzzReplay, EveryRegressionThenASeed)
{
    for (const fs::path& file : filesIn(fs::path(ORVA_FUZZ_REGRESSIONS) / GetParam().name)) {
        replay(file);
    }
    const std::vector<fs::path> seeds = filesIn(fs::path(ORVA_FUZZ_SEEDS) / GetParam().name);
    ASSERT_FALSE(seeds.empty()) << "the build assembles seeds for " << GetParam().name;
    replay(seeds.front());
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
                         testing::ValuesIn(Fuzz::targets().begin(), Fuzz::targets().end()),
                         [](const testing::TestParamInfo<Fuzz::Target>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
