#include "platform/audio/Effects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <numbers>

#include "platform/AudioOutput.h"
#include "platform/audio/Mixer.h"

namespace Orva::Platform::Audio {

namespace {

constexpr double Rate = AudioOutputRate;
constexpr double FramesPerMs = Rate / 1000.0;
constexpr double TwoPi = 2.0 * std::numbers::pi;

float decibels(float dB)
{
    return std::pow(10.0f, dB / 20.0f);
}

std::size_t framesOf(double ms)
{
    return static_cast<std::size_t>(std::lround(ms * FramesPerMs));
}

// A low-frequency oscillator's phase in turns, 0 to 1.
struct Phase
{
    double turns = 0.0;

    void advance(double hz) noexcept
    {
        turns += hz / Rate;
        turns -= std::floor(turns);
    }
};

// A delay of whole frames with feedback written by the caller: front() is what was stored
// `size` steps ago, and is overwritten before advance().
class Ring
{
public:
    explicit Ring(std::size_t size = 1) : data_(std::max<std::size_t>(size, 1)) {}

    float& front() noexcept { return data_[at_]; }
    void advance() noexcept
    {
        if (++at_ == data_.size()) {
            at_ = 0;
        }
    }

private:
    CountedVector<float> data_;
    std::size_t at_ = 0;
};

// Stereo frames read back at a fractional delay: 0 is the frame written last.
class DelayLine
{
public:
    explicit DelayLine(std::size_t maximumDelay) : size_(maximumDelay + 2), data_(2 * size_) {}

    void write(float left, float right) noexcept
    {
        at_ = (at_ + 1) % size_;
        data_[2 * at_] = left;
        data_[2 * at_ + 1] = right;
    }
    float read(double delay, int channel) const noexcept
    {
        const auto whole = static_cast<std::size_t>(delay);
        const auto fraction = static_cast<float>(delay - static_cast<double>(whole));
        const float newer = data_[2 * ((at_ + size_ - whole) % size_) + static_cast<std::size_t>(channel)];
        const float older =
            data_[2 * ((at_ + 2 * size_ - whole - 1) % size_) + static_cast<std::size_t>(channel)];
        return newer + (older - newer) * fraction;
    }

private:
    std::size_t size_;
    CountedVector<float> data_;
    std::size_t at_ = 0;
};

// A resonant two-pole filter; cutoff and Q.
class Biquad final : public Effect
{
public:
    static constexpr ParameterRange Parameters[] = {{10.0f, 22000.0f, 5000.0f}, {1.0f, 10.0f, 1.0f}};

    Biquad(Mixer& owner, bool highPass) : Effect(owner, Parameters), highPass_(highPass) {}

    void process(float* frames, std::size_t frameCount) override
    {
        for (std::size_t i = 0; i < 2 * frameCount; ++i) {
            float* z = state_[i % 2];
            const float x = frames[i];
            const float y = b0_ * x + z[0];
            z[0] = b1_ * x - a1_ * y + z[1];
            z[1] = b2_ * x - a2_ * y;
            frames[i] = y;
        }
    }

private:
    void configure() override
    {
        const double w = TwoPi * values_[0] / Rate;
        const double alpha = std::sin(w) / (2.0 * values_[1]);
        const double c = std::cos(w);
        const double a0 = 1.0 + alpha;
        const double edge = highPass_ ? (1.0 + c) / 2.0 : (1.0 - c) / 2.0;
        b0_ = static_cast<float>(edge / a0);
        b1_ = static_cast<float>((highPass_ ? -2.0 : 2.0) * edge / a0);
        b2_ = b0_;
        a1_ = static_cast<float>(-2.0 * c / a0);
        a2_ = static_cast<float>((1.0 - alpha) / a0);
    }

    bool highPass_;
    float b0_ = 0, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    float state_[2][2]{};
};

// Delay ms, feedback %, dry dB, wet dB.
class Echo final : public Effect
{
public:
    static constexpr ParameterRange Parameters[] = {
        {10.0f, 5000.0f, 500.0f}, {0.0f, 100.0f, 50.0f}, {-80.0f, 10.0f, 0.0f}, {-80.0f, 10.0f, 0.0f}};

    explicit Echo(Mixer& owner) : Effect(owner, Parameters) {}

    void process(float* frames, std::size_t frameCount) override
    {
        for (std::size_t i = 0; i < 2 * frameCount; ++i) {
            Ring& line = lines_[i % 2];
            const float x = frames[i];
            const float echoed = line.front();
            line.front() = x + feedback_ * echoed;
            line.advance();
            frames[i] = dry_ * x + wet_ * echoed;
        }
    }

private:
    void configure() override
    {
        const std::size_t delay = framesOf(values_[0]);
        if (delay != delay_) {
            delay_ = delay;
            lines_[0] = Ring(delay);
            lines_[1] = Ring(delay);
        }
        feedback_ = values_[1] / 100.0f;
        dry_ = decibels(values_[2]);
        wet_ = decibels(values_[3]);
    }

    std::size_t delay_ = 0;
    Ring lines_[2];
    float feedback_ = 0, dry_ = 1, wet_ = 1;
};

// Gain dB.
class Fader final : public Effect
{
public:
    static constexpr ParameterRange Parameters[] = {{-80.0f, 10.0f, 0.0f}};

    explicit Fader(Mixer& owner) : Effect(owner, Parameters) {}

    void process(float* frames, std::size_t frameCount) override
    {
        for (std::size_t i = 0; i < 2 * frameCount; ++i) {
            frames[i] *= gain_;
        }
    }

private:
    void configure() override { gain_ = decibels(values_[0]); }

    float gain_ = 1;
};

// A dry signal mixed with a copy read through a delay that a sine sweeps between
// centre - sweep and centre + sweep frames; the right channel's sweep may run ahead.
class SweptDelay : public Effect
{
public:
    void process(float* frames, std::size_t frameCount) override
    {
        for (std::size_t i = 0; i < frameCount; ++i) {
            float* frame = frames + 2 * i;
            line_.write(frame[0], frame[1]);
            for (int c = 0; c < 2; ++c) {
                const double delay = centre_ + sweep_ * std::sin(TwoPi * (phase_.turns + offsets_[c]));
                frame[c] += (line_.read(delay, c) - frame[c]) * mix_;
            }
            phase_.advance(rate_);
        }
    }

protected:
    SweptDelay(Mixer& owner, std::span<const ParameterRange> ranges, double maximumMs)
        : Effect(owner, ranges), line_(framesOf(maximumMs))
    {
    }

    DelayLine line_;
    Phase phase_;
    double centre_ = 0, sweep_ = 0, rate_ = 0;
    double offsets_[2]{};
    float mix_ = 0;
};

// Mix %, depth 0.01-1, rate Hz: a delay swept from 0 to depth x 10 ms.
class Flange final : public SweptDelay
{
public:
    static constexpr double MaximumMs = 10.0;
    static constexpr ParameterRange Parameters[] = {
        {0.0f, 100.0f, 50.0f}, {0.01f, 1.0f, 1.0f}, {0.0f, 20.0f, 0.1f}};

    explicit Flange(Mixer& owner) : SweptDelay(owner, Parameters, MaximumMs) {}

private:
    void configure() override
    {
        mix_ = values_[0] / 100.0f;
        centre_ = values_[1] * MaximumMs * FramesPerMs / 2.0;
        sweep_ = centre_;
        rate_ = values_[2];
        offsets_[0] = offsets_[1] = -0.25; // starts at no delay
    }
};

// Mix %, rate Hz, depth %: a 40 ms delay swept by depth % either way, the right channel a
// quarter turn ahead.
class Chorus final : public SweptDelay
{
public:
    static constexpr double CentreMs = 40.0;
    static constexpr ParameterRange Parameters[] = {
        {0.0f, 100.0f, 50.0f}, {0.0f, 20.0f, 0.8f}, {0.0f, 100.0f, 3.0f}};

    explicit Chorus(Mixer& owner) : SweptDelay(owner, Parameters, 2.0 * CentreMs) {}

private:
    void configure() override
    {
        mix_ = values_[0] / 100.0f;
        rate_ = values_[1];
        centre_ = CentreMs * FramesPerMs;
        sweep_ = centre_ * values_[2] / 100.0;
        offsets_[0] = 0.0;
        offsets_[1] = 0.25;
    }
};

// Level 0-1: tanh soft clipping, scaled so full scale stays full scale.
class Distortion final : public Effect
{
public:
    static constexpr ParameterRange Parameters[] = {{0.0f, 1.0f, 0.5f}};

    explicit Distortion(Mixer& owner) : Effect(owner, Parameters) {}

    void process(float* frames, std::size_t frameCount) override
    {
        if (drive_ <= 0.0f) {
            return;
        }
        for (std::size_t i = 0; i < 2 * frameCount; ++i) {
            frames[i] = std::tanh(drive_ * frames[i]) * scale_;
        }
    }

private:
    void configure() override
    {
        drive_ = 20.0f * values_[0];
        scale_ = drive_ > 0.0f ? 1.0f / std::tanh(drive_) : 1.0f;
    }

    float drive_ = 0, scale_ = 1;
};

// Fade ms, threshold, maximum gain: follows the peak, which falls back over the fade time,
// and amplifies by its inverse, never past the maximum gain nor for levels under the threshold.
class Normalize final : public Effect
{
public:
    static constexpr ParameterRange Parameters[] = {
        {0.0f, 20000.0f, 5000.0f}, {0.0f, 1.0f, 0.1f}, {1.0f, 100000.0f, 20.0f}};

    explicit Normalize(Mixer& owner) : Effect(owner, Parameters) {}

    void process(float* frames, std::size_t frameCount) override
    {
        for (std::size_t i = 0; i < frameCount; ++i) {
            float* frame = frames + 2 * i;
            peak_ = std::max({std::fabs(frame[0]), std::fabs(frame[1]), peak_ * release_});
            const float gain = std::min(values_[2], 1.0f / std::max(peak_, values_[1]));
            frame[0] *= gain;
            frame[1] *= gain;
        }
    }

private:
    void configure() override
    {
        release_ = values_[0] > 0.0f ? static_cast<float>(std::exp(-1.0 / (values_[0] * FramesPerMs))) : 0.0f;
    }

    float peak_ = 0, release_ = 0;
};

// Pitch 0.5-2, window frames: two taps drifting through a window of delay half a window
// apart, each faded out as it jumps back.
class PitchShift final : public Effect
{
public:
    static constexpr ParameterRange Parameters[] = {{0.5f, 2.0f, 1.0f}, {256.0f, 4096.0f, 1024.0f}};

    explicit PitchShift(Mixer& owner) : Effect(owner, Parameters), line_(4096) {}

    void process(float* frames, std::size_t frameCount) override
    {
        for (std::size_t i = 0; i < frameCount; ++i) {
            float* frame = frames + 2 * i;
            line_.write(frame[0], frame[1]);
            const double other = std::fmod(delay_ + window_ / 2.0, window_);
            const auto weight = static_cast<float>(1.0 - std::fabs(2.0 * delay_ / window_ - 1.0));
            for (int c = 0; c < 2; ++c) {
                frame[c] = weight * line_.read(delay_, c) + (1.0f - weight) * line_.read(other, c);
            }
            delay_ += 1.0 - values_[0];
            delay_ -= window_ * std::floor(delay_ / window_);
        }
    }

private:
    void configure() override
    {
        window_ = std::round(values_[1]);
        delay_ = std::fmod(delay_, window_);
    }

    DelayLine line_;
    double window_ = 1024, delay_ = 0;
};

// Decay ms, early ms, late ms, HF reference Hz, wet dB, dry dB: an early reflection, then four
// damped combs and two all-passes per channel.
class Reverb final : public Effect
{
public:
    static constexpr ParameterRange Parameters[] = {{100.0f, 20000.0f, 1500.0f}, {0.0f, 300.0f, 20.0f},
                                                    {0.0f, 100.0f, 40.0f},       {20.0f, 20000.0f, 5000.0f},
                                                    {-80.0f, 10.0f, -6.0f},      {-80.0f, 10.0f, 0.0f}};

    explicit Reverb(Mixer& owner) : Effect(owner, Parameters), predelay_(framesOf(400.0))
    {
        for (int c = 0; c < 2; ++c) {
            const double spread = c * 0.37; // keeps the channels from ringing alike
            for (int k = 0; k < Combs; ++k) {
                combs_[c][k] = Ring(framesOf(CombMs[k] + spread));
            }
            for (int k = 0; k < AllPasses; ++k) {
                allPasses_[c][k] = Ring(framesOf(AllPassMs[k] + spread));
            }
        }
    }

    void process(float* frames, std::size_t frameCount) override
    {
        for (std::size_t i = 0; i < frameCount; ++i) {
            float* frame = frames + 2 * i;
            predelay_.write(frame[0], frame[1]);
            for (int c = 0; c < 2; ++c) {
                const float early = predelay_.read(early_, c);
                const float in = predelay_.read(early_ + late_, c) * InputGain;
                float late = 0.0f;
                for (int k = 0; k < Combs; ++k) {
                    const float out = combs_[c][k].front();
                    float& damped = damping_[c][k];
                    damped = out + (damped - out) * damp_;
                    combs_[c][k].front() = in + feedback_[k] * damped;
                    combs_[c][k].advance();
                    late += out;
                }
                for (Ring& allPass : allPasses_[c]) {
                    const float delayed = allPass.front();
                    const float out = delayed - AllPassGain * late;
                    allPass.front() = late + AllPassGain * out;
                    allPass.advance();
                    late = out;
                }
                frame[c] = dry_ * frame[c] + wet_ * (0.5f * early + late);
            }
        }
    }

private:
    static constexpr int Combs = 4;
    static constexpr int AllPasses = 2;
    static constexpr double CombMs[Combs] = {29.7, 37.1, 41.1, 43.7};
    static constexpr double AllPassMs[AllPasses] = {5.0, 1.7};
    static constexpr float AllPassGain = 0.5f;
    static constexpr float InputGain = 0.05f;

    void configure() override
    {
        for (int k = 0; k < Combs; ++k) {
            feedback_[k] = static_cast<float>(std::pow(10.0, -3.0 * CombMs[k] / values_[0]));
        }
        early_ = values_[1] * FramesPerMs;
        late_ = values_[2] * FramesPerMs;
        damp_ = static_cast<float>(std::exp(-TwoPi * values_[3] / Rate));
        wet_ = decibels(values_[4]);
        dry_ = decibels(values_[5]);
    }

    DelayLine predelay_;
    Ring combs_[2][Combs];
    Ring allPasses_[2][AllPasses];
    float damping_[2][Combs]{};
    float feedback_[Combs]{};
    double early_ = 0, late_ = 0;
    float damp_ = 0, wet_ = 1, dry_ = 1;
};

// Rate Hz, depth 0-1, shape 0 (sine) to 1 (square), skew -1 to 1 (the rising half's share of
// the period): a gain that swings between 1 - depth and 1.
class Tremolo final : public Effect
{
public:
    static constexpr ParameterRange Parameters[] = {
        {0.1f, 20.0f, 5.0f}, {0.0f, 1.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, {-1.0f, 1.0f, 0.0f}};

    explicit Tremolo(Mixer& owner) : Effect(owner, Parameters) {}

    void process(float* frames, std::size_t frameCount) override
    {
        const double split = 0.5 + 0.49 * values_[3];
        for (std::size_t i = 0; i < frameCount; ++i) {
            const double t = phase_.turns;
            const double warped = t < split ? 0.5 * t / split : 0.5 + 0.5 * (t - split) / (1.0 - split);
            const auto sine = static_cast<float>(std::sin(TwoPi * warped));
            const float square = sine >= 0.0f ? 1.0f : -1.0f;
            const float wave = sine + (square - sine) * values_[2];
            const float gain = 1.0f - values_[1] * 0.5f * (1.0f - wave);
            frames[2 * i] *= gain;
            frames[2 * i + 1] *= gain;
            phase_.advance(values_[0]);
        }
    }

private:
    void configure() override {}

    Phase phase_;
};

template <class Kind> std::unique_ptr<Effect> make(Mixer& owner)
{
    return std::make_unique<Kind>(owner);
}

struct EffectKind
{
    FMOD_DSP_TYPE type;
    std::unique_ptr<Effect> (*make)(Mixer&);
};

constexpr EffectKind EffectKinds[] = {
    {FMOD_DSP_TYPE_LOWPASS,
     [](Mixer& m) -> std::unique_ptr<Effect> { return std::make_unique<Biquad>(m, false); }},
    {FMOD_DSP_TYPE_HIGHPASS,
     [](Mixer& m) -> std::unique_ptr<Effect> { return std::make_unique<Biquad>(m, true); }},
    {FMOD_DSP_TYPE_ECHO, make<Echo>},
    {FMOD_DSP_TYPE_FADER, make<Fader>},
    {FMOD_DSP_TYPE_FLANGE, make<Flange>},
    {FMOD_DSP_TYPE_DISTORTION, make<Distortion>},
    {FMOD_DSP_TYPE_NORMALIZE, make<Normalize>},
    {FMOD_DSP_TYPE_PITCHSHIFT, make<PitchShift>},
    {FMOD_DSP_TYPE_CHORUS, make<Chorus>},
    {FMOD_DSP_TYPE_SFXREVERB, make<Reverb>},
    {FMOD_DSP_TYPE_TREMOLO, make<Tremolo>},
};

} // namespace

Effect::Effect(Mixer& owner, std::span<const ParameterRange> ranges) : mixer(owner), ranges_(ranges)
{
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        values_[i] = ranges[i].initial;
    }
}

std::unique_ptr<Effect> Effect::create(Mixer& mixer, FMOD_DSP_TYPE type)
{
    const auto kind = std::find_if(std::begin(EffectKinds), std::end(EffectKinds),
                                   [&](const EffectKind& k) { return k.type == type; });
    if (kind == std::end(EffectKinds)) {
        return nullptr;
    }
    std::unique_ptr<Effect> effect = kind->make(mixer);
    effect->configure();
    return effect;
}

void Effect::setParameter(int index, float value)
{
    const ParameterRange& range = ranges_[static_cast<std::size_t>(index)];
    values_[static_cast<std::size_t>(index)] = std::clamp(value, range.minimum, range.maximum);
    configure();
}

} // namespace Orva::Platform::Audio

// The calls on effects, each under its system's lock.
namespace FMOD {

namespace {

using Orva::Platform::Audio::Effect;
using Guard = std::lock_guard<std::mutex>;

Effect& effectOf(DSP& dsp)
{
    return static_cast<Effect&>(dsp);
}

} // namespace

FMOD_RESULT DSP::getNumParameters(int* count)
{
    if (count == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Effect& effect = effectOf(*this);
    Guard guard(effect.mixer.lock);
    *count = effect.parameterCount();
    return FMOD_OK;
}

FMOD_RESULT DSP::getParameterFloat(int index, float* value, char* text, int textLength)
{
    Effect& effect = effectOf(*this);
    Guard guard(effect.mixer.lock);
    if (index < 0 || index >= effect.parameterCount()) {
        return FMOD_ERR_INVALID_PARAM;
    }
    if (value != nullptr) {
        *value = effect.parameter(index);
    }
    if (text != nullptr && textLength > 0) {
        std::snprintf(text, static_cast<std::size_t>(textLength), "%g",
                      static_cast<double>(effect.parameter(index)));
    }
    return FMOD_OK;
}

FMOD_RESULT DSP::setParameterFloat(int index, float value)
{
    Effect& effect = effectOf(*this);
    Guard guard(effect.mixer.lock);
    if (index < 0 || index >= effect.parameterCount() || std::isnan(value)) {
        return FMOD_ERR_INVALID_PARAM;
    }
    effect.setParameter(index, value);
    return FMOD_OK;
}

FMOD_RESULT DSP::setActive(bool active)
{
    Effect& effect = effectOf(*this);
    Guard guard(effect.mixer.lock);
    effect.active = active;
    return FMOD_OK;
}

FMOD_RESULT DSP::getActive(bool* active)
{
    if (active == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Effect& effect = effectOf(*this);
    Guard guard(effect.mixer.lock);
    *active = effect.active;
    return FMOD_OK;
}

FMOD_RESULT DSP::release()
{
    Effect& effect = effectOf(*this);
    Orva::Platform::Audio::Mixer& mixer = effect.mixer;
    Guard guard(mixer.lock);
    mixer.release(effect);
    return FMOD_OK;
}

} // namespace FMOD
