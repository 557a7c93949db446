#include "core/EventCallbackObject.h"

#include <algorithm>
#include <unordered_set>

namespace Orva {

namespace {

// Senders are made by the engine's start-up and by static objects alike; built on first use.
std::unordered_set<IEventSender*>& liveSenders()
{
    static std::unordered_set<IEventSender*> senders;
    return senders;
}

} // namespace

IEventSender::IEventSender()
{
    liveSenders().insert(this);
}

IEventSender::IEventSender(const IEventSender&) : IEventSender() {}

IEventSender::~IEventSender()
{
    liveSenders().erase(this);
}

void IEventSender::ownerDestroyed(const EventCallbackObject*) {}

bool IEventSender::isLive(const IEventSender* sender) noexcept
{
    return liveSenders().contains(const_cast<IEventSender*>(sender));
}

void IEventSender::notifyOwnerDestroyed(const EventCallbackObject* owner)
{
    for (IEventSender* sender : liveSenders()) {
        sender->ownerDestroyed(owner);
    }
}

EventCallbackObject::~EventCallbackObject()
{
    notifySenders();
    IEventSender::notifyOwnerDestroyed(this);
}

void EventCallbackObject::clearEvents()
{
    notifySenders();
    // The storage goes back too: a cleared record holds nothing of the memory pools, so its
    // owner may outlive them.
    SubscriptionList().swap(subscriptions_);
}

void EventCallbackObject::addSubscription(std::uint32_t code, IEventSender* sender)
{
    subscriptions_.emplace_back(code, sender);
}

bool EventCallbackObject::removeSubscription(std::uint32_t code, const IEventSender* sender)
{
    const auto found = std::find_if(subscriptions_.begin(), subscriptions_.end(), [&](const Subscription& s) {
        return s.first == code && s.second == sender;
    });
    if (found == subscriptions_.end()) {
        return false;
    }
    subscriptions_.erase(found);
    return true;
}

void EventCallbackObject::notifySenders()
{
    // Senders only queue the removal; none of them touches this list while it is walked.
    for (const Subscription& subscription : subscriptions_) {
        if (IEventSender::isLive(subscription.second)) {
            subscription.second->stopListening(this, subscription.first);
        }
    }
}

} // namespace Orva
