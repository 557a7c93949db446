#pragma once

#include <string>

#include "core/Export.h"
#include "world/BaseComponent.h"

namespace Orva::Audio {

class AudioBaseGroup;

// STUB: an audio component's type number and stored values. The audio issue replaces it.
class ORVA_API AudioComponent : public BaseComponent
{
public:
    static constexpr int TypeNumber = 10;

    AudioComponent() { type = TypeNumber; }

    void init() {}
    void update(float /*dt*/) {}

    std::string path;
    AudioBaseGroup* audioGroup = nullptr;
    float volume = 1.0f;
    float pitch = 1.0f;
    float pan = 0.0f;
};

} // namespace Orva::Audio
