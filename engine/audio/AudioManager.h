#pragma once

#include <string>

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva::Audio {

class AudioBaseGroup;

// STUB: an audio manager whose sound output is off, as on a machine without an output
// driver: nothing loads, plays or updates, and no group is made. The audio issue replaces it.
class ORVA_API AudioManager : public Singleton<AudioManager>
{
public:
    // Runs the sound system's per-frame update while output is enabled.
    void update() {}
    void load(const std::string& /*path*/) {}
    AudioBaseGroup* createGroup(const std::string& /*name*/) { return nullptr; }
    void destroyAllGroups() {}
};

} // namespace Orva::Audio
