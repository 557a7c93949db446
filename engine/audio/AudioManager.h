#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "audio/AudioChannel.h"
#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/Singleton.h"
#include "core/Vector.h"

namespace FMOD {
class DSP;
class Sound;
class System;
} // namespace FMOD

namespace Orva::Audio {

class AudioBaseGroup;
class AudioGroup;

// Owns the sound system, the sounds by key (resource directory + path) and the named groups.
// Sound is on once initialize found an output driver: then the master group holds "bgm",
// "ambience", "sfx" and one group per audio component's object name. Before initialize, and
// with no driver, groups are empty groups and every play gives a channel that does nothing.
//
// Groups the manager drops are retired (see AudioGroup::retire) and freed once no audio
// component holds them: at every stage change, and whenever the retired groups have doubled
// since the last look. Scripts that kept a freed group get "no longer exists"; channels that
// named it have no group.
class ORVA_API AudioManager : public Singleton<AudioManager>
{
public:
    template <class Value>
    using NameMap =
        std::map<std::string, Value, std::less<>, OrvaAllocator<std::pair<const std::string, Value>>>;
    using GroupMap = NameMap<AudioBaseGroup*>;
    using SoundMap = NameMap<FMOD::Sound*>;

    // Effect kinds of AudioBaseGroup::setDSP: 1 low-pass, 2 high-pass, 3 echo, 4 fader,
    // 5 flange, 6 distortion, 7 normalize, 8 pitch shift, 9 chorus, 10 tremolo, 11 reverb.
    static constexpr int EffectKinds = 11;

    ORVA_POOLED_OPERATORS(AudioManager)

    // Listens to "OnResourceLoadComplete".
    AudioManager();
    ~AudioManager();
    AudioManager(const AudioManager&) = delete;
    AudioManager& operator=(const AudioManager&) = delete;

    // Starts the sound system once; groups made before it are retired. Without an output
    // driver sound stays off for good.
    void initialize(unsigned maxChannels, unsigned initFlags);
    bool isEnabled() const noexcept { return enabled_; }

    // Asks the loader for the sound at the path (relative to the resource directory) once;
    // its key is listed, null, until the sound arrives. Nothing while sound is off.
    void load(const std::string& path);
    // The "OnResourceLoadComplete" listener for this manager's requests, for keys still
    // listed. A sound that does not decode prints "Wtf<result>,<bytes now>,<most bytes>" on
    // stdout and stays null.
    void onResourceLoadComplete(BaseEvent* event);

    // Plays the sound loaded from the path into the group, or without one into the first
    // group by name at that group's volume. The loop settings are set on the sound itself.
    AudioChannel play(const std::string& name, AudioBaseGroup* group, bool loop, int loopCount, float pitch);
    // Music: loops for ever in "bgm".
    AudioChannel playBGM(const std::string& name);
    // Plays once in "sfx".
    AudioChannel playSFX(const std::string& name);
    // Loops for ever in "ambience".
    AudioChannel playAmbience(const std::string& name);
    AudioChannel fireAndForget(const std::string& name) { return playSFX(name); }

    // On the sound system's own master group: everything stops.
    void stopAllSounds();
    // Unclamped.
    void setMasterVolume(float volume);
    void update();
    // The listener's position, up along y.
    void setPosition(const Math::Vector3D<float>& position);

    // The group of that name, made when missing.
    AudioBaseGroup* createGroup(const std::string& name);
    // The named group when it is a real group; null for an empty group and an unknown name.
    AudioGroup* getGroup(const std::string& name) const;
    // "bgm", "ambience" and "sfx" are refused; another group is retired without a stop (its
    // channels play on in the master group).
    void destroyGroupByName(const std::string& name);
    // Stops the group; unless it is one of the three fixed groups, also retires it and
    // forgets its name.
    void destroyGroup(AudioBaseGroup* group);
    // Retires every named group and makes the fixed three again; then frees the retired
    // groups no component holds, also while sound is off.
    void destroyAllGroups();

    // The key is the stored one: resource directory + path.
    void destroySound(const std::string& key);
    void destroyAllSounds();
    const SoundMap& getSounds() const noexcept { return sounds_; }

    // The effect of a kind, or null for 0, an unknown kind and without a sound system.
    FMOD::DSP* createEffect(int kind);

    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

private:
    bool soundOn() const noexcept { return enabled_ && system_ != nullptr; }
    // False when sound is off or the name's key is not listed; else `sound` is its entry,
    // null until it arrives or when it failed.
    bool findSound(const std::string& name, FMOD::Sound*& sound) const;
    AudioChannel playFixed(AudioBaseGroup* fixed, const std::string& name, int loopCount, unsigned mode);
    void makeFixedGroups();
    bool isFixed(const AudioBaseGroup* group) const noexcept;
    void retire(AudioBaseGroup* group);
    void retireAllGroups();
    void freeUnheldGroups();
    void freeUnheldGroupsWhenDue();

    FMOD::System* system_ = nullptr;
    GroupMap groups_;
    SoundMap sounds_;
    bool enabled_ = true;
    AudioBaseGroup* master_ = nullptr;
    AudioBaseGroup* bgm_ = nullptr;
    AudioBaseGroup* ambience_ = nullptr;
    AudioBaseGroup* sfx_ = nullptr;
    std::vector<AudioBaseGroup*, OrvaAllocator<AudioBaseGroup*>> retired_;
    // The retired count at which the next look is due.
    std::size_t nextLook_ = MinimumLook;
    static constexpr std::size_t MinimumLook = 64;
    EventCallbackObject eventCallbacks_;
};

} // namespace Orva::Audio
