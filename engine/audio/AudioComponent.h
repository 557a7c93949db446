#pragma once

#include <string>

#include "core/Export.h"
#include "core/Reflectable.h"
#include "world/BaseComponent.h"

namespace Orva::Audio {

class AudioBaseGroup;

// STUB: an audio component's type number, stored values and their reflected names. The
// audio issue replaces it.
class ORVA_API AudioComponent : public BaseComponent
{
public:
    static constexpr int TypeNumber = 10;

    AudioComponent() { type = TypeNumber; }

    void init() {}
    void update(float /*dt*/) {}

    // "Active", "Path", "Volume", "Pitch" and "Pan".
    ReflectionMap getReflectibles() override
    {
        ReflectionMap properties;
        properties.emplace("Active", Reflectable(active));
        properties.emplace("Path", Reflectable(path));
        properties.emplace("Volume", Reflectable(volume));
        properties.emplace("Pitch", Reflectable(pitch));
        properties.emplace("Pan", Reflectable(pan));
        return properties;
    }

    std::string path;
    AudioBaseGroup* audioGroup = nullptr;
    float volume = 1.0f;
    float pitch = 1.0f;
    float pan = 0.0f;
};

} // namespace Orva::Audio
