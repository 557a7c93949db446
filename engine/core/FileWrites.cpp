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

Refusal refusalOf(int error)
{
    switch (error) {
    case FileSystemCalls::NotARegularFile:
        return Refusal::NotARegularFile;
    case FileSystemCalls::SharedFile:
        return Refusal::SharedFile;
    default:
        return Refusal::None;
    }
}

// Says why the file could not be written, unless that was said since its last good write. A
// refusal the caller names itself is left to it.
bool settle(const PathBelow& file, int error, const char* tag, Refusal* refused = nullptr)
{
    if (refused != nullptr) {
        *refused = refusalOf(error);
        if (*refused != Refusal::None) {
            return false;
        }
    }
    FailureRecord& record = failureRecord();
    const std::string key = (file.folder / file.relative).string();
    const std::lock_guard lock(record.mutex);
    if (error == 0) {
        record.failing.erase(key);
        return true;
    }
    if (record.failing.insert(key).second) {
        std::fprintf(stderr, "%s: could not write \"%s\": %s\n", tag, file.named.c_str(),
                     FileSystemCalls::describe(error));
    }
    return false;
}

// The path's folder as its links lead, and its last name as it stands.
PathBelow fileAt(const std::string& path)
{
    const fs::path named(path);
    return PathBelow{path, resolveLinks(named.parent_path()), named.filename()};
}

} // namespace

std::optional<PathBelow> pathBelow(const std::string& root, const fs::path& below, const std::string& name,
                                   std::string named, LastName last)
{
    bool gaveUp = false;
    const fs::path resolvedRoot = resolveLinks(root, &gaveUp);
    const fs::path folder = (resolvedRoot / below).lexically_normal();
    const fs::path path = folder / name;
    fs::path target;
    if (last == LastName::Followed) {
        target = resolveLinks(path, &gaveUp);
    } else {
        target = resolveLinks(path.parent_path(), &gaveUp) / path.filename();
    }
    if (gaveUp || !liesInside(target, folder)) {
        return std::nullopt;
    }
    return PathBelow{std::move(named), resolvedRoot, target.lexically_relative(resolvedRoot)};
}

const char* reasonOf(Refusal refusal) noexcept
{
    switch (refusal) {
    case Refusal::NotARegularFile:
        return FileSystemCalls::describe(FileSystemCalls::NotARegularFile);
    case Refusal::SharedFile:
        return FileSystemCalls::describe(FileSystemCalls::SharedFile);
    case Refusal::None:
        break;
    }
    return "";
}

bool replaceFileContents(const std::string& path, std::string_view bytes, const char* tag, Flush flush)
{
    return replaceFileBelow(fileAt(path), bytes, tag, flush);
}

bool replaceFileBelow(const PathBelow& file, std::string_view bytes, const char* tag, Flush flush,
                      Refusal* refused)
{
    return settle(file, FileSystemCalls::replace(file, bytes, flush == Flush::ToDisk), tag, refused);
}

bool appendFileBelow(const PathBelow& file, std::string_view bytes, const char* tag, Refusal* refused)
{
    return settle(file, FileSystemCalls::append(file, bytes), tag, refused);
}

std::optional<std::string> readFileBelow(const PathBelow& file, Refusal* refused)
{
    std::string contents;
    const int error = FileSystemCalls::read(file, contents);
    if (refused != nullptr) {
        *refused = refusalOf(error);
    }
    if (error != 0) {
        return std::nullopt;
    }
    return contents;
}

std::optional<std::string> readRegularFile(const std::string& path)
{
    std::string contents;
    if (FileSystemCalls::readNamed(path, contents) != 0) {
        return std::nullopt;
    }
    return contents;
}

bool makeDirectoryBelow(const PathBelow& folder)
{
    return FileSystemCalls::makeDirectory(folder) == 0;
}

fs::path resolveLinks(const fs::path& path, bool* gaveUp)
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
        if (linksFollowed == MaxLinksFollowed && gaveUp != nullptr &&
            fs::is_symlink(fs::symlink_status(next, error))) {
            *gaveUp = true;
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
