#pragma once

#include <cstdint>

#include "core/Export.h"

namespace Orva {

// The engine's one pseudo-random generator. It reproduces the 15-bit sequence of the C
// runtime the game data was authored with, so data scrambled there reads back here and a
// run that draws in the same order sees the same numbers. glibc's rand is never used.
inline constexpr int RANDOM_MAX = 0x7FFF;

// Sets the generator's state (the state at start-up is 1).
ORVA_API void srand(std::uint32_t seed);
// Next draw, 0..RANDOM_MAX.
ORVA_API int rand();

} // namespace Orva
