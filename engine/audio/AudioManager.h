#pragma once

#include <string>
#include <vector>

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva::Audio {

class AudioBaseGroup;

// STUB: an audio manager whose sound output is off, as on a machine without an output
// driver: nothing loads, plays or updates, and no group is made. It keeps the paths asked
// for and counts the group resets, so that loaders can be checked. The audio issue
// replaces it.
class ORVA_API AudioManager : public Singleton<AudioManager>
{
public:
    // Runs the sound system's per-frame update while output is enabled.
    void update() {}
    void load(const std::string& path) { loadRequests_.push_back(path); }
    AudioBaseGroup* createGroup(const std::string& /*name*/) { return nullptr; }
    void destroyAllGroups() { ++groupResets_; }

    const std::vector<std::string>& getLoadRequests() const noexcept { return loadRequests_; }
    int getGroupResetCount() const noexcept { return groupResets_; }

private:
    std::vector<std::string> loadRequests_;
    int groupResets_ = 0;
};

} // namespace Orva::Audio
