#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"

namespace Orva::Analytic {

// STUB: the five switches (all off), the event counters that the event manager feeds, the
// resource delivery counts that the loader feeds, and the per-stage level entries that the
// engine's slow-frame watch appends to. The analytics issue completes this class in place
// (input tracking with its key bindings, custom data, stage loading and the report).
class ORVA_API DataAnalyticManager : public Singleton<DataAnalyticManager>
{
public:
    ORVA_POOLED_OPERATORS(DataAnalyticManager)

    struct EventData
    {
        unsigned pushCount = 0;
        unsigned sendCount = 0;
    };
    using EventMap = std::map<std::string, EventData>;

    // One frame-rate drop of a stage.
    struct PerformanceData
    {
        // Start, in 100-nanosecond ticks of the system clock since the Unix epoch.
        std::uint64_t startTime = 0;
        // The mean frame time in seconds when the drop began.
        float frameTime = 0.0f;
        unsigned objectCreateCount = 0;
        unsigned objectDeleteCount = 0;
        unsigned objectCount = 0;
        float duration = 0.0f;
        bool loading = false;
        // Local wall-clock time of the start, "h:m:s" without leading zeros.
        std::string time;
        std::string memDump;
    };

    struct LevelData
    {
        unsigned loadCount = 0;
        unsigned objectCount = 0;
        unsigned deleteCount = 0;
        unsigned created = 0;
        unsigned deleted = 0;
        // In the order the drops were closed.
        std::vector<PerformanceData> performance;
    };
    using LevelMap = std::map<std::string, LevelData>;
    using ResourceMap = std::map<std::string, unsigned>;

    void enableInputTracking() noexcept { trackingInput_ = true; }
    void disableInputTracking() noexcept { trackingInput_ = false; }
    void enableResourceTracking() noexcept { trackingResource_ = true; }
    void disableResourceTracking() noexcept { trackingResource_ = false; }
    void enableLevelTracking() noexcept { trackingLevel_ = true; }
    void disableLevelTracking() noexcept { trackingLevel_ = false; }
    void enableEventTracking() noexcept { trackingEvents_ = true; }
    void disableEventTracking() noexcept { trackingEvents_ = false; }
    void enableCustomDataTracking() noexcept { trackingCustomData_ = true; }
    void disableCustomDataTracking() noexcept { trackingCustomData_ = false; }

    const bool& isTrackingInput() const noexcept { return trackingInput_; }
    const bool& isTrackingResource() const noexcept { return trackingResource_; }
    const bool& isTrackingLevel() const noexcept { return trackingLevel_; }
    const bool& isTrackingEvents() const noexcept { return trackingEvents_; }
    const bool& isTrackingCustomData() const noexcept { return trackingCustomData_; }

    // The record of the event name, made with both counters 0 when absent.
    EventData& eventRecord(const std::string& eventName) { return events_[eventName]; }
    const EventMap& getEventData() const noexcept { return events_; }
    void clearEventData() noexcept { events_.clear(); }

    // The delivery count under the path key, made 0 when absent.
    unsigned& resourceRecord(const std::string& pathKey) { return resources_[pathKey]; }
    const ResourceMap& getResourceData() const noexcept { return resources_; }
    void clearResourceData() noexcept { resources_.clear(); }

    // The entry of the stage, made empty when absent; objects made before any stage was
    // loaded count under the empty name.
    LevelData& levelRecord(const std::string& stageName) { return levels_[stageName]; }
    LevelData& currentLevelRecord() { return levels_[currentStage_]; }
    const std::string& getCurrentStage() const noexcept { return currentStage_; }
    const LevelMap& getLevelData() const noexcept { return levels_; }
    void clearLevelData() noexcept { levels_.clear(); }

private:
    bool trackingInput_ = false;
    bool trackingResource_ = false;
    bool trackingLevel_ = false;
    bool trackingEvents_ = false;
    bool trackingCustomData_ = false;
    ResourceMap resources_;
    LevelMap levels_;
    EventMap events_;
    std::string currentStage_;
};

} // namespace Orva::Analytic
