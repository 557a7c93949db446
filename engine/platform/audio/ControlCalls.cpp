#include <cmath>
#include <cstdint>

#include "platform/SoundSystem.h"
#include "platform/audio/Effects.h"
#include "platform/audio/Mixer.h"

// The calls on channels and groups: each takes the system's lock through ControlAccess and
// fails on a stale channel before it reads or writes anything.

using Orva::Platform::Audio::ControlAccess;
using Orva::Platform::Audio::Controls;
using Orva::Platform::Audio::Effect;
using Orva::Platform::Audio::MixGroup;
using Orva::Platform::Audio::Voice;

namespace FMOD {

namespace {

template <class Call> FMOD_RESULT withAccess(ChannelControl& control, Call&& call)
{
    ControlAccess access(control);
    if (!access.live()) {
        return FMOD_ERR_INVALID_HANDLE;
    }
    return call(access);
}

template <class Call> FMOD_RESULT withVoice(ChannelControl& control, Call&& call)
{
    return withAccess(control, [&](ControlAccess& access) {
        return access.voice() != nullptr ? call(*access.voice()) : FMOD_ERR_UNSUPPORTED;
    });
}

template <class Call> FMOD_RESULT withGroup(ChannelControl& control, Call&& call)
{
    return withAccess(control, [&](ControlAccess& access) {
        return access.group() != nullptr ? call(*access.group()) : FMOD_ERR_UNSUPPORTED;
    });
}

template <class T> FMOD_RESULT setControl(ChannelControl& control, T Controls::*field, T value)
{
    return withAccess(control, [&](ControlAccess& access) {
        access.controls().*field = value;
        return FMOD_OK;
    });
}

template <class T> FMOD_RESULT getControl(ChannelControl& control, T Controls::*field, T* value)
{
    if (value == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withAccess(control, [&](ControlAccess& access) {
        *value = access.controls().*field;
        return FMOD_OK;
    });
}

template <class T> FMOD_RESULT setVoice(ChannelControl& control, T Voice::*field, T value)
{
    return withVoice(control, [&](Voice& voice) {
        voice.*field = value;
        return FMOD_OK;
    });
}

template <class T> FMOD_RESULT getVoice(ChannelControl& control, T Voice::*field, T* value)
{
    if (value == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withVoice(control, [&](Voice& voice) {
        *value = voice.*field;
        return FMOD_OK;
    });
}

} // namespace

FMOD_RESULT ChannelControl::setVolume(float volume)
{
    return std::isfinite(volume) ? setControl(*this, &Controls::volume, volume) : FMOD_ERR_INVALID_PARAM;
}

FMOD_RESULT ChannelControl::getVolume(float* volume)
{
    return getControl(*this, &Controls::volume, volume);
}

FMOD_RESULT ChannelControl::setPitch(float pitch)
{
    return std::isfinite(pitch) ? setControl(*this, &Controls::pitch, pitch) : FMOD_ERR_INVALID_PARAM;
}

FMOD_RESULT ChannelControl::getPitch(float* pitch)
{
    return getControl(*this, &Controls::pitch, pitch);
}

FMOD_RESULT ChannelControl::setPan(float pan)
{
    if (std::isnan(pan)) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return setControl(*this, &Controls::pan, std::fmin(std::fmax(pan, -1.0f), 1.0f));
}

FMOD_RESULT ChannelControl::setMute(bool mute)
{
    return setControl(*this, &Controls::mute, mute);
}

FMOD_RESULT ChannelControl::getMute(bool* mute)
{
    return getControl(*this, &Controls::mute, mute);
}

FMOD_RESULT ChannelControl::setPaused(bool paused)
{
    return setControl(*this, &Controls::paused, paused);
}

FMOD_RESULT ChannelControl::getPaused(bool* paused)
{
    return getControl(*this, &Controls::paused, paused);
}

FMOD_RESULT ChannelControl::isPlaying(bool* playing)
{
    if (playing == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withAccess(*this, [&](ControlAccess& access) {
        *playing = access.voice() != nullptr ? access.voice()->playing()
                                             : access.mixer().anyPlaying(*access.group());
        return FMOD_OK;
    });
}

FMOD_RESULT ChannelControl::stop()
{
    return withAccess(*this, [&](ControlAccess& access) {
        if (access.voice() != nullptr) {
            access.mixer().free(*access.voice());
        } else {
            access.mixer().stop(*access.group());
        }
        return FMOD_OK;
    });
}

FMOD_RESULT ChannelControl::setMode(FMOD_MODE mode)
{
    const FMOD_MODE loop = Orva::Platform::Audio::loopMode(mode);
    return loop != 0 ? setVoice(*this, &Voice::mode, loop) : FMOD_ERR_INVALID_PARAM;
}

FMOD_RESULT ChannelControl::getMode(FMOD_MODE* mode)
{
    return getVoice(*this, &Voice::mode, mode);
}

FMOD_RESULT ChannelControl::set3DAttributes(const FMOD_VECTOR* position, const FMOD_VECTOR* velocity,
                                            const FMOD_VECTOR* reserved)
{
    if (reserved != nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withAccess(*this, [&](ControlAccess& access) {
        Controls& controls = access.controls();
        if (position != nullptr) {
            controls.position = *position;
        }
        if (velocity != nullptr) {
            controls.velocity = *velocity;
        }
        return FMOD_OK;
    });
}

FMOD_RESULT ChannelControl::get3DAttributes(FMOD_VECTOR* position, FMOD_VECTOR* velocity)
{
    return withAccess(*this, [&](ControlAccess& access) {
        const Controls& controls = access.controls();
        if (position != nullptr) {
            *position = controls.position;
        }
        if (velocity != nullptr) {
            *velocity = controls.velocity;
        }
        return FMOD_OK;
    });
}

FMOD_RESULT ChannelControl::getDSP(int index, DSP** dsp)
{
    if (dsp == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withGroup(*this, [&](MixGroup& group) {
        *dsp = nullptr;
        if (index != 0) {
            return FMOD_ERR_INVALID_PARAM;
        }
        if (group.effect == nullptr) {
            return FMOD_ERR_DSP_NOTFOUND;
        }
        *dsp = group.effect;
        return FMOD_OK;
    });
}

FMOD_RESULT ChannelControl::addDSP(int index, DSP* dsp)
{
    return withGroup(*this, [&](MixGroup& group) {
        if (index != 0) {
            return FMOD_ERR_INVALID_PARAM;
        }
        if (dsp == nullptr) {
            return FMOD_OK;
        }
        Effect& effect = static_cast<Effect&>(*dsp);
        if (&effect.mixer != &group.mixer) {
            return FMOD_ERR_INVALID_PARAM;
        }
        if (effect.slot != nullptr || group.effect != nullptr) {
            return FMOD_ERR_DSP_INUSE;
        }
        group.effect = &effect;
        effect.slot = &group;
        return FMOD_OK;
    });
}

FMOD_RESULT ChannelControl::removeDSP(DSP* dsp)
{
    if (dsp == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withGroup(*this, [&](MixGroup& group) {
        if (group.effect != dsp) {
            return FMOD_ERR_DSP_NOTFOUND;
        }
        group.effect->slot = nullptr;
        group.effect = nullptr;
        return FMOD_OK;
    });
}

FMOD_RESULT Channel::setLoopCount(int loopCount)
{
    return loopCount >= -1 ? setVoice(*this, &Voice::loopsLeft, loopCount) : FMOD_ERR_INVALID_PARAM;
}

FMOD_RESULT Channel::getLoopCount(int* loopCount)
{
    return getVoice(*this, &Voice::loopsLeft, loopCount);
}

FMOD_RESULT Channel::setFrequency(float frequency)
{
    return std::isfinite(frequency) ? setVoice(*this, &Voice::frequency, frequency) : FMOD_ERR_INVALID_PARAM;
}

FMOD_RESULT Channel::getFrequency(float* frequency)
{
    return getVoice(*this, &Voice::frequency, frequency);
}

FMOD_RESULT Channel::setPosition(unsigned int position, FMOD_TIMEUNIT unit)
{
    if (unit != FMOD_TIMEUNIT_MS && unit != FMOD_TIMEUNIT_PCM) {
        return FMOD_ERR_UNSUPPORTED;
    }
    return withVoice(*this, [&](Voice& voice) {
        const std::uint64_t frame =
            unit == FMOD_TIMEUNIT_PCM
                ? position
                : std::uint64_t{position} * static_cast<std::uint64_t>(voice.sound->rate) / 1000;
        if (frame >= voice.sound->frames) {
            return FMOD_ERR_INVALID_POSITION;
        }
        voice.position = static_cast<double>(frame);
        voice.ended = false;
        return FMOD_OK;
    });
}

FMOD_RESULT Channel::getPosition(unsigned int* position, FMOD_TIMEUNIT unit)
{
    if (position == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    if (unit != FMOD_TIMEUNIT_MS && unit != FMOD_TIMEUNIT_PCM) {
        return FMOD_ERR_UNSUPPORTED;
    }
    return withVoice(*this, [&](Voice& voice) {
        const double scale = unit == FMOD_TIMEUNIT_PCM ? 1.0 : 1000.0 / voice.sound->rate;
        *position = static_cast<unsigned int>(std::floor(voice.position * scale));
        return FMOD_OK;
    });
}

FMOD_RESULT Channel::getChannelGroup(ChannelGroup** group)
{
    if (group == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withVoice(*this, [&](Voice& voice) {
        *group = voice.group;
        return FMOD_OK;
    });
}

FMOD_RESULT ChannelGroup::addGroup(ChannelGroup* child, bool /*propagateDSPClock*/,
                                   DSPConnection** connection)
{
    if (connection != nullptr) {
        *connection = nullptr;
    }
    if (child == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withGroup(*this, [&](MixGroup& group) {
        MixGroup& moved = static_cast<MixGroup&>(*child);
        if (&moved.mixer != &group.mixer) {
            return FMOD_ERR_INVALID_PARAM;
        }
        // A cycle would make the mix recurse forever.
        if (&moved == group.mixer.root || group.isOrIsBelow(moved)) {
            return FMOD_ERR_GROUP_CYCLE;
        }
        if (moved.parent != &group) {
            moved.attachTo(group);
        }
        return FMOD_OK;
    });
}

FMOD_RESULT ChannelGroup::getParentGroup(ChannelGroup** parent)
{
    if (parent == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withGroup(*this, [&](MixGroup& group) {
        *parent = group.parent;
        return FMOD_OK;
    });
}

FMOD_RESULT ChannelGroup::release()
{
    return withGroup(*this, [&](MixGroup& group) {
        if (&group == group.mixer.root) {
            return FMOD_ERR_INVALID_PARAM;
        }
        group.mixer.release(group);
        return FMOD_OK;
    });
}

} // namespace FMOD
