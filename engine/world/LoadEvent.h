#pragma once

#include <string>
#include <vector>

#include "core/BaseEvent.h"
#include "core/Export.h"

namespace Orva::Events {

// A file load request ("LoadResource") and, once read, its reply
// ("OnResourceLoadComplete"). The requester picks `sender` and `requestId` so that it can
// recognise its reply among everybody's; the loader carries both through untouched and
// never dereferences them.
struct ORVA_API LoadEvent : BaseEvent
{
    struct ORVA_API Entry
    {
        explicit Entry(std::string path, int tag = 0);

        // Relative to the resource directory on request; the full path in the reply.
        std::string path;
        // The whole file in the reply; empty when it could not be opened.
        std::string contents;
        // The requester's own marker, carried through.
        int tag;
    };

    LoadEvent() = default;
    explicit LoadEvent(void* sender, void* requestId = nullptr) : sender(sender), requestId(requestId) {}
    LoadEvent(const LoadEvent&) = default;
    LoadEvent(LoadEvent&&) noexcept = default;
    LoadEvent& operator=(const LoadEvent&) = default;
    LoadEvent& operator=(LoadEvent&&) noexcept = default;
    ~LoadEvent() override;

    void* sender = nullptr;
    void* requestId = nullptr;
    // In request order.
    std::vector<Entry> entries;
};

} // namespace Orva::Events
