#pragma once

#include <string>

#include "core/Export.h"
#include "core/Reflectable.h"
#include "world/BaseComponent.h"

namespace Orva::Audio {

class AudioBaseGroup;

// Gives its object the audio manager's group named after the object (objects of one name
// share it). Volume, pitch and pan are kept for the object's scripts and data; the component
// applies none of them and has no per-step work.
class ORVA_API AudioComponent : public BaseComponent
{
public:
    static constexpr int TypeNumber = 10;

    AudioComponent() { type = TypeNumber; }
    AudioComponent(const AudioComponent&) = default;
    AudioComponent& operator=(const AudioComponent&) = default;
    // A group that is playing is stopped and handed to AudioManager::destroyGroup; a quiet
    // one stays with the manager until its next destroyAllGroups.
    ~AudioComponent() override;

    // Takes the group of the owner's name.
    void init();

    AudioBaseGroup* getAudioGroup() const noexcept { return audioGroup; }

    // "Active", "Path", "Volume", "Pitch" and "Pan".
    ReflectionMap getReflectibles() override;

    std::string path;
    AudioBaseGroup* audioGroup = nullptr;
    float volume = 1.0f;
    float pitch = 1.0f;
    float pan = 0.0f;
};

} // namespace Orva::Audio
