#pragma once

// Where a sound system's mix goes. The default output plays through SDL's audio device; tests
// install a render output, which has no thread and mixes only when asked, so a render is exact
// and repeatable.

#include <cstddef>
#include <optional>

#include "core/Export.h"

namespace Orva::Platform {

// Every output runs at this rate, in float stereo frames (left, right interleaved).
inline constexpr int AudioOutputRate = 48000;

// What an output pulls from: the sound system's mixer. mix takes the system's lock.
class ORVA_API AudioSource
{
public:
    virtual void mix(float* frames, std::size_t frameCount) = 0;

protected:
    AudioSource() = default;
    ~AudioSource() = default;
    AudioSource(const AudioSource&) = default;
    AudioSource& operator=(const AudioSource&) = default;
};

class ORVA_API AudioOutput
{
public:
    virtual ~AudioOutput();

    // Devices offered; 0 means no output at all.
    virtual int driverCount() = 0;
    // Starts pulling from `source`; false when no device could be opened (or one is open already).
    virtual bool open(AudioSource& source) = 0;
    // Stops pulling: once it returns, the source is never called again.
    virtual void close() = 0;

protected:
    AudioOutput() = default;
    AudioOutput(const AudioOutput&) = default;
    AudioOutput& operator=(const AudioOutput&) = default;
};

// Mixes on the caller's thread in render().
class ORVA_API RenderOutput final : public AudioOutput
{
public:
    explicit RenderOutput(int drivers = 1) : drivers_(drivers) {}

    void setDriverCount(int drivers) noexcept { drivers_ = drivers; }
    int driverCount() override { return drivers_; }
    // Fails with no drivers.
    bool open(AudioSource& source) override;
    void close() override { source_ = nullptr; }

    // The next `frameCount` frames of the open system into `frames`; silence when none is open.
    void render(float* frames, std::size_t frameCount);

private:
    int drivers_;
    AudioSource* source_ = nullptr;
};

namespace Test {

// Systems created from now on use `output` (not owned; it must outlive them); null brings
// back SDL's output, one per system.
ORVA_API void setAudioOutput(AudioOutput* output);

// What the last init of any system was given.
struct SoundInit
{
    int maxChannels;
    unsigned flags;

    bool operator==(const SoundInit&) const = default;
};
// Nothing before the first init.
ORVA_API std::optional<SoundInit> lastSoundInit();

// FMOD_Memory_GetStats for tests of the engine, which cannot link it: bytes held by every
// sound system now, and the most held at once.
ORVA_API void soundMemory(int* currentAllocated, int* maxAllocated);

} // namespace Test

} // namespace Orva::Platform
