#include "audio/AudioChannel.h"

#include <algorithm>

#include "audio/AudioGroup.h"
#include "audio/SoundCalls.h"

namespace Orva::Audio {

using detail::query;
using detail::send;
using FMOD::Channel;
using FMOD::ChannelControl;

AudioChannel::AudioChannel(const std::string& name, FMOD::Channel* channel) : name_(name), channel_(channel)
{
}

void AudioChannel::setFrequency(float frequency)
{
    send(channel_, &Channel::setFrequency, frequency);
}

float AudioChannel::getFrequency() const
{
    return query(channel_, &Channel::getFrequency);
}

void AudioChannel::setPitch(float pitch)
{
    send(channel_, &ChannelControl::setPitch, pitch);
}

float AudioChannel::getPitch() const
{
    return query(channel_, &ChannelControl::getPitch);
}

void AudioChannel::setTimePosition(unsigned milliseconds)
{
    send(channel_, &Channel::setPosition, milliseconds, FMOD_TIMEUNIT_MS);
}

unsigned AudioChannel::getTimePosition() const
{
    return query(channel_, &Channel::getPosition, FMOD_TIMEUNIT_MS);
}

void AudioChannel::setLoopCount(int loopCount)
{
    send(channel_, &Channel::setLoopCount, loopCount);
}

int AudioChannel::getLoopCount() const
{
    return query(channel_, &Channel::getLoopCount);
}

void AudioChannel::setVolume(float volume)
{
    send(channel_, &ChannelControl::setVolume, std::clamp(volume, 0.0f, 1.0f));
}

float AudioChannel::getVolume() const
{
    return query(channel_, &ChannelControl::getVolume);
}

void AudioChannel::toggleMute()
{
    bool mute = false;
    if (channel_ != nullptr && channel_->getMute(&mute) == FMOD_OK) {
        channel_->setMute(!mute);
    }
}

void AudioChannel::setMute(bool mute)
{
    send(channel_, &ChannelControl::setMute, mute);
}

bool AudioChannel::isMute() const
{
    return query(channel_, &ChannelControl::getMute);
}

bool AudioChannel::isPlaying() const
{
    return query(channel_, &ChannelControl::isPlaying);
}

void AudioChannel::pause()
{
    send(channel_, &ChannelControl::setPaused, true);
}

void AudioChannel::unpause()
{
    send(channel_, &ChannelControl::setPaused, false);
}

void AudioChannel::stop()
{
    send(channel_, &ChannelControl::stop);
}

void AudioChannel::setPan(float pan)
{
    send(channel_, &ChannelControl::setPan, pan);
}

void AudioChannel::setPosition(const Math::Vector3D<float>& position)
{
    const FMOD_VECTOR at{position.x, position.y, position.z};
    send(channel_, &ChannelControl::set3DAttributes, &at, nullptr, nullptr);
}

void AudioChannel::setGroup(AudioGroup* group)
{
    group_ = group;
    groupSerial_ = group != nullptr ? AudioBaseGroup::handleId(*group) : 0;
    if (group != nullptr) {
        group->addAudio(name_, *this);
    }
}

AudioGroup* AudioChannel::getGroup() const noexcept
{
    return group_ != nullptr && LiveSerial::isLive(groupSerial_) ? group_ : nullptr;
}

} // namespace Orva::Audio
