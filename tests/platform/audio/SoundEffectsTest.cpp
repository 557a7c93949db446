#include <random>

#include "SoundFixture.h"

// Each effect in a group's slot, rendered: known answers, the slot's rules, and every type
// kept finite from its defaults to its extremes.

namespace {

constexpr FMOD_DSP_TYPE Types[] = {
    FMOD_DSP_TYPE_LOWPASS, FMOD_DSP_TYPE_HIGHPASS,   FMOD_DSP_TYPE_ECHO,      FMOD_DSP_TYPE_FADER,
    FMOD_DSP_TYPE_FLANGE,  FMOD_DSP_TYPE_DISTORTION, FMOD_DSP_TYPE_NORMALIZE, FMOD_DSP_TYPE_PITCHSHIFT,
    FMOD_DSP_TYPE_CHORUS,  FMOD_DSP_TYPE_SFXREVERB,  FMOD_DSP_TYPE_TREMOLO};

class Effect : public RenderedSystem
{
protected:
    void SetUp() override
    {
        RenderedSystem::SetUp();
        slot = group();
    }

    FMOD::DSP* effect(FMOD_DSP_TYPE type, std::initializer_list<float> parameters = {})
    {
        FMOD::DSP* dsp = nullptr;
        EXPECT_EQ(system->createDSPByType(type, &dsp), FMOD_OK);
        int index = 0;
        for (const float value : parameters)
            EXPECT_EQ(dsp->setParameterFloat(index++, value), FMOD_OK);
        EXPECT_EQ(slot->addDSP(0, dsp), FMOD_OK);
        return dsp;
    }
    // RMS in dB of a looping sine through the slot, after the filter settles.
    double level(double hz)
    {
        FMOD::Sound* sound =
            load(SoundFiles::encodeFloats(SoundFiles::sine(4800, hz)), FMOD_OPENMEMORY | FMOD_LOOP_NORMAL);
        FMOD::Channel* channel = play(sound, slot);
        const std::vector<float> out = render(9600);
        channel->stop();
        double sum = 0.0;
        for (size_t i = 2 * 4800; i < out.size(); i += 2)
            sum += double(out[i]) * out[i];
        return 10.0 * std::log10(sum / 4800);
    }

    FMOD::ChannelGroup* slot = nullptr;
};

TEST_F(Effect, FiltersCutOutsideTheirBandAndPassInside)
{
    const double loud = level(5000.0), low = level(100.0), mid = level(500.0);
    FMOD::DSP* filter = effect(FMOD_DSP_TYPE_LOWPASS, {500.0f});
    EXPECT_LT(level(5000.0), loud - 12.0);
    EXPECT_GT(level(100.0), low - 1.0);
    slot->removeDSP(filter);
    effect(FMOD_DSP_TYPE_HIGHPASS, {5000.0f});
    EXPECT_LT(level(500.0), mid - 12.0);
}

TEST_F(Effect, EchoRepeatsAnImpulseAtItsDelayScaledByFeedback)
{
    effect(FMOD_DSP_TYPE_ECHO, {100.0f, 50.0f, 0.0f, 0.0f});
    play(load(SoundFiles::encodeFloats({1.0f})), slot);
    const std::vector<float> out = render(12000);
    for (size_t frame = 0; frame < 12000; ++frame) {
        const float expected = frame == 0 || frame == 4800 ? 1.0f : frame == 9600 ? 0.5f : 0.0f;
        ASSERT_EQ(out[2 * frame], expected) << "frame " << frame;
    }
}

TEST_F(Effect, FaderScalesByDecibelsAndAnInactiveEffectPassesAudioUntouched)
{
    FMOD::Sound* noise = load(SoundFiles::encodeFloats(SoundFiles::sine(4800, 1234.5, 0.7f)));
    play(noise, slot);
    const std::vector<float> dry = render(4800);
    FMOD::DSP* fader = effect(FMOD_DSP_TYPE_FADER, {-6.0206f});
    play(constant(100), slot);
    for (const float sample : render(100))
        EXPECT_NEAR(sample, 0.125f, 1e-4f);

    slot->removeDSP(fader);
    FMOD::DSP* reverb = effect(FMOD_DSP_TYPE_SFXREVERB);
    reverb->setActive(false);
    play(noise, slot);
    EXPECT_EQ(render(4800), dry);
}

TEST_F(Effect, TheSlotHoldsOneEffectOfAKnownTypeWithClampedParameters)
{
    FMOD::DSP* dsp = reinterpret_cast<FMOD::DSP*>(this);
    EXPECT_EQ(slot->getDSP(0, &dsp), FMOD_ERR_DSP_NOTFOUND);
    EXPECT_EQ(dsp, nullptr);
    EXPECT_EQ(slot->addDSP(0, nullptr), FMOD_OK);
    EXPECT_EQ(system->createDSPByType(FMOD_DSP_TYPE(4), &dsp), FMOD_ERR_UNSUPPORTED);
    EXPECT_EQ(dsp, nullptr);

    FMOD::DSP* echo = effect(FMOD_DSP_TYPE_ECHO);
    FMOD::DSP* other = nullptr;
    system->createDSPByType(FMOD_DSP_TYPE_FADER, &other);
    EXPECT_EQ(slot->addDSP(0, other), FMOD_ERR_DSP_INUSE);
    EXPECT_EQ(group()->addDSP(0, echo), FMOD_ERR_DSP_INUSE);
    EXPECT_EQ(slot->getDSP(0, &dsp), FMOD_OK);
    EXPECT_EQ(dsp, echo);

    int count = 0;
    float value = 0.0f;
    echo->getNumParameters(&count);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(echo->setParameterFloat(0, 1.0e6f), FMOD_OK);
    echo->getParameterFloat(0, &value, nullptr, 0);
    EXPECT_EQ(value, 5000.0f);
    EXPECT_EQ(echo->setParameterFloat(4, 1.0f), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(echo->getParameterFloat(-1, &value, nullptr, 0), FMOD_ERR_INVALID_PARAM);

    echo->release(); // leaves the slot empty
    EXPECT_EQ(slot->getDSP(0, &dsp), FMOD_ERR_DSP_NOTFOUND);
    EXPECT_EQ(slot->addDSP(0, other), FMOD_OK);
}

TEST_F(Effect, EveryTypeKeepsNoiseFiniteFromItsDefaultsToItsExtremes)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.9f, 0.9f);
    std::vector<float> samples(2 * 48000);
    for (float& sample : samples)
        sample = noise(random);
    FMOD::Sound* sound = load(SoundFiles::encodeFloats(samples, 2));
    // Far below full scale, so a sample clipped to +-1 by the mix can only have been infinite or NaN.
    slot->setVolume(1.0e-4f);
    for (const FMOD_DSP_TYPE type : Types) {
        for (const float extreme : {0.0f, -1.0e9f, 1.0e9f}) {
            FMOD::DSP* dsp = effect(type);
            int count = 0;
            dsp->getNumParameters(&count);
            for (int i = 0; extreme != 0.0f && i < count; ++i)
                dsp->setParameterFloat(i, extreme);
            FMOD::Channel* channel = play(sound, slot);
            for (const float sample : render(48000))
                ASSERT_TRUE(std::fabs(sample) < 1.0f) << "type " << type << " at " << extreme;
            channel->stop();
            dsp->release();
        }
    }
}

} // namespace
