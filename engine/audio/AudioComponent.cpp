#include "audio/AudioComponent.h"

#include "audio/AudioGroup.h"
#include "audio/AudioManager.h"
#include "world/GameObject.h"

namespace Orva::Audio {

AudioComponent::~AudioComponent()
{
    if (audioGroup != nullptr && AudioManager::hasInstance() && audioGroup->isPlaying()) {
        audioGroup->stop();
        AudioManager::getInstance().destroyGroup(audioGroup);
    }
}

void AudioComponent::init()
{
    audioGroup = AudioManager::getInstance().createGroup(getOwner()->name);
}

ReflectionMap AudioComponent::getReflectibles()
{
    ReflectionMap properties;
    properties.emplace("Active", Reflectable(active));
    properties.emplace("Path", Reflectable(path));
    properties.emplace("Volume", Reflectable(volume));
    properties.emplace("Pitch", Reflectable(pitch));
    properties.emplace("Pan", Reflectable(pan));
    return properties;
}

} // namespace Orva::Audio
