#pragma once

#include <cstddef>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/EventCallbackObject.h"
#include "core/FunctionHolder.h"
#include "core/OrvaAllocator.h"
#include "core/SwapRemove.h"

namespace Orva {

// The filter of a removal that may take any of the owner's listeners.
struct AnyListener
{
    template <class Entry> bool operator()(const Entry&) const noexcept { return true; }
};

// The listeners of one sender, filed by key (an event code, an action, a kind of contact).
// An entry is a FunctionHolder, or a struct whose `callback` member is one beside what the
// sender keys its calls on (a state, a collider). The rules every sender shares:
// - add and remove only queue: they take effect when the sender runs mergePending and
//   applyRemovals, each at its own point of its dispatch, so both are safe inside a call;
// - a removal prefers a listener whose owner is gone, since the owner's address may already
//   belong to a new owner whose own listener has to stay;
// - a removal of one listener lets the key's last listener fill its place;
// - an owner destroyed in the middle of a dispatch is never called again (ownerDestroyed).
// Main thread only, like every sender.
template <class Key, class Entry, class Filter = AnyListener> class ListenerList
{
public:
    using Entries = std::vector<Entry, OrvaAllocator<Entry>>;

    // What one removal takes among the owner's listeners of its key that pass its filter.
    enum class Take {
        First,   // the first, or else the first whose owner is gone
        All,     // every one, the others keeping their order
        AllDead, // every one whose owner is gone, the others keeping their order
    };
    struct Removal
    {
        Key key;
        const EventCallbackObject* owner;
        Filter filter;
        Take take;
    };
    using Removals = std::vector<Removal, OrvaAllocator<Removal>>;

    // `pendingRoom`: the room a key's pending list gets when its first entry comes.
    explicit ListenerList(std::size_t pendingRoom = 0) : pendingRoom_(pendingRoom) {}

    void reserve(std::size_t keys, std::size_t removals = 0)
    {
        live_.reserve(keys);
        pending_.reserve(keys);
        removals_.reserve(removals);
    }

    // Files the entry under the key from the next mergePending on.
    void add(const Key& key, Entry&& entry)
    {
        Entries& pending = pending_[key];
        if (pending.capacity() < pendingRoom_) {
            pending.reserve(pendingRoom_);
        }
        pending.push_back(std::move(entry));
    }

    // Queues the removal of the owner's listeners of the key for the next applyRemovals.
    void remove(const Key& key, const EventCallbackObject* owner, Filter filter = {}, Take take = Take::First)
    {
        removals_.push_back(Removal{key, owner, std::move(filter), take});
    }

    // At once: the owner's listeners of the key, live and pending, are never called again.
    void markDead(const Key& key, const EventCallbackObject* owner)
    {
        for (auto* lists : {&live_, &pending_}) {
            if (const auto found = lists->find(key); found != lists->end()) {
                for (Entry& entry : found->second) {
                    if (holderOf(entry)->isOwnedBy(owner)) {
                        holderOf(entry).markDead();
                    }
                }
            }
        }
    }

    // For a sender told that the owner is destroyed while its dispatch runs: the owner's
    // listeners of every key it asked to leave (its record has just asked for all of them)
    // are never called again.
    void ownerDestroyed(const EventCallbackObject* owner)
    {
        for (const Removal& removal : removals_) {
            if (removal.owner == owner) {
                markDead(removal.key, owner);
            }
        }
    }

    // Moves every pending entry to the end of its key's live list, in registration order.
    void mergePending()
    {
        for (auto& [key, pending] : pending_) {
            Entries& live = live_[key];
            live.reserve(live.size() + pending.size());
            for (Entry& entry : pending) {
                live.push_back(std::move(entry));
            }
        }
        pending_.clear();
    }

    // Carries out the queued removals on the live lists, in the order they were asked for.
    void applyRemovals()
    {
        for (const Removal& removal : removals_) {
            if (const auto found = live_.find(removal.key); found != live_.end()) {
                apply(removal, found->second);
            }
        }
        removals_.clear();
    }

    // Calls visit(entry) on every live entry of the key whose owner is not gone, in list
    // order. Visits may add, remove and destroy owners: the list keeps its shape until the
    // sender's next merge and removal steps.
    template <class Visit> void forEach(const Key& key, Visit&& visit)
    {
        const auto found = live_.find(key);
        if (found == live_.end()) {
            return;
        }
        Entries& entries = found->second;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (!holderOf(entries[i]).isDead()) {
                visit(entries[i]);
            }
        }
    }

    // Whether the key has an entry, live or pending, gone owners included.
    bool hasAny(const Key& key) const
    {
        const Entries* pendingEntries = pending(key);
        const Entries* liveEntries = live(key);
        return (pendingEntries && !pendingEntries->empty()) || (liveEntries && !liveEntries->empty());
    }

    // Destroys every entry and drops every queued removal; never from inside a call.
    void clear()
    {
        for (auto* lists : {&live_, &pending_}) {
            for (auto& [key, entries] : *lists) {
                entries.clear();
            }
        }
        removals_.clear();
    }

    // Read-only views: null for a key never used.
    const Entries* live(const Key& key) const { return find(live_, key); }
    const Entries* pending(const Key& key) const { return find(pending_, key); }
    const Removals& removals() const noexcept { return removals_; }

    template <class E> static auto& holderOf(E& entry) noexcept
    {
        if constexpr (std::is_same_v<std::remove_const_t<E>, FunctionHolder>) {
            return entry;
        } else {
            return entry.callback;
        }
    }

private:
    using Map = std::unordered_map<Key, Entries>;

    static const Entries* find(const Map& map, const Key& key)
    {
        const auto found = map.find(key);
        return found != map.end() ? &found->second : nullptr;
    }

    static void apply(const Removal& removal, Entries& entries)
    {
        const auto taken = [&removal](const Entry& entry) {
            return holderOf(entry)->isOwnedBy(removal.owner) && removal.filter(entry);
        };
        if (removal.take != Take::First) {
            const bool deadOnly = removal.take == Take::AllDead;
            std::erase_if(entries, [&](const Entry& entry) {
                return taken(entry) && (!deadOnly || holderOf(entry).isDead());
            });
            return;
        }
        auto chosen = entries.end();
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (taken(*it) && (chosen == entries.end() || holderOf(*it).isDead())) {
                chosen = it;
                if (holderOf(*it).isDead()) {
                    break;
                }
            }
        }
        if (chosen != entries.end()) {
            swapRemoveAt(entries, chosen);
        }
    }

    Map live_;
    Map pending_;
    Removals removals_;
    std::size_t pendingRoom_;
};

} // namespace Orva
