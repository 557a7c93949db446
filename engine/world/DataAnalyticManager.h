#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/DispatchObserver.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/FileWrites.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/Singleton.h"

namespace Orva {
struct BaseEvent;
}

namespace Orva::Analytic {

// How one key was used while input was tracked.
struct ORVA_API KeyData
{
    KeyData() = default;
    KeyData(unsigned tapped, unsigned held, float heldTime) : tapped(tapped), held(held), heldTime(heldTime)
    {
    }

    // Presses begun.
    unsigned tapped = 0;
    // Holds begun: a hold starts on the first Down frame, one frame after the tap.
    unsigned held = 0;
    // The longest hold, in seconds.
    float heldTime = 0.0f;
    // Monotonic clock reading in nanoseconds when the open hold began.
    std::uint64_t holdStart = 0;
    bool holding = false;
};

// One frame-rate drop of a stage, from the frame the mean frame time rose above the limit to
// the frame it fell back.
struct ORVA_API PerformanceData
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

struct ORVA_API LevelData
{
    unsigned loadCount = 0;
    // The most objects created, and destroyed, during one visit of the stage.
    unsigned objectCount = 0;
    unsigned deleteCount = 0;
    // Objects created and destroyed in the current visit.
    unsigned created = 0;
    unsigned deleted = 0;
    // In the order the drops were closed.
    std::vector<PerformanceData, OrvaAllocator<PerformanceData>> performance;
    // Drops closed while the report already held its most records: counted, not kept.
    unsigned performanceNotKept = 0;
};

// Records how a game is played: key use, resource deliveries, stage visits with their object
// counts and frame-rate drops, event traffic, and named values that scripts set. Each kind has
// its own switch, all off at creation; save writes everything recorded as one XML report.
//
// The engine makes the instance last at start-up and destroys it at shut-down, before the
// input and event managers. Game thread only.
class ORVA_API DataAnalyticManager : public Singleton<DataAnalyticManager>
{
public:
    ORVA_POOLED_OPERATORS(DataAnalyticManager)

    using KeyData = Analytic::KeyData;
    using LevelData = Analytic::LevelData;
    using PerformanceData = Analytic::PerformanceData;

    struct EventData
    {
        unsigned pushCount = 0;
        unsigned sendCount = 0;
    };

    using KeyMap = std::map<unsigned char, KeyData>;
    using ResourceMap = std::map<std::string, unsigned>;
    using LevelMap = std::map<std::string, LevelData>;
    using IntMap = std::map<std::string, int>;
    using FloatMap = std::map<std::string, float>;
    using BoolMap = std::map<std::string, bool>;
    using EventMap = std::map<std::string, EventData>;

    // The most frame-rate drops the report keeps, over all stages: each holds a memory dump of
    // several KB, and a game that stays slow would otherwise grow the report without end.
    static constexpr std::size_t MaxPerformanceRecords = 100;

    // The input action that every key code from 0 to FirstUntrackedKey - 1 is tied to.
    static constexpr const char* KeyActionName = "DataAnalyticKey";
    static constexpr unsigned FirstUntrackedKey = 255;

    // Counts the event manager's traffic from now on, while event tracking is on.
    DataAnalyticManager();
    ~DataAnalyticManager();
    DataAnalyticManager(const DataAnalyticManager&) = delete;
    DataAnalyticManager& operator=(const DataAnalyticManager&) = delete;

    // ---- switches ---------------------------------------------------------------------------

    // Turning input tracking on ties every tracked key code to KeyActionName (codes already
    // tied stay tied once) and listens to that action in all four button states; turning it
    // off withdraws the listener, keeps the bindings and drops any open hold. Both do nothing
    // when the switch is already where they would put it.
    void enableInputTracking();
    void disableInputTracking();
    void enableResourceTracking() noexcept { trackingResource_ = true; }
    void disableResourceTracking() noexcept { trackingResource_ = false; }
    void enableLevelTracking() noexcept { trackingLevel_ = true; }
    void disableLevelTracking() noexcept { trackingLevel_ = false; }
    void enableEventTracking() noexcept { trackingEvents_ = true; }
    void disableEventTracking() noexcept { trackingEvents_ = false; }
    void enableCustomDataTracking() noexcept { trackingCustomData_ = true; }
    void disableCustomDataTracking() noexcept { trackingCustomData_ = false; }
    void enableAll();
    void disableAll();

    const bool& isTrackingInput() const noexcept { return trackingInput_; }
    const bool& isTrackingResource() const noexcept { return trackingResource_; }
    const bool& isTrackingLevel() const noexcept { return trackingLevel_; }
    const bool& isTrackingEvents() const noexcept { return trackingEvents_; }
    const bool& isTrackingCustomData() const noexcept { return trackingCustomData_; }

    // Whether input, resource, level or custom-data tracking is off; event tracking does not
    // count. The launcher offers its report key only while this is false.
    bool isSomethingNotTracked() const noexcept;

    // ---- custom values ----------------------------------------------------------------------

    // Setters and incrementers do nothing while custom-data tracking is off; an incremented
    // name that was never set starts from 0, and integers wrap around.
    void setIntData(const std::string& name, int value);
    void setFloatData(const std::string& name, float value);
    void setBoolData(const std::string& name, bool value);
    void incIntData(const std::string& name, int amount);
    void incFloatData(const std::string& name, float amount);
    // Whatever the switch; a name never set gives -1, -1.0 or false and is not inserted.
    int getIntData(const std::string& name) const;
    float getFloatData(const std::string& name) const;
    bool getBoolData(const std::string& name) const;

    // ---- clearing (switches, the current stage and any open frame-rate drop stay) ----------

    void clearInputData() noexcept { keys_.clear(); }
    void clearResourceData() noexcept { resources_.clear(); }
    void clearLevelData() noexcept { levels_.clear(); }
    void clearEventData() noexcept { events_.clear(); }
    void clearCustomData() noexcept;
    void clearAll() noexcept;

    // Writes the report of everything recorded to the file at the path (replaced whole, as by
    // core/FileWrites.h), clearing nothing.
    void save(const std::string& path) const;
    // The same for a file below a checked folder.
    void save(const PathBelow& file) const;

    // ---- hooks of the engine's subsystems ---------------------------------------------------

    // The game states call this when a state is loaded: while level tracking is on the state
    // becomes the current stage, its load count goes up by one, and its per-visit object
    // counters start again from 0.
    void stateLoaded(const std::string& stateName);
    // The game object manager calls these for every object it creates and destroys; while
    // level tracking is on they count under the current stage (the empty name before any).
    void objectCreated();
    void objectDestroyed();
    // The loader calls this on the game thread for every file of a delivered request; while
    // resource tracking is on it counts under resourceKey(path).
    void resourceDelivered(const std::string& path);
    // A file's resource key: its path from the last '/' (included) to the end; the whole
    // path when it has no '/'.
    static std::string resourceKey(const std::string& path);

    // The record of the event name, made with both counters 0 when absent. Events really
    // queued count as pushes, and every delivered event as a send, while event tracking is on
    // (for a dispatch, as it was when the dispatch began).
    EventData& eventRecord(const std::string& eventName) { return events_[eventName]; }
    // The entry of the stage, made empty when absent.
    LevelData& levelRecord(const std::string& stageName) { return levels_[stageName]; }
    LevelData& currentLevelRecord() { return levels_[currentStage_]; }
    // Appends a closed drop to the current stage's records, or counts it there once the
    // stages hold MaxPerformanceRecords between them.
    void addPerformanceRecord(const PerformanceData& record);
    const std::string& getCurrentStage() const noexcept { return currentStage_; }

    // ---- what was recorded --------------------------------------------------------------------

    const KeyMap& getKeyData() const noexcept { return keys_; }
    const ResourceMap& getResourceData() const noexcept { return resources_; }
    const LevelMap& getLevelData() const noexcept { return levels_; }
    const EventMap& getEventData() const noexcept { return events_; }
    const IntMap& getCustomInts() const noexcept { return customInts_; }
    const FloatMap& getCustomFloats() const noexcept { return customFloats_; }
    const BoolMap& getCustomBools() const noexcept { return customBools_; }

    // The record of the manager's own input listener.
    EventCallbackObject& getEventCallbackObject() noexcept { return callbacks_; }

private:
    struct EventCounter final : DispatchObserver
    {
        explicit EventCounter(DataAnalyticManager& analytics) : analytics(analytics) {}
        void eventQueued(std::uint32_t code) override;
        void dispatchStarted() override;
        void afterListeners(std::uint32_t code, BaseEvent* event) override;

        DataAnalyticManager& analytics;
        bool countingSends = false;
    };

    // The input listener: every tracked key, every frame, in whichever state it is.
    void trackKey(BaseEvent* event);
    void setSwitchesBesideInput(bool on) noexcept;

    bool trackingInput_ = false;
    bool trackingResource_ = false;
    bool trackingLevel_ = false;
    bool trackingEvents_ = false;
    bool trackingCustomData_ = false;
    EventCallbackObject callbacks_;
    KeyMap keys_;
    ResourceMap resources_;
    LevelMap levels_;
    IntMap customInts_;
    FloatMap customFloats_;
    BoolMap customBools_;
    EventMap events_;
    std::string currentStage_;
    EventCounter eventCounter_{*this};
};

// The report text: "<data>", then one section per kind that recorded anything, then "</data>"
// with no line break after it. Attribute values have &, <, > and " written as entity
// references; line breaks stay as they are. Numbers in the classic locale, floats with six
// significant digits, booleans as 1 or 0.
ORVA_API std::string reportText(const DataAnalyticManager& analytics);

} // namespace Orva::Analytic
