#include "core/FileWrites.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <system_error>

#include "core/FileSystemCalls.h"

namespace Orva {

namespace {

namespace fs = std::filesystem;

// Beyond this many links a path is taken to loop, as the system takes it.
constexpr int MaxLinksFollowed = 40;

struct FailureRecord
{
    std::mutex mutex;
    std::set<std::string> failing;
};

// Never destroyed: the Lua log is still written by a handler that runs at exit.
FailureRecord& failureRecord()
{
    static auto* const record = new FailureRecord();
    return *record;
}

// Says why the file could not be written, unless that was said since its last good write.
bool settle(const std::string& path, const std::string& key, int error, const char* tag)
{
    FailureRecord& record = failureRecord();
    const std::lock_guard lock(record.mutex);
    if (error == 0) {
        record.failing.erase(key);
        return true;
    }
    if (record.failing.insert(key).second) {
        std::fprintf(stderr, "%s: could not write \"%s\": %s\n", tag, path.c_str(), std::strerror(error));
    }
    return false;
}

// Where the path leads once its links are followed: the last name in the folder that holds it.
PathBelow fileAt(const std::string& path)
{
    const fs::path target = resolveLinks(path);
    return PathBelow{path, target.parent_path(), target.filename()};
}

std::string keyOf(const PathBelow& file)
{
    return (file.folder / file.relative).string();
}

} // namespace

std::optional<PathBelow> pathBelow(const std::string& folder, const std::string& path)
{
    const fs::path resolvedFolder = resolveLinks(folder);
    const fs::path target = resolveLinks(path);
    std::error_code error;
    // A link still at the end is one that gave up resolving.
    if (!liesInside(target, resolvedFolder) || fs::is_symlink(fs::symlink_status(target, error))) {
        return std::nullopt;
    }
    return PathBelow{path, resolvedFolder, target.lexically_relative(resolvedFolder)};
}

bool replaceFileContents(const std::string& path, std::string_view bytes, const char* tag, Flush flush)
{
    return replaceFileBelow(fileAt(path), bytes, tag, flush);
}

bool replaceFileBelow(const PathBelow& file, std::string_view bytes, const char* tag, Flush flush)
{
    return settle(file.named, keyOf(file), FileSystemCalls::replace(file, bytes, flush == Flush::ToDisk),
                  tag);
}

bool appendFileContents(const std::string& path, std::string_view bytes, const char* tag)
{
    const PathBelow file = fileAt(path);
    return settle(path, keyOf(file), FileSystemCalls::append(file, bytes), tag);
}

AppendResult appendFileBelow(const PathBelow& file, std::string_view bytes, const char* tag)
{
    const int error = FileSystemCalls::append(file, bytes);
    if (error == EMLINK) {
        return AppendResult::SharedFile;
    }
    return settle(file.named, keyOf(file), error, tag) ? AppendResult::Appended : AppendResult::Failed;
}

std::optional<std::string> readFileBelow(const PathBelow& file)
{
    std::string contents;
    if (FileSystemCalls::read(file, contents) != 0) {
        return std::nullopt;
    }
    return contents;
}

bool makeDirectoryBelow(const PathBelow& folder)
{
    return FileSystemCalls::makeDirectory(folder) == 0;
}

fs::path resolveLinks(const fs::path& path)
{
    std::error_code error;
    const fs::path start = path.is_absolute() ? path : fs::current_path(error) / path;
    fs::path resolved = start.root_path();
    std::deque<fs::path> left(std::next(start.begin(), start.has_root_path() ? 1 : 0), start.end());
    int linksFollowed = 0;
    while (!left.empty()) {
        const fs::path segment = std::move(left.front());
        left.pop_front();
        if (segment.empty() || segment == ".") {
            continue;
        }
        if (segment == "..") {
            resolved = resolved.parent_path();
            continue;
        }
        const fs::path next = resolved / segment;
        if (linksFollowed < MaxLinksFollowed && fs::is_symlink(fs::symlink_status(next, error))) {
            const fs::path target = fs::read_symlink(next, error);
            if (!error) {
                ++linksFollowed;
                if (target.is_absolute()) {
                    resolved = target.root_path();
                }
                left.insert(left.begin(), std::next(target.begin(), target.has_root_path() ? 1 : 0),
                            target.end());
                continue;
            }
        }
        resolved = next;
    }
    return resolved;
}

bool liesInside(const fs::path& resolved, const fs::path& resolvedFolder)
{
    auto inner = resolved.begin();
    for (const fs::path& segment : resolvedFolder) {
        if (segment.empty()) {
            continue;
        }
        if (inner == resolved.end() || *inner != segment) {
            return false;
        }
        ++inner;
    }
    return true;
}

} // namespace Orva
