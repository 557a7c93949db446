#pragma once

#include <map>
#include <string>

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva::Analytic {

// STUB: only the event switch and the event counters that the event manager feeds. The
// analytics issue completes this class in place (the other switches, input, resource,
// level and custom data, and the report).
class ORVA_API DataAnalyticManager : public Singleton<DataAnalyticManager>
{
public:
    struct EventData
    {
        unsigned pushCount = 0;
        unsigned sendCount = 0;
    };
    using EventMap = std::map<std::string, EventData>;

    void enableEventTracking() noexcept { trackingEvents_ = true; }
    void disableEventTracking() noexcept { trackingEvents_ = false; }
    const bool& isTrackingEvents() const noexcept { return trackingEvents_; }

    // The record of the event name, made with both counters 0 when absent.
    EventData& eventRecord(const std::string& eventName) { return events_[eventName]; }
    const EventMap& getEventData() const noexcept { return events_; }
    void clearEventData() noexcept { events_.clear(); }

private:
    bool trackingEvents_ = false;
    EventMap events_;
};

} // namespace Orva::Analytic
