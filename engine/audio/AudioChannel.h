#pragma once

#include <cstdint>
#include <string>

#include "core/Export.h"
#include "core/Vector.h"

namespace FMOD {
class Channel;
}

namespace Orva::Audio {

class AudioGroup;

// What every play call returns: the name the sound was played by and the sound system's
// channel, copied freely (scripts hold copies; each copy controls the same channel). Without
// a channel, or once the sound system has given the channel's voice to a newer play, every
// call does nothing and every getter returns 0 or false.
class ORVA_API AudioChannel
{
public:
    AudioChannel() = default;
    AudioChannel(const std::string& name, FMOD::Channel* channel);

    void setFrequency(float frequency);
    float getFrequency() const;
    void setPitch(float pitch);
    float getPitch() const;
    void setTimePosition(unsigned milliseconds);
    unsigned getTimePosition() const;
    void setLoopCount(int loopCount);
    int getLoopCount() const;
    // Clamped to 0..1.
    void setVolume(float volume);
    float getVolume() const;
    void toggleMute();
    void setMute(bool mute);
    bool isMute() const;
    bool isPlaying() const;
    void pause();
    void unpause();
    void stop();
    void setPan(float pan);
    // The channel's 3D position, no velocity.
    void setPosition(const Math::Vector3D<float>& position);

    // Keeps the group and files a copy of this channel in it under the name (even without a
    // channel); null only clears the group.
    void setGroup(AudioGroup* group);
    // Null once the audio manager has freed the group.
    AudioGroup* getGroup() const noexcept;

    const std::string& getName() const noexcept { return name_; }
    FMOD::Channel* getChannel() const noexcept { return channel_; }

private:
    std::string name_;
    FMOD::Channel* channel_ = nullptr;
    AudioGroup* group_ = nullptr;
    // The group's live serial: a channel does not keep its group alive.
    std::uint64_t groupSerial_ = 0;
};

} // namespace Orva::Audio
