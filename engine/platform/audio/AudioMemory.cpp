#include "platform/audio/AudioMemory.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>

#include "platform/SoundSystem.h"

namespace Orva::Platform::Audio {

namespace {

std::atomic<std::int64_t> current{0};
std::atomic<std::int64_t> peak{0};

int clamped(std::int64_t bytes)
{
    return static_cast<int>(std::min<std::int64_t>(bytes, INT_MAX));
}

} // namespace

void noteAllocated(std::size_t bytes) noexcept
{
    const std::int64_t now =
        current.fetch_add(static_cast<std::int64_t>(bytes)) + static_cast<std::int64_t>(bytes);
    std::int64_t highest = peak.load();
    while (now > highest && !peak.compare_exchange_weak(highest, now)) {
    }
}

void noteFreed(std::size_t bytes) noexcept
{
    current.fetch_sub(static_cast<std::int64_t>(bytes));
}

} // namespace Orva::Platform::Audio

FMOD_RESULT FMOD_Memory_GetStats(int* currentAllocated, int* maxAllocated, bool /*blocking*/)
{
    using namespace Orva::Platform::Audio;
    if (currentAllocated != nullptr) {
        *currentAllocated = clamped(current.load());
    }
    if (maxAllocated != nullptr) {
        *maxAllocated = clamped(peak.load());
    }
    return FMOD_OK;
}
