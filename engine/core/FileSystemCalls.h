#pragma once

#include <string>
#include <string_view>

#include "core/Export.h"
#include "core/FileWrites.h"

// The system calls under core/FileWrites, Linux's: a port replaces FileSystemCalls.cpp. Each
// opens the checked folder, goes down the plain path below it without following a link
// (openat2 confined beneath the folder where the kernel has it, else one openat per segment)
// and acts on the last name from the folder that holds it. Each answers 0 or an errno value.
namespace Orva::FileSystemCalls {

// The whole file into contents (left empty on failure).
int read(const PathBelow& file, std::string& contents);
// A replacement by way of <name>.<pid>.tmp, made new (never through a link) and renamed over
// the name; flushed to the disk first when toDisk. A link at the name gives ELOOP.
int replace(const PathBelow& file, std::string_view bytes, bool toDisk);
// Appended, the file made when missing; EMLINK for a file with more than one hard link.
int append(const PathBelow& file, std::string_view bytes);
int makeDirectory(const PathBelow& folder);

// Goes down by one openat per segment even where the kernel offers openat2, so that tests
// reach the way older kernels take.
ORVA_API void walkSegmentsOnly(bool only) noexcept;

} // namespace Orva::FileSystemCalls
