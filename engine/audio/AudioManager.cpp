#include "audio/AudioManager.h"

#include <algorithm>
#include <iostream>
#include <unordered_set>

#include "audio/AudioComponent.h"
#include "audio/AudioGroup.h"
#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "platform/SoundSystem.h"
#include "world/ComponentPool.h"
#include "world/LoadEvent.h"
#include "world/ResourceManager.h"

namespace Orva::Audio {

namespace {

// Effect kind n is entry n - 1.
constexpr FMOD_DSP_TYPE EffectTypes[AudioManager::EffectKinds] = {
    FMOD_DSP_TYPE_LOWPASS, FMOD_DSP_TYPE_HIGHPASS,   FMOD_DSP_TYPE_ECHO,      FMOD_DSP_TYPE_FADER,
    FMOD_DSP_TYPE_FLANGE,  FMOD_DSP_TYPE_DISTORTION, FMOD_DSP_TYPE_NORMALIZE, FMOD_DSP_TYPE_PITCHSHIFT,
    FMOD_DSP_TYPE_CHORUS,  FMOD_DSP_TYPE_TREMOLO,    FMOD_DSP_TYPE_SFXREVERB,
};

// The sound system's settings for a sound made from a whole file in memory.
constexpr int ExinfoSize = 140;
constexpr int SuggestedSoundType = 10;

std::string keyOf(const std::string& path)
{
    return Resources::ResourceManager::getResourceDirectory() + path;
}

} // namespace

AudioManager::AudioManager()
{
    EventManager::getInstance().ListenToEvent(Events::loadReplyCode(),
                                              FunctionHolder(this, &AudioManager::onResourceLoadComplete));
}

AudioManager::~AudioManager()
{
    for (const auto& [name, group] : groups_) {
        delete group;
    }
    delete master_;
    for (AudioBaseGroup* group : retired_) {
        delete group;
    }
    destroyAllSounds();
    if (system_ != nullptr) {
        system_->release();
    }
}

// Start-up -------------------------------------------------------------------------------

void AudioManager::initialize(unsigned maxChannels, unsigned initFlags)
{
    if (system_ != nullptr) {
        std::cerr << "audio: the sound system is started already; the second start is ignored\n";
        return;
    }
    retireAllGroups();
    if (FMOD_System_Create(&system_) != FMOD_OK || system_ == nullptr) {
        system_ = nullptr;
        enabled_ = false;
        std::cerr << "audio: the sound system could not be made; the game runs without sound\n";
        return;
    }
    int drivers = 0;
    system_->getNumDrivers(&drivers);
    if (drivers == 0) {
        enabled_ = false;
        std::cerr << "audio: there is no sound output; the game runs without sound\n";
        return;
    }
    system_->init(static_cast<int>(maxChannels), initFlags, nullptr);
    FMOD::ChannelGroup* master = nullptr;
    system_->createChannelGroup("master", &master);
    master_ = new AudioGroup(master);
    makeFixedGroups();
}

void AudioManager::makeFixedGroups()
{
    bgm_ = createGroup("bgm");
    ambience_ = createGroup("ambience");
    sfx_ = createGroup("sfx");
}

// Sounds -----------------------------------------------------------------------------------

void AudioManager::load(const std::string& path)
{
    if (!enabled_ || !sounds_.try_emplace(keyOf(path), nullptr).second) {
        return;
    }
    Events::requestLoad(this, nullptr, {Events::LoadEvent::Entry(path)});
}

void AudioManager::onResourceLoadComplete(BaseEvent* event)
{
    const Events::LoadEvent* reply = Events::replyForSender(event, this);
    if (reply == nullptr) {
        return;
    }
    for (const Events::LoadEvent::Entry& entry : reply->entries) {
        // A key dropped by destroySound while its file was read stays dropped.
        const auto listed = sounds_.find(entry.path);
        if (listed == sounds_.end()) {
            continue;
        }
        if (entry.contents.empty()) {
            std::cerr << "audio: " << entry.path << " was not loaded: the file is missing or empty\n";
            continue;
        }
        if (!soundOn()) {
            continue;
        }
        FMOD_CREATESOUNDEXINFO exinfo{};
        exinfo.cbsize = ExinfoSize;
        exinfo.length = static_cast<unsigned>(entry.contents.size());
        exinfo.suggestedsoundtype = SuggestedSoundType;
        exinfo.name = entry.path.c_str();
        FMOD::Sound* sound = nullptr;
        const FMOD_RESULT result =
            system_->createSound(entry.contents.data(), FMOD_OPENMEMORY, &exinfo, &sound);
        if (sound == nullptr) {
            int current = 0;
            int peak = 0;
            FMOD_Memory_GetStats(&current, &peak, true);
            std::cout << "Wtf" << static_cast<int>(result) << ',' << current << ',' << peak << std::endl;
        }
        // A key dropped and asked for again has two requests: the later reply replaces.
        if (listed->second != nullptr) {
            listed->second->release();
        }
        listed->second = sound;
    }
}

void AudioManager::destroySound(const std::string& key)
{
    if (!enabled_) {
        return;
    }
    const auto found = sounds_.find(key);
    if (found == sounds_.end()) {
        return;
    }
    if (found->second != nullptr) {
        found->second->release();
    }
    sounds_.erase(found);
}

void AudioManager::destroyAllSounds()
{
    for (const auto& [key, sound] : sounds_) {
        if (sound != nullptr) {
            sound->release();
        }
    }
    sounds_.clear();
}

// Playing ----------------------------------------------------------------------------------

bool AudioManager::findSound(const std::string& name, FMOD::Sound*& sound) const
{
    if (!soundOn()) {
        return false;
    }
    const auto found = sounds_.find(keyOf(name));
    if (found == sounds_.end()) {
        return false;
    }
    sound = found->second;
    return true;
}

AudioChannel AudioManager::play(const std::string& name, AudioBaseGroup* group, bool loop, int loopCount,
                                float pitch)
{
    FMOD::Sound* sound = nullptr;
    if (!findSound(name, sound)) {
        return {};
    }
    if (sound == nullptr) {
        return AudioChannel(name, nullptr);
    }
    if (loop) {
        sound->setMode(FMOD_LOOP_NORMAL);
        sound->setLoopCount(loopCount);
    } else {
        sound->setMode(FMOD_LOOP_OFF);
    }
    AudioBaseGroup* target = group;
    if (target == nullptr && !groups_.empty()) {
        target = groups_.begin()->second;
    }
    FMOD::Channel* channel = nullptr;
    system_->playSound(sound, target != nullptr ? target->getFMODChannelGroup() : nullptr, false, &channel);
    if (channel != nullptr) {
        if (group == nullptr && target != nullptr) {
            channel->setVolume(target->getVolume());
        }
        channel->setPitch(pitch);
    }
    return AudioChannel(name, channel);
}

AudioChannel AudioManager::playFixed(AudioBaseGroup* fixed, const std::string& name, int loopCount,
                                     unsigned mode)
{
    FMOD::Sound* sound = nullptr;
    if (!findSound(name, sound)) {
        return {};
    }
    if (sound == nullptr) {
        return AudioChannel(name, nullptr);
    }
    FMOD::ChannelGroup* target = fixed->getFMODChannelGroup();
    FMOD::Channel* channel = nullptr;
    system_->playSound(sound, target, false, &channel);
    if (channel != nullptr) {
        channel->setVolume(1.0f);
        channel->setLoopCount(loopCount);
        channel->setMode(mode);
        // The channel's group is the fixed group already: the sound system refuses the move.
        FMOD::ChannelGroup* own = nullptr;
        if (channel->getChannelGroup(&own) == FMOD_OK && target != nullptr) {
            target->addGroup(own, true, nullptr);
        }
    }
    return AudioChannel(name, channel);
}

AudioChannel AudioManager::playBGM(const std::string& name)
{
    return playFixed(bgm_, name, -1, FMOD_LOOP_NORMAL);
}

AudioChannel AudioManager::playSFX(const std::string& name)
{
    return playFixed(sfx_, name, 0, FMOD_LOOP_OFF);
}

AudioChannel AudioManager::playAmbience(const std::string& name)
{
    return playFixed(ambience_, name, -1, FMOD_LOOP_NORMAL);
}

void AudioManager::stopAllSounds()
{
    FMOD::ChannelGroup* master = nullptr;
    if (soundOn() && system_->getMasterChannelGroup(&master) == FMOD_OK) {
        master->stop();
    }
}

void AudioManager::setMasterVolume(float volume)
{
    FMOD::ChannelGroup* master = nullptr;
    if (soundOn() && system_->getMasterChannelGroup(&master) == FMOD_OK) {
        master->setVolume(volume);
    }
}

void AudioManager::update()
{
    if (soundOn()) {
        system_->update();
    }
}

void AudioManager::setPosition(const Math::Vector3D<float>& position)
{
    if (soundOn()) {
        const FMOD_VECTOR at{position.x, position.y, position.z};
        const FMOD_VECTOR up{0.0f, 1.0f, 0.0f};
        system_->set3DListenerAttributes(0, &at, nullptr, nullptr, &up);
    }
}

FMOD::DSP* AudioManager::createEffect(int kind)
{
    FMOD::DSP* dsp = nullptr;
    if (system_ == nullptr || kind < 1 || kind > EffectKinds ||
        system_->createDSPByType(EffectTypes[kind - 1], &dsp) != FMOD_OK) {
        return nullptr;
    }
    return dsp;
}

// Groups -----------------------------------------------------------------------------------

AudioBaseGroup* AudioManager::createGroup(const std::string& name)
{
    if (const auto found = groups_.find(name); found != groups_.end()) {
        return found->second;
    }
    AudioBaseGroup* group = nullptr;
    if (soundOn()) {
        FMOD::ChannelGroup* channelGroup = nullptr;
        system_->createChannelGroup(name.c_str(), &channelGroup);
        group = new AudioGroup(channelGroup);
        if (FMOD::ChannelGroup* master = master_->getFMODChannelGroup();
            master != nullptr && channelGroup != nullptr) {
            master->addGroup(channelGroup, true, nullptr);
        }
    } else {
        group = new AudioEmptyGroup();
    }
    groups_.emplace(name, group);
    return group;
}

AudioGroup* AudioManager::getGroup(const std::string& name) const
{
    const auto found = groups_.find(name);
    return found != groups_.end() ? dynamic_cast<AudioGroup*>(found->second) : nullptr;
}

bool AudioManager::isFixed(const AudioBaseGroup* group) const noexcept
{
    return group != nullptr && (group == bgm_ || group == ambience_ || group == sfx_);
}

void AudioManager::retire(AudioBaseGroup* group)
{
    retired_.push_back(group);
    if (auto* real = dynamic_cast<AudioGroup*>(group)) {
        real->retire();
    }
}

// Components are the only holders the manager waits for: scripts' handles and channels ask
// whether the group still lives before each use.
void AudioManager::freeUnheldGroups()
{
    std::unordered_set<const AudioBaseGroup*> held;
    if (ComponentPool<AudioComponent>::hasInstance()) {
        ComponentPool<AudioComponent>::getInstance().forEachInUse(
            [&held](const AudioComponent& component) { held.insert(component.audioGroup); });
    }
    const auto unheld =
        std::stable_partition(retired_.begin(), retired_.end(),
                              [&held](const AudioBaseGroup* group) { return held.contains(group); });
    std::for_each(unheld, retired_.end(), [](const AudioBaseGroup* group) { delete group; });
    retired_.erase(unheld, retired_.end());
    nextLook_ = std::max(MinimumLook, 2 * retired_.size());
}

void AudioManager::freeUnheldGroupsWhenDue()
{
    if (retired_.size() >= nextLook_) {
        freeUnheldGroups();
    }
}

void AudioManager::retireAllGroups()
{
    for (const auto& [name, group] : groups_) {
        retire(group);
    }
    groups_.clear();
    bgm_ = ambience_ = sfx_ = nullptr;
}

void AudioManager::destroyGroupByName(const std::string& name)
{
    if (name == "bgm" || name == "ambience" || name == "sfx") {
        return;
    }
    if (const auto found = groups_.find(name); found != groups_.end()) {
        retire(found->second);
        groups_.erase(found);
    }
    freeUnheldGroupsWhenDue();
}

void AudioManager::destroyGroup(AudioBaseGroup* group)
{
    for (auto entry = groups_.begin(); entry != groups_.end(); ++entry) {
        if (entry->second != group) {
            continue;
        }
        group->stop();
        if (!isFixed(group)) {
            retire(group);
            groups_.erase(entry);
        }
        freeUnheldGroupsWhenDue();
        return;
    }
}

void AudioManager::destroyAllGroups()
{
    if (enabled_) {
        retireAllGroups();
        if (soundOn()) {
            makeFixedGroups();
        }
    }
    freeUnheldGroups();
}

} // namespace Orva::Audio
