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
#include <cstdint>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

namespace Orva::FileSystemCalls {

namespace {

namespace fs = std::filesystem;

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// A pipe opened for reading without O_NONBLOCK waits for a writer, for good if none comes.
constexpr int ReadFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;

// Set where openat2 cannot be used: a kernel before 5.6, or a sandbox that forbids it.
std::atomic<bool> segmentsOnly{false};
std::atomic<bool> namedOnly{false};

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

// Whether the opened file is a regular one: anything else is refused before it is used.
int regularOnly(const Descriptor& file, struct stat& status)
{
    if (::fstat(file.get(), &status) != 0) {
        return errno;
    }
    return S_ISREG(status.st_mode) ? 0 : NotARegularFile;
}

// What opening the last name answered, in the engine's words where it refuses.
int openFailure(int error)
{
    // O_NOFOLLOW meets a link, and a pipe without a reader or a device without its driver
    // will not open for writing without waiting.
    return error == ELOOP ? LinkAtTheName : error == ENXIO ? NotARegularFile : error;
}

int readAll(const Descriptor& in, std::string& contents)
{
    struct stat status;
    if (const int error = regularOnly(in, status)) {
        return error;
    }
    try {
        // A size past what a string holds is read until memory runs out, which is caught below.
        if (static_cast<std::uintmax_t>(std::max<off_t>(status.st_size, 0)) < contents.max_size()) {
            contents.reserve(static_cast<std::size_t>(status.st_size));
        }
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
    } catch (const std::exception&) {
        // Too large to hold: the loader thread must never end on an exception.
        std::string().swap(contents);
        return ENOMEM;
    }
}

int writeInPlace(int folder, const std::string& name, std::string_view bytes)
{
    Descriptor out(::openat(folder, name.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!out.isOpen()) {
        return openFailure(errno);
    }
    struct stat status;
    int error = regularOnly(out, status);
    if (error == 0) {
        error = writeAll(out.get(), bytes);
    }
    const int closeError = out.close();
    return error != 0 ? error : closeError;
}

// A replacement's bytes on their way to the name. Unnamed until complete where the file system
// allows, so that a kill leaves nothing behind; then named <name>.<pid>.<inode>.tmp, a name
// that proves the file the engine's for as long as the inode is its own.
struct Temporary
{
    Descriptor file;
    ino_t inode = 0;
    // Empty while the file has none.
    std::string name;
};

std::string provingName(const std::string& name, ino_t inode)
{
    return name + "." + std::to_string(::getpid()) + "." + std::to_string(inode) + ".tmp";
}

int inodeOf(const Descriptor& file, ino_t& inode)
{
    struct stat status;
    if (::fstat(file.get(), &status) != 0) {
        return errno;
    }
    inode = status.st_ino;
    return 0;
}

// Where the file system has no unnamed files, or they cannot be given a name here.
constexpr int NoUnnamedFiles = EOPNOTSUPP;

int makeUnnamed(int folder, Temporary& temporary)
{
    // An unnamed file gets its name through its descriptor's entry in /proc.
    static const bool processFolder = ::access("/proc/self/fd", X_OK) == 0;
    if (namedOnly.load(std::memory_order_relaxed) || !processFolder) {
        return NoUnnamedFiles;
    }
    temporary.file = Descriptor(::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (!temporary.file.isOpen()) {
        // Kernels before O_TMPFILE read the flag as a folder's open and answer EISDIR.
        return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? NoUnnamedFiles : errno;
    }
    return inodeOf(temporary.file, temporary.inode);
}

// Made new, never through what stands at a name, under a name nothing has yet; then renamed to
// its proving name where the system can rename without replacing.
int makeNamed(int folder, const std::string& name, Temporary& temporary)
{
    constexpr int Flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    constexpr int Attempts = 100;
    const std::string stem = name + "." + std::to_string(::getpid());
    std::string candidate;
    for (int attempt = 0; attempt < Attempts && !temporary.file.isOpen(); ++attempt) {
        candidate = stem + (attempt == 0 ? "" : "." + std::to_string(attempt)) + ".tmp";
        temporary.file = Descriptor(::openat(folder, candidate.c_str(), Flags, 0666));
        if (!temporary.file.isOpen() && errno != EEXIST) {
            return errno;
        }
    }
    if (!temporary.file.isOpen()) {
        return EEXIST;
    }
    if (const int error = inodeOf(temporary.file, temporary.inode)) {
        ::unlinkat(folder, candidate.c_str(), 0);
        return error;
    }
    const std::string proving = provingName(name, temporary.inode);
    const bool renamed =
        ::renameat2(folder, candidate.c_str(), folder, proving.c_str(), RENAME_NOREPLACE) == 0;
    temporary.name = renamed ? proving : candidate;
    return 0;
}

int makeTemporary(int folder, const std::string& name, Temporary& temporary)
{
    const int error = makeUnnamed(folder, temporary);
    return error == NoUnnamedFiles ? makeNamed(folder, name, temporary) : error;
}

// The complete file gets its proving name; a named one has it already.
int nameTemporary(int folder, const std::string& name, Temporary& temporary)
{
    if (!temporary.name.empty()) {
        return 0;
    }
    const std::string proving = provingName(name, temporary.inode);
    const std::string entry = "/proc/self/fd/" + std::to_string(temporary.file.get());
    if (::linkat(AT_FDCWD, entry.c_str(), folder, proving.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return errno;
    }
    temporary.name = proving;
    return 0;
}

// A named temporary goes again, if its name still holds it.
void discardTemporary(int folder, const Temporary& temporary)
{
    struct stat status;
    if (!temporary.name.empty() &&
        ::fstatat(folder, temporary.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        status.st_ino == temporary.inode) {
        ::unlinkat(folder, temporary.name.c_str(), 0);
    }
}

// Digits as the engine writes a number: no sign, no leading zero.
template <class Number> bool readNumber(std::string_view digits, Number& number)
{
    if (digits.empty() || (digits.size() > 1 && digits.front() == '0') ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    return std::from_chars(digits.data(), digits.data() + digits.size(), number).ec == std::errc();
}

// A temporary a killed save of the name left: <name>.<pid>.<inode>.tmp, the pid of a process
// that has ended (one still running, or another user's, may be saving), the file a regular one
// of this user with one name and the inode its name gives. A game's own file whose name only
// looks so fails the proof and stays.
bool isProvenOrphan(int folder, std::string_view entry, std::string_view name)
{
    constexpr std::string_view Suffix = ".tmp";
    if (entry.size() <= name.size() + 1 + Suffix.size() || !entry.starts_with(name) ||
        entry[name.size()] != '.' || !entry.ends_with(Suffix)) {
        return false;
    }
    const std::string_view numbers =
        entry.substr(name.size() + 1, entry.size() - name.size() - 1 - Suffix.size());
    const std::size_t dot = numbers.find('.');
    pid_t pid = 0;
    ino_t inode = 0;
    if (dot == std::string_view::npos || !readNumber(numbers.substr(0, dot), pid) ||
        !readNumber(numbers.substr(dot + 1), inode)) {
        return false;
    }
    if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) {
        return false;
    }
    struct stat status;
    return ::fstatat(folder, std::string(entry).c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(status.st_mode) && status.st_ino == inode && status.st_nlink == 1 &&
           status.st_uid == ::geteuid();
}

void removeProvenOrphans(int folder, const std::string& name)
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
        if (isProvenOrphan(folder, entry->d_name, name)) {
            orphans.emplace_back(entry->d_name);
        }
    }
    ::closedir(entries);
    for (const std::string& orphan : orphans) {
        ::unlinkat(folder, orphan.c_str(), 0);
    }
}

} // namespace

const char* describe(int error) noexcept
{
    switch (error) {
    case NotARegularFile:
        return "it is not a regular file";
    case LinkAtTheName:
        return "it is a symbolic link, which the engine does not follow there";
    case SharedFile:
        return "it has more than one hard link, so its data may lie outside its folder";
    default:
        return std::strerror(error);
    }
}

int read(const PathBelow& file, std::string& contents)
{
    contents.clear();
    Descriptor parent;
    std::string name;
    if (const int error = openFolderOfFile(file, parent, name)) {
        return error;
    }
    const Descriptor in(::openat(parent.get(), name.c_str(), ReadFlags | O_NOFOLLOW));
    return in.isOpen() ? readAll(in, contents) : openFailure(errno);
}

int readNamed(const std::string& path, std::string& contents)
{
    contents.clear();
    const Descriptor in(::open(path.c_str(), ReadFlags));
    return in.isOpen() ? readAll(in, contents) : errno;
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
            return LinkAtTheName;
        }
        if (S_ISDIR(existing.st_mode)) {
            return EISDIR;
        }
        if (!S_ISREG(existing.st_mode)) {
            return NotARegularFile;
        }
        if (::faccessat(folder, name.c_str(), W_OK, 0) != 0) {
            return errno;
        }
    }
    removeProvenOrphans(folder, name);
    Temporary temporary;
    int error = makeTemporary(folder, name, temporary);
    if (error != 0) {
        // A folder that takes no new file may still hold a file that can be written: written
        // in place, as it always could be.
        return exists && error == EACCES ? writeInPlace(folder, name, bytes) : error;
    }
    error = writeAll(temporary.file.get(), bytes);
    if (error == 0 && exists) {
        // The replacement keeps the permissions the earlier file had.
        ::fchmod(temporary.file.get(), existing.st_mode & 07777);
    }
    if (error == 0 && toDisk && ::fsync(temporary.file.get()) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = nameTemporary(folder, name, temporary);
    }
    if (const int closeError = temporary.file.close(); error == 0) {
        error = closeError;
    }
    if (error == 0 && ::renameat(folder, temporary.name.c_str(), folder, name.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        discardTemporary(folder, temporary);
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
    constexpr int Flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    Descriptor out(::openat(folder, name.c_str(), Flags));
    bool made = false;
    if (!out.isOpen() && errno == ENOENT) {
        out = Descriptor(::openat(folder, name.c_str(), Flags | O_CREAT | O_EXCL, 0666));
        made = out.isOpen();
    }
    if (!out.isOpen()) {
        return openFailure(errno);
    }
    struct stat earlier;
    if (const int error = regularOnly(out, earlier)) {
        return error;
    }
    if (earlier.st_nlink > 1) {
        return SharedFile;
    }
    const int error = writeAll(out.get(), bytes);
    if (error != 0 && made) {
        ::unlinkat(folder, name.c_str(), 0);
    } else if (error != 0) {
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

void namedTemporariesOnly(bool only) noexcept
{
    namedOnly.store(only, std::memory_order_relaxed);
}

} // namespace Orva::FileSystemCalls
