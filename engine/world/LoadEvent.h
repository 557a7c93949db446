#pragma once

#include <cstdint>
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

// The requester's side of the protocol. Every reply reaches every listener of the reply code,
// so each requester takes only its own: by sender, by request id, or by both.

// The codes of "LoadResource" (requests) and "OnResourceLoadComplete" (replies).
ORVA_API std::uint32_t loadRequestCode();
ORVA_API std::uint32_t loadReplyCode();
// Queues a request for the files under the request code; the loader takes it at the next dispatch.
ORVA_API void requestLoad(void* sender, void* requestId, std::vector<LoadEvent::Entry> entries);
// The event as a reply to that sender (any request id), or null.
ORVA_API const LoadEvent* replyForSender(const BaseEvent* event, const void* sender);
// The event as a reply with that request id (any sender), or null.
ORVA_API const LoadEvent* replyForRequest(const BaseEvent* event, const void* requestId);
// The event as a reply to that sender with that request id, or null.
ORVA_API const LoadEvent* replyFor(const BaseEvent* event, const void* sender, const void* requestId);

} // namespace Orva::Events
