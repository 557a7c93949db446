#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva::Audio {

class AudioBaseGroup;

// STUB: an audio manager whose sound output is off, as on a machine without an output
// driver: nothing loads, plays or updates, and no group is made. It keeps how it was
// started and the paths asked for, and counts the group resets, so that the launcher and the
// loaders can be checked. The audio issue replaces it.
class ORVA_API AudioManager : public Singleton<AudioManager>
{
public:
    struct Settings
    {
        unsigned maxChannels;
        unsigned initFlags;

        bool operator==(const Settings&) const = default;
    };

    // Starts the sound system; the stub keeps what it was started with.
    void initialize(unsigned maxChannels, unsigned initFlags)
    {
        settings_ = Settings{maxChannels, initFlags};
    }
    // Nothing until initialize ran.
    const std::optional<Settings>& getSettings() const noexcept { return settings_; }
    // Runs the sound system's per-frame update while output is enabled.
    void update() {}
    void load(const std::string& path) { loadRequests_.push_back(path); }
    AudioBaseGroup* createGroup(const std::string& /*name*/) { return nullptr; }
    void destroyAllGroups() { ++groupResets_; }

    const std::vector<std::string>& getLoadRequests() const noexcept { return loadRequests_; }
    int getGroupResetCount() const noexcept { return groupResets_; }

private:
    std::optional<Settings> settings_;
    std::vector<std::string> loadRequests_;
    int groupResets_ = 0;
};

} // namespace Orva::Audio
