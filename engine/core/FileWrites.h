#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/Export.h"

// The one way the engine writes files. A write that fails says so on stderr in one line,
// "<tag>: could not write "<path>": <reason>", once per file: later failures of the same file
// stay quiet until a write to it succeeds again. The game goes on either way; callers report
// the failure only by their result, as before.
namespace Orva {

// How far a replacement is written before it is renamed over the file: to the disk, which
// outlasts a power cut, or to the system's cache, which outlasts the process being killed.
enum class Flush { ToDisk, ToCache };

// Replaces the whole file: the bytes go to a temporary file beside it, which is flushed to the
// disk and renamed over it, so the file holds its earlier content or the new one, whatever
// happens meanwhile (a full disk, the process killed, with ToDisk a power cut). On failure the
// earlier file stays as it was and the temporary is removed. A link at the path is written
// through; a file that may not be written, or a directory, is refused as opening it for
// writing would refuse it; a writable file in a folder that takes no new file, a device or a
// pipe is written in place.
ORVA_API bool replaceFileContents(const std::string& path, std::string_view bytes, const char* tag,
                                  Flush flush = Flush::ToDisk);

// Appends the bytes, making the file when it is missing.
ORVA_API bool appendFileContents(const std::string& path, std::string_view bytes, const char* tag);

// The absolute path with every link followed, dangling ones included, and "." and ".."
// segments resolved; the part that does not exist yet is kept as it is.
ORVA_API std::filesystem::path resolveLinks(const std::filesystem::path& path);

// Whether the resolved path is the folder itself or lies below it.
ORVA_API bool liesInside(const std::filesystem::path& resolved, const std::filesystem::path& resolvedFolder);

} // namespace Orva
