#include "world/FileListing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace Orva::Resources {

namespace {

char lowerAscii(char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool endsWithIgnoringCase(std::string_view name, std::string_view ending) noexcept
{
    if (name.size() < ending.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - ending.size());
    return std::equal(tail.begin(), tail.end(), ending.begin(),
                      [](char a, char b) { return lowerAscii(a) == lowerAscii(b); });
}

std::vector<std::string> listFilesWithExtension(const std::string& directory, std::string_view extension)
{
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator entries(directory, error);
    for (const std::filesystem::directory_iterator end; !error && entries != end; entries.increment(error)) {
        std::error_code statusError;
        // is_regular_file follows links, so a link to a file counts and a link to a folder
        // does not.
        if (!entries->is_regular_file(statusError)) {
            continue;
        }
        std::string name = entries->path().filename().string();
        if (endsWithIgnoringCase(name, extension)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace Orva::Resources
