#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/Export.h"

// The one way the engine writes files and reads whole ones: regular files only, never waiting
// on a pipe or a device, and the files scripts name down a checked path. A write that fails
// says so on stderr in one line, "<tag>: could not write "<path>": <reason>", once per file:
// later failures of the same file stay quiet until a write to it succeeds again. The game goes
// on either way; callers report the failure only by their result, as before.
namespace Orva {

// How far a replacement is written before it is renamed over the file: to the disk, which
// outlasts a power cut, or to the system's cache, which outlasts the process being killed.
enum class Flush { ToDisk, ToCache };

// A file (or folder) below a folder the game owns, as the check found it: the folder with its
// links resolved and the plain path below it with none among it. Everything done with it goes
// from the folder down that path without following a link, so that a folder swapped for a
// link after the check leads nowhere instead of outside.
struct PathBelow
{
    // The path as the caller named it, for the failure line.
    std::string named;
    std::filesystem::path folder;
    std::filesystem::path relative;
};

// Whether the last name of a path is followed when it is a link: a script's name may lead
// through a link that stays inside its folder; a file of the engine's own naming is never
// written through a link planted at its name.
enum class LastName { Followed, NotFollowed };

// The file `name` (a relative path) below the folder `below` of the game's folder `root`, as
// the check finds it: root with its links resolved (what lies above the game's folder is the
// user's business), then the path below it once every link is followed, which has to stay
// within root/below. Nothing when it leads out of it or through a link that never resolves (one
// naming itself, a loop). `named` is what the failure line calls the file.
ORVA_API std::optional<PathBelow> pathBelow(const std::string& root, const std::filesystem::path& below,
                                            const std::string& name, std::string named,
                                            LastName last = LastName::Followed);

// Why the engine turned a file down that the system would have taken. Given somewhere to put
// it, the calls below leave the naming to the caller (a script's refusal line); else the
// reason goes into their failure line.
enum class Refusal { None, NotARegularFile, SharedFile };
ORVA_API const char* reasonOf(Refusal refusal) noexcept;

// Replaces the whole file: the bytes go to a new file beside it, which is flushed to the disk
// and renamed over it, so the file holds its earlier content or the new one, whatever happens
// meanwhile (a full disk, the process killed, with ToDisk a power cut). On failure the earlier
// file stays as it was. Where the file system allows, the new file has no name until it is
// complete; else it is named <file>.<pid>.<inode>.tmp, and those a killed save left go at a
// later save of the file. Nothing that stands at a name the engine picks is ever removed,
// followed or written: a game's own file that only looks like a temporary stays. The folder is
// reached as it is named; a link at the last name, a directory, a pipe or a device is refused.
// A file that may not be written is refused as opening it for writing would refuse it; a
// writable file in a folder that takes no new file is written in place.
ORVA_API bool replaceFileContents(const std::string& path, std::string_view bytes, const char* tag,
                                  Flush flush = Flush::ToDisk);
// The same below a checked folder.
ORVA_API bool replaceFileBelow(const PathBelow& file, std::string_view bytes, const char* tag,
                               Flush flush = Flush::ToDisk, Refusal* refused = nullptr);

// Appends the bytes below a checked folder, making the file when it is missing. An append that
// fails leaves the file as it was (one it made is removed again); a kill during an append may
// still cut its last record short. A file with more than one hard link, a pipe or a device is
// refused unwritten.
ORVA_API bool appendFileBelow(const PathBelow& file, std::string_view bytes, const char* tag,
                              Refusal* refused = nullptr);

// The whole file, read along the checked path; nothing when it cannot be read or is refused.
ORVA_API std::optional<std::string> readFileBelow(const PathBelow& file, Refusal* refused = nullptr);
// The whole file by its name, links followed, for the game's own files: nothing when it cannot
// be read or is no regular file (a pipe would keep the read waiting).
ORVA_API std::optional<std::string> readRegularFile(const std::string& path);
// Makes the last folder of the path; true when a folder, not a link, is there afterwards.
ORVA_API bool makeDirectoryBelow(const PathBelow& folder);

// The absolute path with every link followed, dangling ones included, and "." and ".."
// segments resolved; the part that does not exist yet is kept as it is. Links beyond the
// system's limit are left as they stand, and `gaveUp` (when given) tells so.
ORVA_API std::filesystem::path resolveLinks(const std::filesystem::path& path, bool* gaveUp = nullptr);

// Whether the resolved path is the folder itself or lies below it.
ORVA_API bool liesInside(const std::filesystem::path& resolved, const std::filesystem::path& resolvedFolder);

} // namespace Orva
