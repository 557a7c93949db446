#include "core/EventCallbackObject.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
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
    SubscriptionList().swap(records_);
    decltype(searchStarts_)().swap(searchStarts_);
    dropped_ = 0;
}

void EventCallbackObject::addSubscription(std::uint32_t code, IEventSender* sender)
{
    records_.emplace_back(code, sender);
}

bool EventCallbackObject::removeSubscription(std::uint32_t code, const IEventSender* sender)
{
    auto start = std::find_if(searchStarts_.begin(), searchStarts_.end(), [&](const SearchStart& known) {
        return known.code == code && known.sender == sender;
    });
    const std::size_t from = start != searchStarts_.end() ? start->position : 0;
    const auto found =
        std::find_if(records_.begin() + static_cast<std::ptrdiff_t>(from), records_.end(),
                     [&](const Subscription& s) { return s.first == code && s.second == sender; });
    const bool dropped = found != records_.end();
    if (dropped) {
        found->second = nullptr;
        if (++dropped_ * 2 > records_.size()) {
            compact();
            return true;
        }
    }
    const std::size_t next = static_cast<std::size_t>(found - records_.begin()) + (dropped ? 1 : 0);
    if (start != searchStarts_.end()) {
        start->position = next;
    } else {
        searchStarts_.push_back(SearchStart{code, sender, next});
    }
    return dropped;
}

EventCallbackObject::SubscriptionList EventCallbackObject::subscriptions() const
{
    SubscriptionList kept;
    kept.reserve(records_.size() - dropped_);
    std::copy_if(records_.begin(), records_.end(), std::back_inserter(kept),
                 [](const Subscription& record) { return record.second != nullptr; });
    return kept;
}

void EventCallbackObject::compact()
{
    std::erase_if(records_, [](const Subscription& record) { return record.second == nullptr; });
    dropped_ = 0;
    searchStarts_.clear();
}

void EventCallbackObject::notifySenders()
{
    // Senders only queue the removal; none of them touches this list while it is walked. A
    // dropped record's null sender is never live.
    for (const Subscription& subscription : records_) {
        if (IEventSender::isLive(subscription.second)) {
            subscription.second->stopListening(this, subscription.first);
        }
    }
}

} // namespace Orva
