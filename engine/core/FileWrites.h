#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/Export.h"

// The one way the engine writes files, and reads the files scripts name. A write that fails
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

// Where the path leads below the folder once every link is followed; nothing when it leads out
// of it, or ends on a link that never resolves (one naming itself, a loop).
ORVA_API std::optional<PathBelow> pathBelow(const std::string& folder, const std::string& path);

// Replaces the whole file: the bytes go to a new temporary file beside it, <file>.<pid>.tmp,
// which is flushed to the disk and renamed over it, so the file holds its earlier content or
// the new one, whatever happens meanwhile (a full disk, the process killed, with ToDisk a power
// cut). On failure the earlier file stays as it was and the temporary is removed; the
// temporaries that ended processes left beside the file are removed too. The temporary is
// never opened through a link planted at its name. A link at the path is written through; a
// file that may not be written, or a directory, is refused as opening it for writing would
// refuse it; a writable file in a folder that takes no new file, a device or a pipe is written
// in place.
ORVA_API bool replaceFileContents(const std::string& path, std::string_view bytes, const char* tag,
                                  Flush flush = Flush::ToDisk);
// The same below a checked folder; a link at the name is refused, never replaced.
ORVA_API bool replaceFileBelow(const PathBelow& file, std::string_view bytes, const char* tag,
                               Flush flush = Flush::ToDisk);

// An append that fails leaves the file as it was (one it made is removed again). A file with
// more than one hard link is refused unwritten: a name alone cannot tell where the file it
// shares lies. A kill during an append may still cut its last record short.
enum class AppendResult { Appended, Failed, SharedFile };

// Appends the bytes, making the file when it is missing; a shared file fails with the line.
ORVA_API bool appendFileContents(const std::string& path, std::string_view bytes, const char* tag);
// The same below a checked folder; a shared file is left to the caller to name.
ORVA_API AppendResult appendFileBelow(const PathBelow& file, std::string_view bytes, const char* tag);

// The whole file, read along the checked path; nothing when it cannot be read.
ORVA_API std::optional<std::string> readFileBelow(const PathBelow& file);
// Makes the last folder of the path; true when a folder, not a link, is there afterwards.
ORVA_API bool makeDirectoryBelow(const PathBelow& folder);

// The absolute path with every link followed, dangling ones included, and "." and ".."
// segments resolved; the part that does not exist yet is kept as it is.
ORVA_API std::filesystem::path resolveLinks(const std::filesystem::path& path);

// Whether the resolved path is the folder itself or lies below it.
ORVA_API bool liesInside(const std::filesystem::path& resolved, const std::filesystem::path& resolvedFolder);

} // namespace Orva
