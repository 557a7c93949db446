#include "audio/AudioGroup.h"

#include <algorithm>

#include "audio/AudioManager.h"
#include "audio/SoundCalls.h"

namespace Orva::Audio {

using detail::query;
using detail::send;
using FMOD::ChannelControl;

AudioBaseGroup::~AudioBaseGroup() = default;

AudioGroup::AudioGroup(FMOD::ChannelGroup* channelGroup) : channelGroup_(channelGroup)
{
    send(channelGroup_, &ChannelControl::setVolume, 1.0f);
}

AudioGroup::~AudioGroup()
{
    retire();
}

void AudioGroup::retire()
{
    if (channelGroup_ != nullptr) {
        dropEffect();
        channelGroup_->release();
        channelGroup_ = nullptr;
    }
    channels_.clear();
    dspKind_ = 0;
    std::fill(std::begin(dspParams), std::end(dspParams), 0.0f);
}

void AudioGroup::addAudio(const std::string& name, const AudioChannel& channel)
{
    if (channelGroup_ != nullptr) {
        channels_.try_emplace(name, channel);
    }
}

AudioChannel* AudioGroup::getOrvaAudioChannel(const std::string& name)
{
    const auto found = channels_.find(name);
    return found != channels_.end() ? &found->second : nullptr;
}

void AudioGroup::setVolume(float volume)
{
    send(channelGroup_, &ChannelControl::setVolume, std::clamp(volume, 0.0f, 1.0f));
}

float AudioGroup::getVolume()
{
    return query(channelGroup_, &ChannelControl::getVolume);
}

// Inverts, as a channel's toggle does.
void AudioGroup::toggleMute()
{
    setMute(!isMute());
}

void AudioGroup::setMute(bool mute)
{
    send(channelGroup_, &ChannelControl::setMute, mute);
}

bool AudioGroup::isMute()
{
    return query(channelGroup_, &ChannelControl::getMute);
}

bool AudioGroup::isPlaying()
{
    return query(channelGroup_, &ChannelControl::isPlaying);
}

void AudioGroup::pause()
{
    send(channelGroup_, &ChannelControl::setPaused, true);
}

void AudioGroup::unpause()
{
    send(channelGroup_, &ChannelControl::setPaused, false);
}

bool AudioGroup::isPaused()
{
    return query(channelGroup_, &ChannelControl::getPaused);
}

void AudioGroup::stop()
{
    send(channelGroup_, &ChannelControl::stop);
}

void AudioGroup::setPan(float pan)
{
    send(channelGroup_, &ChannelControl::setPan, pan);
}

void AudioGroup::setPitch(float pitch)
{
    send(channelGroup_, &ChannelControl::setPitch, pitch);
}

FMOD::DSP* AudioGroup::effect() const
{
    FMOD::DSP* dsp = nullptr;
    if (channelGroup_ != nullptr && channelGroup_->getDSP(0, &dsp) != FMOD_OK) {
        dsp = nullptr;
    }
    return dsp;
}

void AudioGroup::dropEffect()
{
    if (FMOD::DSP* dsp = effect()) {
        channelGroup_->removeDSP(dsp);
        dsp->setActive(false);
        dsp->release();
    }
}

void AudioGroup::setDSP(int kind)
{
    if (channelGroup_ == nullptr || kind == dspKind_) {
        return;
    }
    dropEffect();
    FMOD::DSP* dsp = AudioManager::getInstance().createEffect(kind);
    dspKind_ = kind;
    std::fill(std::begin(dspParams), std::end(dspParams), 0.0f);
    if (dsp == nullptr) {
        return;
    }
    channelGroup_->addDSP(0, dsp);
    int count = 0;
    dsp->getNumParameters(&count);
    for (int index = 0; index < std::min(count, CachedParameters); ++index) {
        dsp->getParameterFloat(index, &dspParams[index], nullptr, 0);
    }
}

void AudioGroup::setDSPValue(int index, float value)
{
    if (dspKind_ == 0 || index < 0 || index >= CachedParameters) {
        return;
    }
    dspParams[index] = value;
    if (FMOD::DSP* dsp = effect()) {
        dsp->setParameterFloat(index, value);
    }
}

void AudioGroup::updateDSP()
{
    FMOD::DSP* dsp = dspKind_ != 0 ? effect() : nullptr;
    if (dsp == nullptr) {
        return;
    }
    int count = 0;
    dsp->getNumParameters(&count);
    for (int index = 0; index < std::min(count, CachedParameters); ++index) {
        dsp->setParameterFloat(index, dspParams[index]);
    }
}

} // namespace Orva::Audio
