#include "platform/audio/Mixer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/audio/Effects.h"

namespace Orva::Platform::Audio {

namespace {

constexpr double FixedOne = 4294967296.0;
constexpr float FixedFraction = 1.0f / 4294967296.0f;

// Reads the sound at the voice's position with linear interpolation, `Channels` per frame,
// and adds it at the given gains. Past the last frame the next one is silence, or the first
// frame when another pass follows.
template <int Channels>
void addFrames(Voice& voice, float* out, std::size_t frameCount, double step, float left, float right)
{
    const float* pcm = voice.sound->samples.data();
    const std::size_t frames = voice.sound->frames;
    const double length = static_cast<double>(frames);
    const auto add = [&](std::size_t i, const float* now, const float* next, float fraction) {
        float sample[2];
        for (int c = 0; c < Channels; ++c) {
            const float following = next != nullptr ? next[c] : 0.0f;
            sample[c] = now[c] + (following - now[c]) * fraction;
        }
        out[2 * i] += sample[0] * left;
        out[2 * i + 1] += sample[Channels - 1] * right;
    };

    double position = voice.position;
    std::size_t i = 0;
    while (i < frameCount) {
        if (position >= length) {
            voice.position = position;
            voice.wrap();
            if (voice.ended) {
                return;
            }
            position = voice.position;
        }
        // The frames whose both neighbours lie inside the sound, less one against rounding, go
        // without checks; the index is clamped all the same.
        std::size_t run = 0;
        if (position < length - 1.0) {
            run = frameCount - i;
            if (step > 0.0) {
                run = std::min(run, static_cast<std::size_t>(
                                        std::max(0.0, std::ceil((length - 1.0 - position) / step) - 1.0)));
            }
        }
        if (run > 0) {
            // 32.32 fixed point: an integer add per frame instead of a chain of conversions.
            auto at = static_cast<std::uint64_t>(position * FixedOne);
            const auto stride = static_cast<std::uint64_t>(std::llround(step * FixedOne));
            for (const std::size_t last = i + run; i < last; ++i) {
                const std::size_t index = std::min(static_cast<std::size_t>(at >> 32), frames - 2);
                const float* now = pcm + index * Channels;
                add(i, now, now + Channels,
                    static_cast<float>(static_cast<std::uint32_t>(at)) * FixedFraction);
                at += stride;
            }
            position = static_cast<double>(at) / FixedOne;
        }
        if (run == 0) {
            const auto index = static_cast<std::size_t>(position);
            const float* now = pcm + index * Channels;
            const float* next = index + 1 < frames ? now + Channels : (voice.passesLeft() ? pcm : nullptr);
            add(i++, now, next, static_cast<float>(position - static_cast<double>(index)));
            position += step;
        }
    }
    voice.position = position;
    voice.wrap();
}

// Adds one voice over `frameCount` frames into `out`, or only moves it on when `out` is null.
void renderVoice(Voice& voice, float* out, std::size_t frameCount, double pitch)
{
    const double step =
        std::max(0.0, static_cast<double>(voice.frequency) * pitch * voice.controls.pitch / AudioOutputRate);
    if (out == nullptr) {
        voice.position += step * static_cast<double>(frameCount);
        voice.wrap();
        return;
    }
    const float left = voice.controls.leftGain();
    const float right = voice.controls.rightGain();
    if (voice.sound->channels == 1) {
        addFrames<1>(voice, out, frameCount, step, left, right);
    } else {
        addFrames<2>(voice, out, frameCount, step, left, right);
    }
}

} // namespace

void Voice::wrap() noexcept
{
    const double length = static_cast<double>(sound->frames);
    if (position < length) {
        return;
    }
    if (mode == FMOD_LOOP_NORMAL && loopsLeft < 0) {
        position = std::fmod(position, length);
        return;
    }
    while (position >= length) {
        if (!passesLeft()) {
            ended = true;
            return;
        }
        --loopsLeft;
        position -= length;
    }
}

SampleData::SampleData(Mixer& owner, CountedVector<float> pcm, int channelCount, int sampleRate,
                       FMOD_MODE loopMode)
    : mixer(owner), samples(std::move(pcm)), channels(channelCount), rate(sampleRate),
      frames(samples.size() / static_cast<std::size_t>(channelCount)), mode(loopMode)
{
}

Voice* ChannelTicket::liveVoice()
{
    return mixer->voiceOf(*this);
}

MixGroup::MixGroup(Mixer& owner) : mixer(owner), submix(2 * BlockFrames) {}

bool MixGroup::isOrIsBelow(const MixGroup& group) const noexcept
{
    for (const MixGroup* g = this; g != nullptr; g = g->parent) {
        if (g == &group) {
            return true;
        }
    }
    return false;
}

void MixGroup::detach() noexcept
{
    if (parent != nullptr) {
        std::erase(parent->children, this);
    }
    parent = nullptr;
}

void MixGroup::attachTo(MixGroup& newParent)
{
    detach();
    newParent.children.push_back(this);
    parent = &newParent;
}

Mixer::Mixer(AudioOutput& out, std::unique_ptr<AudioOutput> ownOutput)
    : output(out), ownOutput_(std::move(ownOutput))
{
    root = &addGroup();
}

Mixer::~Mixer()
{
    if (outputOpen) {
        output.close();
    }
}

FMOD_RESULT Mixer::initialise(int voiceCount)
{
    if (initialised()) {
        return FMOD_ERR_INITIALIZED;
    }
    if (voiceCount < 1 || voiceCount > MaxVoices) {
        return FMOD_ERR_INVALID_PARAM;
    }
    voices_.resize(static_cast<std::size_t>(voiceCount));
    tickets_ = CountedVector<ChannelTicket>(voices_.size() * TicketsPerVoice);
    for (ChannelTicket& ticket : tickets_) {
        ticket.mixer = this;
    }
    lastUpdate_ = std::chrono::steady_clock::now();
    return FMOD_OK;
}

Voice& Mixer::voiceForPlay() noexcept
{
    // Free voices first, then ended ones, then the oldest that does not loop, then the oldest.
    const auto rank = [](const Voice& voice) {
        const int kind = !voice.busy() ? 0 : voice.ended ? 1 : voice.mode == FMOD_LOOP_NORMAL ? 3 : 2;
        return std::pair(kind, voice.startOrder);
    };
    return *std::min_element(voices_.begin(), voices_.end(),
                             [&](const Voice& a, const Voice& b) { return rank(a) < rank(b); });
}

FMOD::Channel* Mixer::play(SampleData& sound, MixGroup& group, bool paused)
{
    Voice& voice = voiceForPlay();
    if (voice.busy()) {
        free(voice);
    }
    voice.sound = &sound;
    voice.group = &group;
    voice.controls = Controls{};
    voice.controls.paused = paused;
    voice.position = 0.0;
    voice.frequency = static_cast<float>(sound.rate);
    voice.mode = sound.mode;
    voice.loopsLeft = sound.loopCount;
    voice.ended = false;
    voice.startOrder = plays_++;

    ChannelTicket& ticket = tickets_[nextTicket_];
    nextTicket_ = (nextTicket_ + 1) % tickets_.size();
    ticket.voice = static_cast<std::uint32_t>(&voice - voices_.data());
    ticket.generation = voice.generation;
    return &ticket;
}

Voice* Mixer::voiceOf(const ChannelTicket& ticket) noexcept
{
    Voice& voice = voices_[ticket.voice];
    return voice.busy() && voice.generation == ticket.generation ? &voice : nullptr;
}

void Mixer::free(Voice& voice) noexcept
{
    voice.sound = nullptr;
    voice.group = nullptr;
    voice.ended = false;
    ++voice.generation;
}

bool Mixer::anyPlaying(const MixGroup& group) const noexcept
{
    return std::any_of(voices_.begin(), voices_.end(), [&](const Voice& voice) {
        return voice.playing() && voice.group->isOrIsBelow(group);
    });
}

void Mixer::stop(const MixGroup& group) noexcept
{
    for (Voice& voice : voices_) {
        if (voice.busy() && voice.group->isOrIsBelow(group)) {
            free(voice);
        }
    }
}

MixGroup& Mixer::addGroup()
{
    MixGroup& group = *groups_.emplace_back(std::make_unique<MixGroup>(*this));
    if (root != nullptr) {
        group.attachTo(*root);
    }
    return group;
}

void Mixer::release(MixGroup& group)
{
    for (Voice& voice : voices_) {
        if (voice.group == &group) {
            voice.group = root;
        }
    }
    while (!group.children.empty()) {
        group.children.front()->attachTo(*root);
    }
    if (group.effect != nullptr) {
        group.effect->slot = nullptr;
    }
    group.detach();
    std::erase_if(groups_, [&](const std::unique_ptr<MixGroup>& g) { return g.get() == &group; });
}

void Mixer::release(SampleData& sound)
{
    for (Voice& voice : voices_) {
        if (voice.sound == &sound) {
            free(voice);
        }
    }
    std::erase_if(sounds_, [&](const std::unique_ptr<SampleData>& s) { return s.get() == &sound; });
}

void Mixer::release(Effect& effect)
{
    if (effect.slot != nullptr) {
        effect.slot->effect = nullptr;
    }
    std::erase_if(effects_, [&](const std::unique_ptr<Effect>& e) { return e.get() == &effect; });
}

Effect& Mixer::adopt(std::unique_ptr<Effect> effect)
{
    return *effects_.emplace_back(std::move(effect));
}

SampleData& Mixer::adopt(std::unique_ptr<SampleData> sound)
{
    return *sounds_.emplace_back(std::move(sound));
}

void Mixer::update()
{
    if (!initialised()) {
        return;
    }
    if (!outputOpen) {
        advanceByWallTime();
    }
    for (Voice& voice : voices_) {
        if (voice.busy() && voice.ended) {
            free(voice);
        }
    }
}

void Mixer::advanceByWallTime()
{
    const auto now = std::chrono::steady_clock::now();
    pendingFrames_ += std::chrono::duration<double>(now - lastUpdate_).count() * AudioOutputRate;
    lastUpdate_ = now;
    const double whole = std::floor(pendingFrames_);
    pendingFrames_ -= whole;
    if (whole > 0.0) {
        mixGroup(*root, static_cast<std::size_t>(whole), 1.0, false);
    }
}

void Mixer::mix(float* frames, std::size_t frameCount)
{
    std::lock_guard<std::mutex> guard(lock);
    while (frameCount > 0) {
        const std::size_t count = std::min(frameCount, BlockFrames);
        const float* submix = mixGroup(*root, count, 1.0, true) ? root->submix.data() : nullptr;
        for (std::size_t i = 0; i < 2 * count; ++i) {
            frames[i] = submix != nullptr ? std::max(-1.0f, std::min(submix[i], 1.0f)) : 0.0f; // NaN: -1
        }
        frames += 2 * count;
        frameCount -= count;
    }
}

bool Mixer::mixGroup(MixGroup& group, std::size_t frameCount, double pitch, bool audible)
{
    const Controls& controls = group.controls;
    if (controls.paused) {
        return false;
    }
    pitch *= controls.pitch;
    float* out = audible && !controls.mute ? group.submix.data() : nullptr;
    if (out != nullptr) {
        std::fill_n(out, 2 * frameCount, 0.0f);
    }

    for (Voice& voice : voices_) {
        if (voice.group == &group && voice.playing() && !voice.controls.paused) {
            renderVoice(voice, voice.controls.mute ? nullptr : out, frameCount, pitch);
        }
    }
    for (MixGroup* child : group.children) {
        if (mixGroup(*child, frameCount, pitch, out != nullptr)) {
            const float* in = child->submix.data();
            for (std::size_t i = 0; i < 2 * frameCount; ++i) {
                out[i] += in[i];
            }
        }
    }
    if (out == nullptr) {
        return false;
    }

    if (group.effect != nullptr && group.effect->active) {
        group.effect->process(out, frameCount);
    }
    const float left = controls.leftGain();
    const float right = controls.rightGain();
    if (left != 1.0f || right != 1.0f) {
        for (std::size_t i = 0; i < frameCount; ++i) {
            out[2 * i] *= left;
            out[2 * i + 1] *= right;
        }
    }
    return true;
}

} // namespace Orva::Platform::Audio
