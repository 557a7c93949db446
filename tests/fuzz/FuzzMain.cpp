// The entry points of one libFuzzer target; the build names it in ORVA_FUZZ_TARGET.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzHarness.h"
#include "FuzzTargets.h"

namespace {

const Fuzz::Target* fuzzed = nullptr;

// A finding is written while its input runs, in the game's working directory: unless told
// otherwise, the fuzzer writes it where it was started.
void keepFindingsHere(int& argc, char**& argv)
{
    constexpr std::string_view Flag = "-artifact_prefix=";
    for (int index = 1; index < argc; ++index) {
        if (std::string_view(argv[index]).starts_with(Flag)) {
            return;
        }
    }
    static std::string prefix = std::string(Flag) + std::filesystem::current_path().string() + "/";
    static std::vector<char*> arguments;
    arguments.assign(argv, argv + argc);
    arguments.push_back(prefix.data());
    arguments.push_back(nullptr);
    ++argc;
    argv = arguments.data();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    keepFindingsHere(*argc, *argv);
    fuzzed = &Fuzz::target(ORVA_FUZZ_TARGET);
    Fuzz::start();
    std::atexit(Fuzz::removeScratchFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::runInput(*fuzzed, {reinterpret_cast<const char*>(data), size});
    return 0;
}

// Undefined behaviour ends the run with the stack that led to it.
extern "C" const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}
