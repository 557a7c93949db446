#include <lua.hpp>

#include "audio/AudioChannel.h"
#include "audio/AudioComponent.h"
#include "audio/AudioGroup.h"
#include "audio/AudioManager.h"
#include "luabridge/LuaBridge.h"
#include "scripting/ScriptInterface.h"

// The audio classes: the manager in "Core" as the global "audio", the channel value and the
// groups in "Audio". The group functions call through the base's virtual operations. A
// script loads sounds from the game's folders only.
namespace Orva::Scripting {

using Audio::AudioBaseGroup;
using Audio::AudioChannel;
using Audio::AudioManager;

// "Audio"."AudioComponent", a class of its own: only its group.
void registerAudioComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Audio")
        .beginClass<Audio::AudioComponent>("AudioComponent")
        .addData("audioGroup", &Audio::AudioComponent::audioGroup)
        .endClass()
        .endNamespace();
}

void registerAudio(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<AudioManager>("AudioManager")
        .addFunction("load", confinedPathCall(&AudioManager::load, "load"))
        .addFunction("play", &AudioManager::play)
        .addFunction("playBGM", &AudioManager::playBGM)
        .addFunction("playSFX", &AudioManager::playSFX)
        .addFunction("playAmbience", &AudioManager::playAmbience)
        .addFunction("fireAndForget", &AudioManager::fireAndForget)
        .addFunction("stopAllSounds", &AudioManager::stopAllSounds)
        .addFunction("createGroup", &AudioManager::createGroup)
        .addFunction("getGroup", &AudioManager::getGroup)
        .addFunction("destroyGroupByName", &AudioManager::destroyGroupByName)
        .addFunction("setMasterVolume", &AudioManager::setMasterVolume)
        .addFunction("destroySound", &AudioManager::destroySound)
        .addFunction("destroyAllSounds", &AudioManager::destroyAllSounds)
        .addFunction("destroyAllGroups", &AudioManager::destroyAllGroups)
        .endClass()
        .endNamespace()
        .beginNamespace("Audio")
        .beginClass<AudioChannel>("AudioChannel")
        .addFunction("setFrequency", &AudioChannel::setFrequency)
        .addFunction("getFrequency", &AudioChannel::getFrequency)
        .addFunction("setPitch", &AudioChannel::setPitch)
        .addFunction("getPitch", &AudioChannel::getPitch)
        .addFunction("setTimePosition", &AudioChannel::setTimePosition)
        .addFunction("setGroup", &AudioChannel::setGroup)
        .addFunction("getGroup", &AudioChannel::getGroup)
        .addFunction("setLoopCount", &AudioChannel::setLoopCount)
        .addFunction("setVolume", &AudioChannel::setVolume)
        .addFunction("getVolume", &AudioChannel::getVolume)
        .addFunction("toggleMute", &AudioChannel::toggleMute)
        .addFunction("setMute", &AudioChannel::setMute)
        .addFunction("isMute", &AudioChannel::isMute)
        .addFunction("isPlaying", &AudioChannel::isPlaying)
        .addFunction("pause", &AudioChannel::pause)
        .addFunction("unpause", &AudioChannel::unpause)
        .addFunction("stop", &AudioChannel::stop)
        .addFunction("setPan", &AudioChannel::setPan)
        .endClass()
        .beginClass<AudioBaseGroup>("AudioBaseGroup")
        .endClass()
        .deriveClass<Audio::AudioEmptyGroup, AudioBaseGroup>("AudioEmptyGroup")
        .endClass()
        .deriveClass<Audio::AudioGroup, AudioBaseGroup>("AudioGroup")
        .addFunction("addAudio", &AudioBaseGroup::addAudio)
        .addFunction("getAudio", &AudioBaseGroup::getOrvaAudioChannel)
        .addFunction("setVolume", &AudioBaseGroup::setVolume)
        .addFunction("toggleMute", &AudioBaseGroup::toggleMute)
        .addFunction("setMute", &AudioBaseGroup::setMute)
        .addFunction("isMute", &AudioBaseGroup::isMute)
        .addFunction("isPlaying", &AudioBaseGroup::isPlaying)
        .addFunction("pause", &AudioBaseGroup::pause)
        .addFunction("unpause", &AudioBaseGroup::unpause)
        .addFunction("isPaused", &AudioBaseGroup::isPaused)
        .addFunction("stop", &AudioBaseGroup::stop)
        .addFunction("setPan", &AudioBaseGroup::setPan)
        .addFunction("setDSP", &AudioBaseGroup::setDSP)
        .addFunction("getDSP", &AudioBaseGroup::getDSP)
        .addFunction("setDSPValue", &Audio::AudioGroup::setDSPValue)
        .endClass()
        .endNamespace();
    luabridge::setGlobal(L, AudioManager::hasInstance() ? &AudioManager::getInstance() : nullptr, "audio");
}

} // namespace Orva::Scripting
