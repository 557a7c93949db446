#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/EventCallbackObject.h"
#include "core/FunctionHolder.h"
#include "core/ListenerList_internal.h"
#include "core/OrvaAllocator.h"

namespace Orva {

// The filter of a removal that may take any of the owner's listeners.
struct AnyListener
{
    template <class Entry> bool operator()(const Entry&) const noexcept { return true; }
};

// A removal filter that may pass the entries of one tag only names that tag, so that the
// removal looks at the tag's entries when they are fewer than the owner's.
template <class Filter>
concept TagFilter = requires(const Filter& filter)
{
    {
        filter.tag()
        } -> std::same_as<std::optional<std::uint64_t>>;
};

// The listeners of one sender, filed by key (an event code, an action, a kind of contact).
// An entry is a FunctionHolder, or a struct whose `callback` member is one beside what the
// sender keys its calls on (a state, a collider). The rules every sender shares:
// - add and remove only queue: they take effect when the sender runs mergePending and
//   applyRemovals, each at its own point of its dispatch, so both are safe inside a call;
// - a removal prefers a listener whose owner is gone, since the owner's address may already
//   belong to a new owner whose own listener has to stay;
// - a removal of one listener lets the key's last listener fill its place;
// - a look-up by tag finds the tag's first added listener still there, wherever the
//   removals of others have moved it;
// - an owner destroyed in the middle of a dispatch is never called again (ownerDestroyed).
// Each key's list knows where each owner's listeners stand, and with a Tag (a functor giving
// an entry's std::uint64_t, such as its collider's serial) where each tag's do, so that a
// removal costs what it takes and a look-up the tag's listeners, not the key's.
// Main thread only, like every sender.
template <class Key, class Entry, class Filter = AnyListener, class Tag = NoTag> class ListenerList
{
    using Live = detail::IndexedEntries<Entry, Tag>;
    using Pending = detail::IndexedEntries<Entry, NoTag>;
    using Positions = typename Live::Positions;
    using Place = detail::Place;

public:
    using Entries = typename Live::Entries;

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
        Pending& pending = pending_[key];
        pending.reserve(pendingRoom_);
        pending.push(std::move(entry));
    }

    // Queues the removal of the owner's listeners of the key for the next applyRemovals.
    void remove(const Key& key, const EventCallbackObject* owner, Filter filter = {}, Take take = Take::First)
    {
        removals_.push_back(Removal{key, owner, std::move(filter), take});
        removalKeys_.emplace(owner, key);
    }

    // At once: the owner's listeners of the key, live and pending, are never called again.
    void markDead(const Key& key, const EventCallbackObject* owner)
    {
        if (Live* live = find(live_, key)) {
            live->markDead(owner);
        }
        if (Pending* pending = find(pending_, key)) {
            pending->markDead(owner);
        }
    }

    // For a sender told that the owner is destroyed while its dispatch runs: the owner's
    // listeners of every key it asked to leave (its record has just asked for all of them)
    // are never called again.
    void ownerDestroyed(const EventCallbackObject* owner)
    {
        const auto [first, last] = removalKeys_.equal_range(owner);
        for (auto asked = first; asked != last; ++asked) {
            markDead(asked->second, owner);
        }
    }

    // Moves every pending entry to the end of its key's live list, in registration order.
    void mergePending()
    {
        for (auto& [key, pending] : pending_) {
            Live& live = live_[key];
            Entries entries = pending.takeAll();
            live.reserve(live.size() + entries.size());
            for (Entry& entry : entries) {
                live.push(std::move(entry));
            }
        }
        pending_.clear();
    }

    // Carries out the queued removals on the live lists, in the order they were asked for.
    void applyRemovals()
    {
        for (const Removal& removal : removals_) {
            if (Live* live = find(live_, removal.key)) {
                apply(removal, *live);
            }
        }
        for (const Removal& removal : removals_) {
            if (Live* live = find(live_, removal.key)) {
                live->closeHoles();
            }
        }
        removals_.clear();
        forgetRemovalKeys();
    }

    // Calls visit(entry) on every live entry of the key whose owner is not gone, in list
    // order. Visits may add, remove and destroy owners: the list keeps its shape until the
    // sender's next merge and removal steps.
    template <class Visit> void forEach(const Key& key, Visit&& visit)
    {
        if (Live* live = find(live_, key)) {
            for (std::size_t i = 0; i < live->size(); ++i) {
                if (!detail::holderOf((*live)[i]).isDead()) {
                    visit((*live)[i]);
                }
            }
        }
    }

    // The first added live entry of the key with the tag whose owner is not gone; null when
    // none.
    Entry* firstTagged(const Key& key, std::uint64_t tag) requires Live::Tagged
    {
        Live* live = find(live_, key);
        const Positions* positions = live ? live->tagged(tag) : nullptr;
        if (!positions) {
            return nullptr;
        }
        const std::uint32_t* first = nullptr;
        for (const std::uint32_t& position : *positions) {
            if (!detail::holderOf((*live)[position]).isDead() &&
                (!first || live->sequence(position) < live->sequence(*first))) {
                first = &position;
            }
        }
        return first ? &(*live)[*first] : nullptr;
    }

    // forEach over the live entries of the key whose tag is one of `tags`.
    template <class Tags, class Visit>
    void forEachTagged(const Key& key, const Tags& tags, Visit&& visit) requires Live::Tagged
    {
        Live* live = find(live_, key);
        if (!live) {
            return;
        }
        Positions chosen;
        for (const std::uint64_t tag : tags) {
            if (const Positions* positions = live->tagged(tag)) {
                chosen.insert(chosen.end(), positions->begin(), positions->end());
            }
        }
        std::sort(chosen.begin(), chosen.end());
        chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
        for (const std::uint32_t position : chosen) {
            if (!detail::holderOf((*live)[position]).isDead()) {
                visit((*live)[position]);
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
        for (auto& [key, entries] : live_) {
            entries.clear();
        }
        for (auto& [key, entries] : pending_) {
            entries.clear();
        }
        removals_.clear();
        forgetRemovalKeys();
    }

    // Read-only views: null for a key never used.
    const Entries* live(const Key& key) const { return view(live_, key); }
    const Entries* pending(const Key& key) const { return view(pending_, key); }
    const Removals& removals() const noexcept { return removals_; }

private:
    template <class Map> static auto* find(Map& map, const Key& key)
    {
        const auto found = map.find(key);
        return found != map.end() ? &found->second : nullptr;
    }
    template <class Map> static const Entries* view(const Map& map, const Key& key)
    {
        const auto* found = find(map, key);
        return found ? &found->view() : nullptr;
    }

    // A hash table's clear costs its buckets, which a burst of removals leaves many of; the
    // sender steps its removals far more often than bursts come.
    void forgetRemovalKeys() noexcept { decltype(removalKeys_)().swap(removalKeys_); }

    // The tag's positions when the removal's filter passes that tag only and it has fewer
    // entries than the owner; null to look at the owner's.
    static const Positions* fewerTagged(const Removal& removal, const Live& live,
                                        const typename Live::Owned& owned)
    {
        if constexpr (Live::Tagged && TagFilter<Filter>) {
            if (const std::optional<std::uint64_t> tag = removal.filter.tag()) {
                static const Positions none;
                const Positions* positions = live.tagged(*tag);
                return !positions ? &none : positions->size() < owned.size() ? positions : nullptr;
            }
        }
        return nullptr;
    }

    static void apply(const Removal& removal, Live& live)
    {
        const typename Live::Owned* owned = live.owned(removal.owner);
        if (!owned) {
            return;
        }
        const auto wanted = [&](Place place) {
            return removal.filter(live[place.position]) && (removal.take != Take::AllDead || !place.alive);
        };
        const auto wantedTagged = [&](std::uint32_t position) {
            return Live::ownerOf(live[position]) == removal.owner && wanted(live.placeOf(position));
        };
        const Positions* tagged = fewerTagged(removal, live, *owned);
        if (removal.take == Take::First) {
            // The first dead one, else the first: the owner's places are in that order.
            std::optional<Place> chosen;
            if (tagged) {
                for (const std::uint32_t position : *tagged) {
                    if (wantedTagged(position) && (!chosen || live.placeOf(position) < *chosen)) {
                        chosen = live.placeOf(position);
                    }
                }
            } else if (const auto first = std::find_if(owned->begin(), owned->end(), wanted);
                       first != owned->end()) {
                chosen = *first;
            }
            if (chosen) {
                live.swapOut(chosen->position);
            }
            return;
        }
        Positions taken;
        if (tagged) {
            std::copy_if(tagged->begin(), tagged->end(), std::back_inserter(taken), wantedTagged);
        } else {
            for (const Place place : *owned) {
                if (wanted(place)) {
                    taken.push_back(place.position);
                }
            }
        }
        for (const std::uint32_t position : taken) {
            live.punch(position);
        }
    }

    std::unordered_map<Key, Live> live_;
    std::unordered_map<Key, Pending> pending_;
    Removals removals_;
    // The keys of the queued removals, by owner.
    std::unordered_multimap<const EventCallbackObject*, Key> removalKeys_;
    std::size_t pendingRoom_;
};

} // namespace Orva
