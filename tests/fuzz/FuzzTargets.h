#pragma once

// The fuzz targets: one body per file format the engine reads, each calling the real loader
// on the input. A body runs inside the harness (FuzzHarness.h), which clears what it made.
// The fuzzers and the replay suite share this table; a new target is a body and a line here.

#include <span>
#include <string_view>

namespace Fuzz {

using Body = void (*)(std::string_view input);

struct Target
{
    // The fuzzer is fuzz_<name>; its seeds, corpus and regressions are folders of that name.
    const char* name;
    Body body;
};

std::span<const Target> targets();
// The target of that name; aborts with a message for an unknown one.
const Target& target(std::string_view name);

} // namespace Fuzz
