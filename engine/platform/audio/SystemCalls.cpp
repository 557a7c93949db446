#include <exception>
#include <iostream>
#include <string>

#include "platform/SoundSystem.h"
#include "platform/audio/Decoder.h"
#include "platform/audio/Effects.h"
#include "platform/audio/Mixer.h"
#include "platform/audio/Outputs.h"

// The calls on the system and on sounds.

using Orva::Platform::Audio::Effect;
using Orva::Platform::Audio::Mixer;
using Orva::Platform::Audio::MixGroup;
using Orva::Platform::Audio::SampleData;
using Guard = std::lock_guard<std::mutex>;

namespace FMOD {

namespace {

Mixer& mixerOf(System& system)
{
    return static_cast<Mixer&>(system);
}

SampleData& dataOf(Sound& sound)
{
    return static_cast<SampleData&>(sound);
}

template <class T> FMOD_RESULT setDefault(Sound& sound, T SampleData::*field, T value)
{
    SampleData& data = dataOf(sound);
    Guard guard(data.mixer.lock);
    data.*field = value;
    return FMOD_OK;
}

template <class T> FMOD_RESULT getDefault(Sound& sound, T SampleData::*field, T* value)
{
    if (value == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    SampleData& data = dataOf(sound);
    Guard guard(data.mixer.lock);
    *value = data.*field;
    return FMOD_OK;
}

} // namespace

FMOD_RESULT System::getNumDrivers(int* numDrivers)
{
    if (numDrivers == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Mixer& mixer = mixerOf(*this);
    Guard guard(mixer.lock);
    *numDrivers = mixer.output.driverCount();
    return FMOD_OK;
}

FMOD_RESULT System::init(int maxChannels, FMOD_INITFLAGS flags, void* /*extraDriverData*/)
{
    Orva::Platform::Audio::recordSoundInit(maxChannels, flags);
    Mixer& mixer = mixerOf(*this);
    {
        Guard guard(mixer.lock);
        if (const FMOD_RESULT result = mixer.initialise(maxChannels); result != FMOD_OK) {
            return result;
        }
    }
    // Unlocked: the output's own thread may already be waiting for the lock inside mix.
    const bool opened = mixer.output.open(mixer);
    Guard guard(mixer.lock);
    mixer.outputOpen = opened;
    return opened ? FMOD_OK : FMOD_ERR_OUTPUT_INIT;
}

FMOD_RESULT System::release()
{
    Mixer* mixer = &mixerOf(*this);
    if (mixer->outputOpen) {
        mixer->output.close();
        mixer->outputOpen = false;
    }
    delete mixer;
    return FMOD_OK;
}

FMOD_RESULT System::update()
{
    Mixer& mixer = mixerOf(*this);
    Guard guard(mixer.lock);
    mixer.update();
    return FMOD_OK;
}

FMOD_RESULT System::createChannelGroup(const char* /*name*/, ChannelGroup** group)
{
    if (group == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Mixer& mixer = mixerOf(*this);
    Guard guard(mixer.lock);
    *group = &mixer.addGroup();
    return FMOD_OK;
}

FMOD_RESULT System::getMasterChannelGroup(ChannelGroup** group)
{
    if (group == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *group = mixerOf(*this).root;
    return FMOD_OK;
}

FMOD_RESULT System::createSound(const char* data, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exinfo,
                                Sound** sound)
{
    if (sound == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *sound = nullptr;
    if ((mode & FMOD_OPENMEMORY) == 0) {
        return FMOD_ERR_UNSUPPORTED;
    }
    const FMOD_MODE loop = (mode & (FMOD_LOOP_OFF | FMOD_LOOP_NORMAL)) == 0
                               ? FMOD_LOOP_OFF
                               : Orva::Platform::Audio::loopMode(mode);
    if (data == nullptr || exinfo == nullptr || loop == 0) {
        return FMOD_ERR_INVALID_PARAM;
    }

    Mixer& mixer = mixerOf(*this);
    try {
        // Decoded unlocked: the mix goes on meanwhile.
        std::string error;
        auto decoded = Orva::Platform::Audio::decode(data, exinfo->length, error);
        if (!decoded) {
            std::cerr << "audio: cannot decode " << (exinfo->name != nullptr ? exinfo->name : "a sound")
                      << " (" << exinfo->length << " bytes): " << error << '\n';
            return FMOD_ERR_FORMAT;
        }
        auto made = std::make_unique<SampleData>(mixer, std::move(decoded->samples), decoded->channels,
                                                 decoded->rate, loop);
        Guard guard(mixer.lock);
        *sound = &mixer.adopt(std::move(made));
        return FMOD_OK;
    } catch (const std::bad_alloc&) {
        std::cerr << "audio: no memory for a sound of " << exinfo->length << " bytes\n";
        return FMOD_ERR_MEMORY;
    }
}

FMOD_RESULT System::playSound(Sound* sound, ChannelGroup* group, bool paused, Channel** channel)
{
    if (channel == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *channel = nullptr;
    if (sound == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Mixer& mixer = mixerOf(*this);
    SampleData& data = dataOf(*sound);
    MixGroup& target = group != nullptr ? static_cast<MixGroup&>(*group) : *mixer.root;
    if (&data.mixer != &mixer || &target.mixer != &mixer) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Guard guard(mixer.lock);
    if (!mixer.initialised()) {
        return FMOD_ERR_UNINITIALIZED;
    }
    *channel = mixer.play(data, target, paused);
    return FMOD_OK;
}

FMOD_RESULT System::createDSPByType(FMOD_DSP_TYPE type, DSP** dsp)
{
    if (dsp == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *dsp = nullptr;
    Mixer& mixer = mixerOf(*this);
    std::unique_ptr<Effect> effect = Effect::create(mixer, type);
    if (!effect) {
        return FMOD_ERR_UNSUPPORTED;
    }
    Guard guard(mixer.lock);
    *dsp = &mixer.adopt(std::move(effect));
    return FMOD_OK;
}

FMOD_RESULT System::set3DListenerAttributes(int listener, const FMOD_VECTOR* position,
                                            const FMOD_VECTOR* velocity, const FMOD_VECTOR* forward,
                                            const FMOD_VECTOR* up)
{
    if (listener != 0) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Mixer& mixer = mixerOf(*this);
    Guard guard(mixer.lock);
    const FMOD_VECTOR* given[] = {position, velocity, forward, up};
    for (int i = 0; i < 4; ++i) {
        if (given[i] != nullptr) {
            mixer.listener[i] = *given[i];
        }
    }
    return FMOD_OK;
}

FMOD_RESULT System::get3DListenerAttributes(int listener, FMOD_VECTOR* position, FMOD_VECTOR* velocity,
                                            FMOD_VECTOR* forward, FMOD_VECTOR* up)
{
    if (listener != 0) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Mixer& mixer = mixerOf(*this);
    Guard guard(mixer.lock);
    FMOD_VECTOR* wanted[] = {position, velocity, forward, up};
    for (int i = 0; i < 4; ++i) {
        if (wanted[i] != nullptr) {
            *wanted[i] = mixer.listener[i];
        }
    }
    return FMOD_OK;
}

FMOD_RESULT Sound::setMode(FMOD_MODE mode)
{
    const FMOD_MODE loop = Orva::Platform::Audio::loopMode(mode);
    return loop != 0 ? setDefault(*this, &SampleData::mode, loop) : FMOD_ERR_INVALID_PARAM;
}

FMOD_RESULT Sound::getMode(FMOD_MODE* mode)
{
    return getDefault(*this, &SampleData::mode, mode);
}

FMOD_RESULT Sound::setLoopCount(int loopCount)
{
    return loopCount >= -1 ? setDefault(*this, &SampleData::loopCount, loopCount) : FMOD_ERR_INVALID_PARAM;
}

FMOD_RESULT Sound::getLoopCount(int* loopCount)
{
    return getDefault(*this, &SampleData::loopCount, loopCount);
}

FMOD_RESULT Sound::getLength(unsigned int* length, FMOD_TIMEUNIT unit)
{
    if (length == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    const SampleData& data = dataOf(*this);
    if (unit == FMOD_TIMEUNIT_PCM) {
        *length = static_cast<unsigned int>(data.frames);
    } else if (unit == FMOD_TIMEUNIT_MS) {
        *length = static_cast<unsigned int>(data.frames * 1000 / static_cast<std::size_t>(data.rate));
    } else {
        return FMOD_ERR_UNSUPPORTED;
    }
    return FMOD_OK;
}

FMOD_RESULT Sound::release()
{
    SampleData& data = dataOf(*this);
    Mixer& mixer = data.mixer;
    Guard guard(mixer.lock);
    mixer.release(data);
    return FMOD_OK;
}

} // namespace FMOD

FMOD_RESULT FMOD_System_Create(FMOD::System** system)
{
    if (system == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Orva::Platform::AudioOutput* output = Orva::Platform::Audio::installedOutput();
    std::unique_ptr<Orva::Platform::AudioOutput> own;
    if (output == nullptr) {
        own = Orva::Platform::Audio::makeSdlOutput();
        output = own.get();
    }
    *system = new Mixer(*output, std::move(own));
    return FMOD_OK;
}
