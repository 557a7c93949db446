// script_reference MEANINGS OUT
// script_reference --check MEANINGS REFERENCE
//
// Starts the script engine headless, reads back every namespace, class, function, property,
// variable and global it registered, and writes the script reference in Markdown with the
// meaning of each name from the meanings file (OUT), or checks that REFERENCE is what it would
// write. Exits 0 when all is well; a name without a meaning, a meaning for no name, a
// reference that differs, bad usage or an unreadable file give a message on stderr and 1.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ReferenceText.h"
#include "luabridge/Inventory.h"
#include "scripting/ScriptInterface.h"
#include "world/Engine.h"
#include "world/LuaScriptManager.h"

namespace {

using Orva::Tools::Bindings;

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The engine comes up as a game's does, in a scratch folder of its own, so that its
// configuration file (read, and written when missing, beside the working directory) is
// nobody's.
class ScratchEngine
{
public:
    ScratchEngine()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orva-script-reference-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a scratch folder in " +
                                     std::filesystem::temp_directory_path().string());
        }
        root_ = pattern;
        std::filesystem::create_directories(root_ / "bin");
        std::filesystem::create_directories(root_ / "resources");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(root_ / "bin");
        // The component pools name themselves on stdout as they are made; the tool's output
        // is its own.
        std::streambuf* const output = std::cout.rdbuf(nullptr);
        Orva::Engine::getInstance().initializeEngine();
        std::cout.rdbuf(output);
    }
    ~ScratchEngine()
    {
        Orva::Engine::destroy();
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchEngine(const ScratchEngine&) = delete;
    ScratchEngine& operator=(const ScratchEngine&) = delete;

private:
    std::filesystem::path root_;
    std::filesystem::path previous_;
};

// Every registration a game gets, without a renderer or a window: the globals they would
// set are declared in the meanings file instead.
Bindings registeredBindings()
{
    const ScratchEngine engine;
    lua_State* L = Orva::LuaScriptManager::getInstance().getLuaState();
    Orva::Scripting::registerScriptInterface(L);
    return {luabridge::listBindings(L), luabridge::boundGlobals(L), luabridge::registeredClassCount(L)};
}

// The first line where the two texts part, from 1.
std::size_t firstDifferentLine(const std::string& a, const std::string& b)
{
    std::istringstream left(a);
    std::istringstream right(b);
    std::size_t number = 1;
    for (std::string l, r; std::getline(left, l) && std::getline(right, r) && l == r; ++number) {
    }
    return number;
}

} // namespace

int main(int argc, char** argv)
{
    const bool check = argc == 4 && std::string_view(argv[1]) == "--check";
    if (argc != 3 && !check) {
        std::cerr
            << "usage: script_reference MEANINGS OUT\n       script_reference --check MEANINGS REFERENCE\n";
        return ExitUsage;
    }
    const std::string meaningsPath = argv[check ? 2 : 1];
    const std::string referencePath = argv[check ? 3 : 2];
    const std::optional<std::string> meaningsText = readFile(meaningsPath);
    if (!meaningsText) {
        std::cerr << "script_reference: cannot read '" << meaningsPath << "'\n";
        return ExitFailure;
    }

    std::vector<std::string> problems;
    const Orva::Tools::Meanings meanings = Orva::Tools::readMeanings(*meaningsText, problems);
    Bindings bindings;
    try {
        bindings = registeredBindings();
    } catch (const std::exception& error) {
        std::cerr << "script_reference: the script engine did not start: " << error.what() << '\n';
        return ExitFailure;
    }
    const std::string reference = Orva::Tools::writeReference(bindings, meanings, problems);
    for (const std::string& problem : problems) {
        std::cerr << "script_reference: " << problem << " (" << meaningsPath << ")\n";
    }

    if (check) {
        const std::optional<std::string> committed = readFile(referencePath);
        if (committed != reference) {
            std::cerr << "script_reference: " << referencePath << " is not what the engine registers"
                      << (committed ? " (from line " +
                                          std::to_string(firstDifferentLine(*committed, reference)) + ")"
                                    : std::string(" (it cannot be read)"))
                      << ": cmake --build build --target script_reference_update\n";
            return ExitFailure;
        }
    } else {
        // Written even with names left to mean, so that their rows can be seen in place.
        std::ofstream out(referencePath, std::ios::binary | std::ios::trunc);
        if (!(out << reference) || !out.flush()) {
            std::cerr << "script_reference: cannot write '" << referencePath << "'\n";
            return ExitFailure;
        }
    }
    if (!problems.empty()) {
        return ExitFailure;
    }
    std::cout << "script_reference: " << bindings.classCount << " classes\n";
    return 0;
}
