#include "world/DataAnalyticManager.h"

#include <algorithm>

#include "core/BaseEvent.h"
#include "core/FileWrites.h"
#include "core/FunctionHolder.h"
#include "window/InputEvents.h"
#include "window/InputManager.h"
#include "world/AnalyticClock.h"

namespace Orva::Analytic {

namespace {

template <class Map> auto storedOr(const Map& map, const std::string& name, typename Map::mapped_type absent)
{
    const auto found = map.find(name);
    return found == map.end() ? absent : found->second;
}

} // namespace

DataAnalyticManager::DataAnalyticManager()
{
    DispatchObserver::install(&eventCounter_);
}

DataAnalyticManager::~DataAnalyticManager()
{
    DispatchObserver::remove(&eventCounter_);
}

void DataAnalyticManager::EventCounter::eventQueued(std::uint32_t code)
{
    if (analytics.trackingEvents_) {
        ++analytics.eventRecord(EventNameDetails::HashToEvent(code)).pushCount;
    }
}

void DataAnalyticManager::EventCounter::dispatchStarted()
{
    countingSends = analytics.trackingEvents_;
}

void DataAnalyticManager::EventCounter::afterListeners(std::uint32_t code, BaseEvent*)
{
    if (countingSends) {
        ++analytics.eventRecord(EventNameDetails::HashToEvent(code)).sendCount;
    }
}

// Tying again each time (rather than once per process) keeps tracking alive in an engine
// started anew, or after the bindings were cleared; a code already tied is not tied twice.
void DataAnalyticManager::enableInputTracking()
{
    if (trackingInput_) {
        return;
    }
    trackingInput_ = true;
    if (!InputManager::hasInstance()) {
        return;
    }
    InputManager& input = InputManager::getInstance();
    for (unsigned key = 0; key < FirstUntrackedKey; ++key) {
        input.tieKeyToAction(static_cast<unsigned char>(key), KeyActionName);
    }
    input.listenToInput(KeyActionName, FunctionHolder(this, &DataAnalyticManager::trackKey));
}

// The listener goes state by state: a removal of all states would also take the listener of
// an enableInputTracking made before the input manager's next update. A hold still open is
// dropped: its release would otherwise be measured against a start before the untracked stretch.
void DataAnalyticManager::disableInputTracking()
{
    if (!trackingInput_) {
        return;
    }
    if (InputManager::hasInstance()) {
        const std::uint32_t action = EventNameDetails::EventToHash(KeyActionName);
        for (const ButtonState state : {ButtonUp, ButtonDown, ButtonTapped, ButtonReleased}) {
            InputManager::getInstance().stopListeningToInput(action, this, state);
        }
    }
    for (auto& [key, data] : keys_) {
        data.holding = false;
    }
    trackingInput_ = false;
}

void DataAnalyticManager::enableAll()
{
    enableInputTracking();
    setSwitchesBesideInput(true);
}

void DataAnalyticManager::disableAll()
{
    disableInputTracking();
    setSwitchesBesideInput(false);
}

void DataAnalyticManager::setSwitchesBesideInput(bool on) noexcept
{
    trackingResource_ = on;
    trackingLevel_ = on;
    trackingEvents_ = on;
    trackingCustomData_ = on;
}

bool DataAnalyticManager::isSomethingNotTracked() const noexcept
{
    return !(trackingInput_ && trackingResource_ && trackingLevel_ && trackingCustomData_);
}

void DataAnalyticManager::trackKey(BaseEvent* event)
{
    const auto& input = *static_cast<const InputEvent*>(event);
    if (input.state == ButtonUp) {
        return;
    }
    KeyData& key = keys_[input.key];
    switch (input.state) {
    case ButtonTapped:
        ++key.tapped;
        break;
    case ButtonDown:
        if (!key.holding) {
            key.holdStart = AnalyticClock::monotonicNanoseconds();
            ++key.held;
            key.holding = true;
        }
        break;
    case ButtonReleased:
        if (key.holding) {
            const std::uint64_t now = AnalyticClock::monotonicNanoseconds();
            const std::uint64_t lasted = now > key.holdStart ? now - key.holdStart : 0;
            const auto seconds =
                static_cast<float>(static_cast<double>(lasted) / AnalyticClock::NanosecondsPerSecond);
            key.heldTime = std::max(key.heldTime, seconds);
            key.holding = false;
        }
        break;
    default:
        break;
    }
}

void DataAnalyticManager::setIntData(const std::string& name, int value)
{
    if (trackingCustomData_) {
        customInts_[name] = value;
    }
}

void DataAnalyticManager::setFloatData(const std::string& name, float value)
{
    if (trackingCustomData_) {
        customFloats_[name] = value;
    }
}

void DataAnalyticManager::setBoolData(const std::string& name, bool value)
{
    if (trackingCustomData_) {
        customBools_[name] = value;
    }
}

// Scripts pass any integer: the sum wraps instead of overflowing.
void DataAnalyticManager::incIntData(const std::string& name, int amount)
{
    if (trackingCustomData_) {
        int& value = customInts_[name];
        value = static_cast<int>(static_cast<unsigned>(value) + static_cast<unsigned>(amount));
    }
}

void DataAnalyticManager::incFloatData(const std::string& name, float amount)
{
    if (trackingCustomData_) {
        customFloats_[name] += amount;
    }
}

int DataAnalyticManager::getIntData(const std::string& name) const
{
    return storedOr(customInts_, name, -1);
}

float DataAnalyticManager::getFloatData(const std::string& name) const
{
    return storedOr(customFloats_, name, -1.0f);
}

bool DataAnalyticManager::getBoolData(const std::string& name) const
{
    return storedOr(customBools_, name, false);
}

void DataAnalyticManager::clearCustomData() noexcept
{
    customInts_.clear();
    customFloats_.clear();
    customBools_.clear();
}

void DataAnalyticManager::clearAll() noexcept
{
    clearInputData();
    clearResourceData();
    clearLevelData();
    clearEventData();
    clearCustomData();
}

void DataAnalyticManager::save(const std::string& path) const
{
    replaceFileContents(path, reportText(*this), "analytics");
}

void DataAnalyticManager::save(const PathBelow& file) const
{
    replaceFileBelow(file, reportText(*this), "analytics");
}

void DataAnalyticManager::stateLoaded(const std::string& stateName)
{
    if (!trackingLevel_) {
        return;
    }
    currentStage_ = stateName;
    LevelData& level = levels_[currentStage_];
    ++level.loadCount;
    level.created = 0;
    level.deleted = 0;
}

void DataAnalyticManager::objectCreated()
{
    if (trackingLevel_) {
        LevelData& level = currentLevelRecord();
        ++level.created;
        level.objectCount = std::max(level.objectCount, level.created);
    }
}

void DataAnalyticManager::objectDestroyed()
{
    if (trackingLevel_) {
        LevelData& level = currentLevelRecord();
        ++level.deleted;
        level.deleteCount = std::max(level.deleteCount, level.deleted);
    }
}

void DataAnalyticManager::addPerformanceRecord(const PerformanceData& record)
{
    std::size_t kept = 0;
    for (const auto& [stage, level] : levels_) {
        kept += level.performance.size();
    }
    LevelData& level = currentLevelRecord();
    if (kept < MaxPerformanceRecords) {
        level.performance.push_back(record);
    } else {
        ++level.performanceNotKept;
    }
}

void DataAnalyticManager::resourceDelivered(const std::string& path)
{
    if (trackingResource_) {
        ++resources_[resourceKey(path)];
    }
}

std::string DataAnalyticManager::resourceKey(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash);
}

} // namespace Orva::Analytic
