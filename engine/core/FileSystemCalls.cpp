#include "core/FileSystemCalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace Orva::FileSystemCalls {

namespace {

namespace fs = std::filesystem;

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Set where openat2 cannot be used: a kernel before 5.6, or a sandbox that forbids it.
std::atomic<bool> segmentsOnly{false};

class Descriptor
{
public:
    Descriptor() = default;
    explicit Descriptor(int descriptor) noexcept : descriptor_(descriptor) {}
    ~Descriptor()
    {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    Descriptor(Descriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(descriptor_, other.descriptor_);
        return *this;
    }

    int get() const noexcept { return descriptor_; }
    bool isOpen() const noexcept { return descriptor_ >= 0; }
    // 0, or the errno of the close: a write may fail only there.
    int close() noexcept
    {
        const int descriptor = std::exchange(descriptor_, -1);
        return descriptor >= 0 && ::close(descriptor) != 0 ? errno : 0;
    }

private:
    int descriptor_ = -1;
};

// The folder below root along a relative path of plain segments, no link followed.
int openFolderBeneath(int root, const fs::path& relative, Descriptor& folder)
{
    if (!segmentsOnly.load(std::memory_order_relaxed)) {
        open_how how{};
        how.flags = FolderFlags;
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
        const long opened = ::syscall(SYS_openat2, root, relative.c_str(), &how, sizeof how);
        if (opened >= 0) {
            folder = Descriptor(static_cast<int>(opened));
            return 0;
        }
        if (errno != ENOSYS && errno != EPERM && errno != EINVAL && errno != E2BIG) {
            return errno;
        }
        segmentsOnly.store(true, std::memory_order_relaxed);
    }
    Descriptor current(::openat(root, ".", FolderFlags));
    if (!current.isOpen()) {
        return errno;
    }
    for (const fs::path& segment : relative) {
        if (segment.empty() || segment == ".") {
            continue;
        }
        // What RESOLVE_BENEATH answers for a way out.
        if (segment == "..") {
            return EXDEV;
        }
        Descriptor next(::openat(current.get(), segment.c_str(), FolderFlags | O_NOFOLLOW));
        if (!next.isOpen()) {
            return errno;
        }
        current = std::move(next);
    }
    folder = std::move(current);
    return 0;
}

// The folder that holds the path's last name, and that name. The checked folder itself is
// opened by its path: links above the game's own folder are the user's business.
int openParent(const PathBelow& file, Descriptor& parent, std::string& name)
{
    Descriptor root(::open(file.folder.c_str(), FolderFlags));
    if (!root.isOpen()) {
        return errno;
    }
    name = file.relative.filename().string();
    const fs::path above = file.relative.parent_path();
    if (above.empty()) {
        parent = std::move(root);
        return 0;
    }
    return openFolderBeneath(root.get(), above, parent);
}

bool namesTheFolderItself(const std::string& name)
{
    return name.empty() || name == ".";
}

// The same for a file, which the folder itself is not.
int openFolderOfFile(const PathBelow& file, Descriptor& parent, std::string& name)
{
    const int error = openParent(file, parent, name);
    return error == 0 && namesTheFolderItself(name) ? EISDIR : error;
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

int writeInPlace(int folder, const std::string& name, std::string_view bytes)
{
    Descriptor out(::openat(folder, name.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC));
    if (!out.isOpen()) {
        return errno;
    }
    const int error = writeAll(out.get(), bytes);
    const int closeError = out.close();
    return error != 0 ? error : closeError;
}

// The temporary's name is the process's own: one replacement at a time may use it.
std::mutex& temporaryNameLock()
{
    static std::mutex lock;
    return lock;
}

// <name>.<pid>.tmp of another process that has ended. A process still running (or one of
// another user, which the signal test cannot reach) may be writing it.
bool isOrphanTemporary(std::string_view entry, std::string_view name)
{
    constexpr std::string_view Suffix = ".tmp";
    if (entry.size() <= name.size() + 1 + Suffix.size() || !entry.starts_with(name) ||
        entry[name.size()] != '.' || !entry.ends_with(Suffix)) {
        return false;
    }
    const std::string_view digits =
        entry.substr(name.size() + 1, entry.size() - name.size() - 1 - Suffix.size());
    pid_t pid = 0;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        std::from_chars(digits.data(), digits.data() + digits.size(), pid).ec != std::errc()) {
        return false;
    }
    return pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// What a save killed before its rename left beside the file; nothing else is touched.
void removeOrphanTemporaries(int folder, const std::string& name)
{
    const int listing = ::openat(folder, ".", FolderFlags);
    DIR* entries = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (entries == nullptr) {
        if (listing >= 0) {
            ::close(listing);
        }
        return;
    }
    std::vector<std::string> orphans;
    while (const dirent* entry = ::readdir(entries)) {
        if (isOrphanTemporary(entry->d_name, name)) {
            orphans.emplace_back(entry->d_name);
        }
    }
    ::closedir(entries);
    for (const std::string& orphan : orphans) {
        ::unlinkat(folder, orphan.c_str(), 0);
    }
}

// Made new, never opened through what is at its name. Under the lock, what is at this
// process's own name is what an earlier process of the same id or someone else left: that
// entry itself (a link, not what it leads to) is removed, and the file made once more.
int createTemporary(int folder, const std::string& temporary, Descriptor& out)
{
    constexpr int Flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    out = Descriptor(::openat(folder, temporary.c_str(), Flags, 0666));
    if (!out.isOpen() && errno == EEXIST) {
        if (::unlinkat(folder, temporary.c_str(), 0) != 0) {
            return EEXIST;
        }
        out = Descriptor(::openat(folder, temporary.c_str(), Flags, 0666));
    }
    return out.isOpen() ? 0 : errno;
}

} // namespace

int read(const PathBelow& file, std::string& contents)
{
    contents.clear();
    Descriptor parent;
    std::string name;
    if (const int error = openFolderOfFile(file, parent, name)) {
        return error;
    }
    Descriptor in(::openat(parent.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in.isOpen()) {
        return errno;
    }
    try {
        char chunk[1 << 16];
        for (;;) {
            const ssize_t count = ::read(in.get(), chunk, sizeof chunk);
            if (count == 0) {
                return 0;
            }
            if (count < 0 && errno != EINTR) {
                const int error = errno;
                contents.clear();
                return error;
            }
            if (count > 0) {
                contents.append(chunk, static_cast<std::size_t>(count));
            }
        }
    } catch (const std::bad_alloc&) {
        std::string().swap(contents);
        return ENOMEM;
    }
}

int replace(const PathBelow& file, std::string_view bytes, bool toDisk)
{
    Descriptor parent;
    std::string name;
    if (const int error = openFolderOfFile(file, parent, name)) {
        return error;
    }
    const int folder = parent.get();
    struct stat existing;
    const bool exists = ::fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT) {
        return errno;
    }
    if (exists) {
        if (S_ISLNK(existing.st_mode)) {
            return ELOOP;
        }
        if (S_ISDIR(existing.st_mode)) {
            return EISDIR;
        }
        // A device or a pipe is written as it is: nothing can be renamed over it.
        if (!S_ISREG(existing.st_mode)) {
            return writeInPlace(folder, name, bytes);
        }
        if (::faccessat(folder, name.c_str(), W_OK, 0) != 0) {
            return errno;
        }
    }
    const std::lock_guard lock(temporaryNameLock());
    removeOrphanTemporaries(folder, name);
    const std::string temporary = name + "." + std::to_string(::getpid()) + ".tmp";
    Descriptor out;
    if (const int error = createTemporary(folder, temporary, out)) {
        // A folder that takes no new file may still hold a file that can be written: written
        // in place, as it always could be.
        return exists && error == EACCES ? writeInPlace(folder, name, bytes) : error;
    }
    int error = writeAll(out.get(), bytes);
    if (error == 0 && exists) {
        // The replacement keeps the permissions the earlier file had.
        ::fchmod(out.get(), existing.st_mode & 07777);
    }
    if (error == 0 && toDisk && ::fsync(out.get()) != 0) {
        error = errno;
    }
    if (const int closeError = out.close(); error == 0) {
        error = closeError;
    }
    if (error == 0 && ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return error;
    }
    // The rename itself reaches the disk only once its folder is flushed too.
    if (toDisk) {
        ::fsync(folder);
    }
    return 0;
}

int append(const PathBelow& file, std::string_view bytes)
{
    Descriptor parent;
    std::string name;
    if (const int error = openFolderOfFile(file, parent, name)) {
        return error;
    }
    const int folder = parent.get();
    constexpr int Flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC;
    Descriptor out(::openat(folder, name.c_str(), Flags));
    bool made = false;
    if (!out.isOpen() && errno == ENOENT) {
        out = Descriptor(::openat(folder, name.c_str(), Flags | O_CREAT | O_EXCL, 0666));
        made = out.isOpen();
    }
    if (!out.isOpen()) {
        return errno;
    }
    struct stat earlier;
    if (::fstat(out.get(), &earlier) != 0) {
        return errno;
    }
    if (earlier.st_nlink > 1) {
        return EMLINK;
    }
    const int error = writeAll(out.get(), bytes);
    if (error != 0 && made) {
        ::unlinkat(folder, name.c_str(), 0);
    } else if (error != 0 && S_ISREG(earlier.st_mode)) {
        // The part that went in before the failure goes again.
        static_cast<void>(::ftruncate(out.get(), earlier.st_size));
    }
    const int closeError = out.close();
    return error != 0 ? error : closeError;
}

int makeDirectory(const PathBelow& folder)
{
    Descriptor parent;
    std::string name;
    if (const int error = openParent(folder, parent, name)) {
        return error;
    }
    if (namesTheFolderItself(name) || ::mkdirat(parent.get(), name.c_str(), 0777) == 0) {
        return 0;
    }
    const int error = errno;
    struct stat existing;
    const bool isFolder = error == EEXIST &&
                          ::fstatat(parent.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
                          S_ISDIR(existing.st_mode);
    return isFolder ? 0 : error;
}

void walkSegmentsOnly(bool only) noexcept
{
    segmentsOnly.store(only, std::memory_order_relaxed);
}

} // namespace Orva::FileSystemCalls
