// scramble enc|dec IN OUT
//
// Turns a game data file into the stored form the engine loads (enc), or a stored file back
// into its text (dec). Exits 0 on success; bad usage, an unreadable input, an unwritable
// output or a text too long for the format give a message on stderr and a non-zero exit.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/RC4Cipher.h"

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

struct CloseFile
{
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

// errno tells why when these fail.
std::optional<std::string> readFile(const char* path)
{
    const std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path, "rb"));
    if (!file) {
        return std::nullopt;
    }
    std::string contents;
    char buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        contents.append(buffer, got);
    }
    if (std::ferror(file.get())) {
        return std::nullopt;
    }
    return contents;
}

bool writeFile(const char* path, const std::string& contents)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    return (std::fclose(file) == 0) && written;
}

int fail(const std::string& message)
{
    std::cerr << "scramble: " << message << '\n';
    return exitFailure;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view mode = argc == 4 ? argv[1] : "";
    if (mode != "enc" && mode != "dec") {
        std::cerr << "usage: scramble enc|dec IN OUT\n";
        return exitUsage;
    }
    const char* inPath = argv[2];
    const char* outPath = argv[3];

    errno = 0;
    const std::optional<std::string> input = readFile(inPath);
    if (!input) {
        return fail(std::string("cannot read '") + inPath + "': " + std::strerror(errno));
    }

    std::string output;
    try {
        output = mode == "enc" ? Orva::Crypto::RC4Cipher::encrypt(*input)
                               : Orva::Crypto::RC4Cipher::decrypt(*input);
    } catch (const std::length_error& error) {
        return fail(std::string(inPath) + ": " + error.what());
    }

    errno = 0;
    if (!writeFile(outPath, output)) {
        return fail(std::string("cannot write '") + outPath + "': " + std::strerror(errno));
    }
    return 0;
}
