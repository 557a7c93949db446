#include "world/LoadEvent.h"

#include <utility>

#include "core/EventManager.h"

namespace Orva::Events {

LoadEvent::Entry::Entry(std::string path, int tag) : path(std::move(path)), tag(tag) {}

LoadEvent::~LoadEvent() = default;

std::uint32_t loadRequestCode()
{
    return EventNameDetails::EventToHash("LoadResource");
}

std::uint32_t loadReplyCode()
{
    return EventNameDetails::EventToHash("OnResourceLoadComplete");
}

void requestLoad(void* sender, void* requestId, std::vector<LoadEvent::Entry> entries)
{
    LoadEvent request(sender, requestId);
    request.entries = std::move(entries);
    request.hashCode = loadRequestCode();
    EventManager::getInstance().queueEvent(request.hashCode, request);
}

const LoadEvent* replyForSender(const BaseEvent* event, const void* sender)
{
    const auto* reply = dynamic_cast<const LoadEvent*>(event);
    return reply && reply->sender == sender ? reply : nullptr;
}

const LoadEvent* replyForRequest(const BaseEvent* event, const void* requestId)
{
    const auto* reply = dynamic_cast<const LoadEvent*>(event);
    return reply && reply->requestId == requestId ? reply : nullptr;
}

const LoadEvent* replyFor(const BaseEvent* event, const void* sender, const void* requestId)
{
    const LoadEvent* reply = replyForSender(event, sender);
    return reply && reply->requestId == requestId ? reply : nullptr;
}

} // namespace Orva::Events
