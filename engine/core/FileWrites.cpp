#include "core/FileWrites.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <system_error>

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

// 0, or the errno of the first failing write.
int writeAll(int descriptor, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int closeAfter(int descriptor, int error)
{
    if (::close(descriptor) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

int writeThrough(const std::string& path, std::string_view bytes, int flags)
{
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666);
    if (descriptor < 0) {
        return errno;
    }
    return closeAfter(descriptor, writeAll(descriptor, bytes));
}

// The rename itself reaches the disk only once its folder is flushed too.
void syncFolderOf(const fs::path& file)
{
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

// 0, or the errno of the step that failed, with the temporary removed.
int replaceResolved(const fs::path& target, std::string_view bytes, Flush flush)
{
    struct stat existing;
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) {
            return EISDIR;
        }
        // A device or a pipe is written as it is: nothing can be renamed over it.
        if (!S_ISREG(existing.st_mode)) {
            return writeThrough(target, bytes, O_TRUNC);
        }
        if (::access(target.c_str(), W_OK) != 0) {
            return errno;
        }
    }
    const std::string temporary = target.string() + "." + std::to_string(::getpid()) + ".tmp";
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        // A folder that takes no new file may still hold a file that can be written: written
        // in place, as it always could be.
        return exists && errno == EACCES ? writeThrough(target, bytes, O_TRUNC) : errno;
    }
    int error = writeAll(descriptor, bytes);
    if (error == 0 && exists) {
        // The replacement keeps the permissions the earlier file had.
        ::fchmod(descriptor, existing.st_mode & 07777);
    }
    if (error == 0 && flush == Flush::ToDisk && ::fsync(descriptor) != 0) {
        error = errno;
    }
    error = closeAfter(descriptor, error);
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    if (flush == Flush::ToDisk) {
        syncFolderOf(target);
    }
    return 0;
}

} // namespace

bool replaceFileContents(const std::string& path, std::string_view bytes, const char* tag, Flush flush)
{
    const fs::path target = resolveLinks(path);
    return settle(path, target.string(), replaceResolved(target, bytes, flush), tag);
}

bool appendFileContents(const std::string& path, std::string_view bytes, const char* tag)
{
    return settle(path, resolveLinks(path).string(), writeThrough(path, bytes, O_APPEND), tag);
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
