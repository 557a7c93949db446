#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/Export.h"
#include "core/OrvaAllocator.h"

namespace Orva {

class EventCallbackObject;

// Anything that keeps listeners: the event manager, the input manager, the physics world.
// Every sender is listed in a process-wide live set from construction to destruction, so
// that a subscription record never calls into a sender that is already gone.
struct ORVA_API IEventSender
{
    // The owner whose record is `owner` no longer wants its listener for the code.
    virtual void stopListening(EventCallbackObject* owner, std::uint32_t code) = 0;
    // Told by a record as its owner is destroyed, after the record's stopListening calls: a
    // sender that may still call that owner's listeners before their removal (in the middle
    // of a dispatch) must stop calling them now. Does nothing by default.
    virtual void ownerDestroyed(const EventCallbackObject* owner);

    static bool isLive(const IEventSender* sender) noexcept;
    // Tells every live sender that the owner is being destroyed.
    static void notifyOwnerDestroyed(const EventCallbackObject* owner);

protected:
    IEventSender();
    IEventSender(const IEventSender& other);
    IEventSender& operator=(const IEventSender&) = default;
    // Not virtual: senders are never deleted through this interface.
    ~IEventSender();
};

// The subscription record kept inside every listening object (the "owner"). Senders know
// the owner by the address of this record, so a copy never inherits the original's
// subscriptions: it starts empty, and assigning one record to another changes nothing.
class ORVA_API EventCallbackObject
{
public:
    using Subscription = std::pair<std::uint32_t, IEventSender*>;
    using SubscriptionList = std::vector<Subscription, OrvaAllocator<Subscription>>;

    EventCallbackObject() = default;
    EventCallbackObject(const EventCallbackObject&) noexcept {}
    EventCallbackObject& operator=(const EventCallbackObject&) noexcept { return *this; }
    // Asks every live sender of the list to drop this owner's listeners, then tells every
    // live sender that the owner is gone.
    ~EventCallbackObject();

    // Asks every live sender, first record to last, to drop this owner's listener of the
    // record's code, then empties the list and gives its storage back to the pools; the owner
    // may subscribe again afterwards, or outlive the pools.
    void clearEvents();

    // Called by a callable when its holder is registered with a sender (never null).
    void addSubscription(std::uint32_t code, IEventSender* sender);
    // Drops the first record equal to (code, sender); returns whether there was one. Costs
    // about the same whatever the number of records, for an owner with a few kinds of them.
    bool removeSubscription(std::uint32_t code, const IEventSender* sender);

    // A copy of the records, first to last.
    SubscriptionList subscriptions() const;

private:
    // Where the search for a (code, sender) record may start: no record of it stands before.
    struct SearchStart
    {
        std::uint32_t code;
        const IEventSender* sender;
        std::size_t position;
    };

    void notifySenders();
    void compact();

    // In order of subscribing. A dropped record stays, its sender null, until the dropped ones
    // outnumber the others: dropping one moves none of those after it.
    SubscriptionList records_;
    std::size_t dropped_ = 0;
    // Records of a kind are dropped first to last, so a search goes on from past the last one
    // dropped rather than from the start. Emptied when the records are compacted.
    std::vector<SearchStart, OrvaAllocator<SearchStart>> searchStarts_;
};

// The uniform way senders reach a listening object's record: a class whose objects listen
// offers `EventCallbackObject& getEventCallbackObject()`.
template <class T>
concept EventListener = requires(T& owner)
{
    {
        owner.getEventCallbackObject()
        } -> std::same_as<EventCallbackObject&>;
};

} // namespace Orva
