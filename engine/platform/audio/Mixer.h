#pragma once

// The inside of a sound system: voices, the channel tickets that stand for them, the group
// tree and the mix. Reached only by the call files of this folder, always under `lock`.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/AudioOutput.h"
#include "platform/SoundSystem.h"
#include "platform/audio/AudioMemory.h"

namespace Orva::Platform::Audio {

class Effect;
class MixGroup;
class Mixer;

// Frames mixed in one pass over the tree; each group keeps a submix of this size.
inline constexpr std::size_t BlockFrames = 512;
// Tickets per voice: a Channel handle is reused only after this many plays per voice.
inline constexpr std::size_t TicketsPerVoice = 256;
inline constexpr int MaxVoices = 4095;

// The loop bits of a mode when exactly one is set, else 0.
inline FMOD_MODE loopMode(FMOD_MODE mode) noexcept
{
    const FMOD_MODE bits = mode & (FMOD_LOOP_OFF | FMOD_LOOP_NORMAL);
    return bits == FMOD_LOOP_OFF || bits == FMOD_LOOP_NORMAL ? bits : 0;
}

// Settings that channels and groups share.
struct Controls
{
    float volume = 1.0f;
    float pitch = 1.0f;
    float pan = 0.0f;
    bool mute = false;
    bool paused = false;
    FMOD_VECTOR position{};
    FMOD_VECTOR velocity{};

    float leftGain() const noexcept { return volume * (pan > 0.0f ? 1.0f - pan : 1.0f); }
    float rightGain() const noexcept { return volume * (pan < 0.0f ? 1.0f + pan : 1.0f); }
};

// Decoded PCM, interleaved float, one or two channels, at its own rate.
class SampleData final : public FMOD::Sound, public Counted
{
public:
    SampleData(Mixer& owner, CountedVector<float> samples, int channels, int rate, FMOD_MODE mode);

    Mixer& mixer;
    const CountedVector<float> samples;
    const int channels;
    const int rate;
    const std::size_t frames;
    FMOD_MODE mode;
    int loopCount = -1;
};

struct Voice
{
    SampleData* sound = nullptr; // null while the voice is free
    MixGroup* group = nullptr;
    Controls controls;
    double position = 0.0; // frames into the sound, fractional
    float frequency = 0.0f;
    FMOD_MODE mode = FMOD_LOOP_OFF;
    int loopsLeft = 0;
    bool ended = false;
    std::uint32_t generation = 0; // grows each time the voice is freed
    std::uint64_t startOrder = 0;

    bool busy() const noexcept { return sound != nullptr; }
    bool playing() const noexcept { return sound != nullptr && !ended; }
    // Reaching the end starts another pass.
    bool passesLeft() const noexcept { return mode == FMOD_LOOP_NORMAL && loopsLeft != 0; }
    // Brings a position at or past the end back in, a pass at a time, or ends the voice.
    void wrap() noexcept;
};

// What a Channel handle points at: one of the system's voices at one generation.
class ChannelTicket final : public FMOD::Channel
{
public:
    Mixer* mixer = nullptr;
    std::uint32_t voice = 0;
    std::uint32_t generation = 0;

private:
    Mixer& owner() const override { return *mixer; }
    Voice* liveVoice() override;
    MixGroup* asGroup() override { return nullptr; }
};

class MixGroup final : public FMOD::ChannelGroup, public Counted
{
public:
    explicit MixGroup(Mixer& owner);

    // This group or one above it.
    bool isOrIsBelow(const MixGroup& group) const noexcept;
    void detach() noexcept;
    void attachTo(MixGroup& newParent);

    Mixer& mixer;
    MixGroup* parent = nullptr;
    CountedVector<MixGroup*> children;
    Controls controls;
    Effect* effect = nullptr;
    CountedVector<float> submix;

private:
    Mixer& owner() const override { return mixer; }
    Voice* liveVoice() override { return nullptr; }
    MixGroup* asGroup() override { return this; }
};

class Mixer final : public FMOD::System, public AudioSource, public Counted
{
public:
    // `output` is `ownOutput` when the system made its own.
    Mixer(AudioOutput& output, std::unique_ptr<AudioOutput> ownOutput);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // The rest runs under `lock`.
    FMOD_RESULT initialise(int voiceCount);
    bool initialised() const noexcept { return !voices_.empty(); }
    FMOD::Channel* play(SampleData& sound, MixGroup& group, bool paused);
    Voice* voiceOf(const ChannelTicket& ticket) noexcept;
    void free(Voice& voice) noexcept;
    bool anyPlaying(const MixGroup& group) const noexcept;
    void stop(const MixGroup& group) noexcept;
    void release(MixGroup& group);
    void release(SampleData& sound);
    void release(Effect& effect);
    MixGroup& addGroup();
    Effect& adopt(std::unique_ptr<Effect> effect);
    SampleData& adopt(std::unique_ptr<SampleData> sound);
    void update();

    // Takes the lock.
    void mix(float* frames, std::size_t frameCount) override;

    std::mutex lock;
    AudioOutput& output;
    bool outputOpen = false;
    FMOD_VECTOR listener[4]{
        {}, {}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}}; // position, velocity, forward, up
    MixGroup* root = nullptr;

private:
    Voice& voiceForPlay() noexcept;
    // Mixes (or, when not audible, only advances) one group and what is below it over
    // `frameCount` frames; true when its submix holds audio for the parent.
    bool mixGroup(MixGroup& group, std::size_t frameCount, double pitch, bool audible);
    void advanceByWallTime();

    std::unique_ptr<AudioOutput> ownOutput_;
    CountedVector<Voice> voices_;
    CountedVector<ChannelTicket> tickets_;
    std::size_t nextTicket_ = 0;
    std::uint64_t plays_ = 0;
    CountedVector<std::unique_ptr<MixGroup>> groups_;
    CountedVector<std::unique_ptr<SampleData>> sounds_;
    CountedVector<std::unique_ptr<Effect>> effects_;
    std::chrono::steady_clock::time_point lastUpdate_{};
    double pendingFrames_ = 0.0;
};

// One call on a channel or a group: holds the system's lock and finds the live target.
class ControlAccess
{
public:
    explicit ControlAccess(FMOD::ChannelControl& control)
        : mixer_(control.owner()), guard_(mixer_.lock), voice_(control.liveVoice()), group_(control.asGroup())
    {
    }

    bool live() const noexcept { return voice_ != nullptr || group_ != nullptr; }
    Controls& controls() noexcept { return voice_ != nullptr ? voice_->controls : group_->controls; }
    Mixer& mixer() noexcept { return mixer_; }
    Voice* voice() noexcept { return voice_; }
    MixGroup* group() noexcept { return group_; }

private:
    Mixer& mixer_;
    std::lock_guard<std::mutex> guard_;
    Voice* voice_;
    MixGroup* group_;
};

} // namespace Orva::Platform::Audio
