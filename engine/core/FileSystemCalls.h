#pragma once

#include <string>
#include <string_view>

#include "core/Export.h"
#include "core/FileWrites.h"

// The system calls under core/FileWrites, Linux's: a port replaces FileSystemCalls.cpp. Each
// opens the checked folder, goes down the plain path below it without following a link
// (openat2 confined beneath the folder where the kernel has it, else one openat per segment)
// and acts on the last name from the folder that holds it, never following a link there
// either. Only regular files are read or written, opened without waiting: a pipe or a device
// may keep an open waiting for good. Each answers 0, an errno value or one of the refusals
// below.
namespace Orva::FileSystemCalls {

// A pipe, a device or a socket where a file is meant.
inline constexpr int NotARegularFile = -1;
// A link at the last name, which is never written or read through.
inline constexpr int LinkAtTheName = -2;
// A file with more than one hard link: a name alone cannot tell where the file it shares lies.
inline constexpr int SharedFile = -3;

// What the answer says, for a failure line: the engine's reason or the system's own.
const char* describe(int error) noexcept;

// The whole file into contents (left empty on failure).
int read(const PathBelow& file, std::string& contents);
// The same by name, links followed: the files of the game's own folders.
int readNamed(const std::string& path, std::string& contents);
// A replacement: the bytes go to a new file in the same folder, unnamed until complete where
// the file system allows, which is then renamed over the name; flushed to the disk first when
// toDisk. A temporary a killed save left is removed at a later save only when its name proves
// it the engine's: <name>.<pid>.<inode>.tmp, the pid of an ended process and the inode its own.
int replace(const PathBelow& file, std::string_view bytes, bool toDisk);
// Appended, the file made when missing.
int append(const PathBelow& file, std::string_view bytes);
int makeDirectory(const PathBelow& folder);

// Goes down by one openat per segment even where the kernel offers openat2, so that tests
// reach the way older kernels take.
ORVA_API void walkSegmentsOnly(bool only) noexcept;
// Writes replacements into named temporaries even where the file system offers unnamed ones,
// so that tests reach the way other file systems take.
ORVA_API void namedTemporariesOnly(bool only) noexcept;

} // namespace Orva::FileSystemCalls
