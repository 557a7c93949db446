#pragma once

// The effects a group's slot can hold. Each runs on 48 kHz float stereo in place, keeps its
// parameters clamped to their ranges and derives its working values when one changes.

#include <array>
#include <cstddef>
#include <memory>
#include <span>

#include "platform/SoundSystem.h"
#include "platform/audio/AudioMemory.h"

namespace Orva::Platform::Audio {

class Mixer;
class MixGroup;

struct ParameterRange
{
    float minimum;
    float maximum;
    float initial;
};

class Effect : public FMOD::DSP, public Counted
{
public:
    static constexpr int MaxParameters = 6;

    // At its defaults; null for a type not offered.
    static std::unique_ptr<Effect> create(Mixer& mixer, FMOD_DSP_TYPE type);
    virtual ~Effect() = default;
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    int parameterCount() const noexcept { return static_cast<int>(ranges_.size()); }
    float parameter(int index) const noexcept { return values_[static_cast<std::size_t>(index)]; }
    // `index` must be below parameterCount; the value is clamped to its range.
    void setParameter(int index, float value);
    virtual void process(float* frames, std::size_t frameCount) = 0;

    Mixer& mixer;
    bool active = true;
    MixGroup* slot = nullptr; // the group whose slot holds it

protected:
    Effect(Mixer& owner, std::span<const ParameterRange> ranges);
    // Derives the working values from the parameters; runs at creation and after each change.
    virtual void configure() = 0;

    std::array<float, MaxParameters> values_{};

private:
    std::span<const ParameterRange> ranges_;
};

} // namespace Orva::Platform::Audio
