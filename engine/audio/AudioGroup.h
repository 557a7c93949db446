#pragma once

#include <map>
#include <string>

#include "audio/AudioChannel.h"
#include "core/Export.h"
#include "core/LiveSerial.h"
#include "core/MemoryPoolManager.h"

namespace FMOD {
class ChannelGroup;
class DSP;
} // namespace FMOD

namespace Orva::Audio {

// A named group of the audio manager: an AudioGroup over a channel group of the sound
// system, or an AudioEmptyGroup that does nothing while sound is off. Scripts hold groups
// safely: a group the manager has freed is refused as no longer existing.
class ORVA_API AudioBaseGroup : public LiveHandle<AudioBaseGroup>
{
public:
    AudioBaseGroup() = default;
    AudioBaseGroup(const AudioBaseGroup&) = delete;
    AudioBaseGroup& operator=(const AudioBaseGroup&) = delete;
    virtual ~AudioBaseGroup();

    // Files a copy of the channel under the name, unless the name is filed already.
    virtual void addAudio(const std::string& name, const AudioChannel& channel) = 0;
    // The copy filed under the name, or null.
    virtual AudioChannel* getOrvaAudioChannel(const std::string& name) = 0;
    virtual FMOD::ChannelGroup* getFMODChannelGroup() = 0;
    // Clamped to 0..1.
    virtual void setVolume(float volume) = 0;
    virtual float getVolume() = 0;
    virtual void toggleMute() = 0;
    virtual void setMute(bool mute) = 0;
    virtual bool isMute() = 0;
    virtual bool isPlaying() = 0;
    virtual void pause() = 0;
    virtual void unpause() = 0;
    virtual bool isPaused() = 0;
    virtual void stop() = 0;
    virtual void setPan(float pan) = 0;
    virtual void setPitch(float pitch) = 0;
    // The effect kinds of AudioManager::createEffect; 0 removes the effect.
    virtual void setDSP(int kind) = 0;
    virtual int getDSP() = 0;
    // Writes the cached parameters back into the effect.
    virtual void updateDSP() = 0;

protected:
    static constexpr int CachedParameters = 4;
    // The first parameters of the group's effect, as last read or set.
    float dspParams[CachedParameters] = {};
};

class ORVA_API AudioGroup final : public AudioBaseGroup
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(AudioGroup)

    AudioGroup() = default;
    // Takes the channel group and sets its volume to 1.
    explicit AudioGroup(FMOD::ChannelGroup* channelGroup);
    ~AudioGroup() override;

    void addAudio(const std::string& name, const AudioChannel& channel) override;
    AudioChannel* getOrvaAudioChannel(const std::string& name) override;
    FMOD::ChannelGroup* getFMODChannelGroup() override { return channelGroup_; }
    void setVolume(float volume) override;
    float getVolume() override;
    void toggleMute() override;
    void setMute(bool mute) override;
    bool isMute() override;
    bool isPlaying() override;
    void pause() override;
    void unpause() override;
    bool isPaused() override;
    void stop() override;
    void setPan(float pan) override;
    void setPitch(float pitch) override;
    // A kind with no effect (an unknown one) is kept all the same, with no effect behind it.
    void setDSP(int kind) override;
    int getDSP() override { return dspKind_; }
    void updateDSP() override;
    // Caches parameter `index` (0..3) while a kind is set, and writes it into the effect when
    // there is one.
    void setDSPValue(int index, float value);

    // Releases the effect and the channel group (whose channels play on in the master group)
    // and forgets the filed channels: from then on the group acts as an empty group. The
    // manager retires the groups it drops and frees them once no audio component holds them.
    void retire();

private:
    // The effect in the channel group's slot, or null.
    FMOD::DSP* effect() const;
    void dropEffect();

    FMOD::ChannelGroup* channelGroup_ = nullptr;
    std::map<std::string, AudioChannel> channels_;
    int dspKind_ = 0;
};

class ORVA_API AudioEmptyGroup final : public AudioBaseGroup
{
public:
    void addAudio(const std::string&, const AudioChannel&) override {}
    AudioChannel* getOrvaAudioChannel(const std::string&) override { return nullptr; }
    FMOD::ChannelGroup* getFMODChannelGroup() override { return nullptr; }
    void setVolume(float) override {}
    float getVolume() override { return 0.0f; }
    void toggleMute() override {}
    void setMute(bool) override {}
    bool isMute() override { return false; }
    bool isPlaying() override { return false; }
    void pause() override {}
    void unpause() override {}
    bool isPaused() override { return false; }
    void stop() override {}
    void setPan(float) override {}
    void setPitch(float) override {}
    void setDSP(int) override {}
    int getDSP() override { return 0; }
    void updateDSP() override {}
};

} // namespace Orva::Audio
