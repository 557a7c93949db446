#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <set>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/EventCallbackObject.h"
#include "core/FunctionHolder.h"
#include "core/OrvaAllocator.h"

namespace Orva {

// A list whose entries are found by their owner only.
struct NoTag
{
};

namespace detail {

// An entry's holder: the entry itself, or its `callback` member.
template <class E> auto& holderOf(E& entry) noexcept
{
    if constexpr (std::is_same_v<std::remove_const_t<E>, FunctionHolder>) {
        return entry;
    } else {
        return entry.callback;
    }
}

// An entry's place as a removal ranks it among its owner's: those whose owner is gone first,
// then by position.
struct Place
{
    bool alive;
    std::uint32_t position;

    auto operator<=>(const Place&) const = default;
};

// The indices take their nodes from the memory pools: a burst of listeners coming and going
// costs no trip to the heap each.
template <class Id, class Value>
using PooledMap = std::unordered_map<Id, Value, std::hash<Id>, std::equal_to<Id>,
                                     OrvaAllocator<std::pair<const Id, Value>>>;

// One key's entries, live or pending, with the places of each owner's entries in rank order
// and, given a tag (a functor from an entry to a std::uint64_t), the positions of each tag's.
// Every change of position goes through here, so the indices never go out of step with the
// list, and each costs the entry filed again, not its owner's or its tag's other entries. A
// tagged list also numbers its entries in the order they were pushed. A removal that keeps
// the order leaves a hole (an empty holder) until closeHoles; the last entry is never a hole.
template <class Entry, class Tag> class IndexedEntries
{
public:
    using Entries = std::vector<Entry, OrvaAllocator<Entry>>;
    using Owned = std::set<Place, std::less<>, OrvaAllocator<Place>>;
    using Positions = std::vector<std::uint32_t, OrvaAllocator<std::uint32_t>>;
    static constexpr bool Tagged = !std::is_same_v<Tag, NoTag>;

    const Entries& view() const noexcept { return entries_; }
    std::size_t size() const noexcept { return entries_.size(); }
    Entry& operator[](std::size_t position) noexcept { return entries_[position]; }
    void reserve(std::size_t room)
    {
        entries_.reserve(room);
        if constexpr (Tagged) {
            filings_.reserve(room);
        }
    }

    const Owned* owned(const EventCallbackObject* owner) const { return found(owners_, owner); }
    const Positions* tagged(std::uint64_t tag) const requires Tagged { return found(tags_, tag); }
    static const EventCallbackObject* ownerOf(const Entry& entry) noexcept
    {
        return holderOf(entry)->owner();
    }
    Place placeOf(std::uint32_t position) const noexcept
    {
        return {!holderOf(entries_[position]).isDead(), position};
    }
    // The entry's number in push order.
    std::uint64_t sequence(std::uint32_t position) const noexcept requires Tagged
    {
        return filings_[position].sequence;
    }

    void push(Entry&& entry)
    {
        entries_.push_back(std::move(entry));
        if constexpr (Tagged) {
            filings_.push_back({nextSequence_++, 0});
        }
        file(static_cast<std::uint32_t>(entries_.size() - 1));
    }

    // The owner's live entries, last in its rank order, join its dead ones.
    void markDead(const EventCallbackObject* owner)
    {
        const auto found = owners_.find(owner);
        if (found == owners_.end()) {
            return;
        }
        Owned& owned = found->second;
        for (auto place = owned.lower_bound(Place{true, 0}); place != owned.end();) {
            auto node = owned.extract(place++);
            holderOf(entries_[node.value().position]).markDead();
            node.value().alive = false;
            owned.insert(std::move(node));
        }
    }

    // Takes the entry out, the last one filling its place.
    void swapOut(std::uint32_t position)
    {
        unfile(position);
        const auto last = static_cast<std::uint32_t>(entries_.size() - 1);
        if (position != last) {
            shift(last, position);
        }
        popBack();
        trimHoles();
    }

    // Takes the entry out, the others keeping their places.
    void punch(std::uint32_t position)
    {
        unfile(position);
        holderOf(entries_[position]) = FunctionHolder();
        ++holes_;
        trimHoles();
    }

    void closeHoles()
    {
        if (holes_ == 0) {
            return;
        }
        std::uint32_t kept = 0;
        for (std::uint32_t position = 0; position < entries_.size(); ++position) {
            if (!holderOf(entries_[position])) {
                continue;
            }
            if (position != kept) {
                shift(position, kept);
            }
            ++kept;
        }
        entries_.erase(entries_.begin() + kept, entries_.end());
        if constexpr (Tagged) {
            filings_.resize(kept);
        }
        holes_ = 0;
    }

    // Hands the entries over, leaving the list empty.
    Entries takeAll() noexcept
    {
        clearIndices();
        return std::exchange(entries_, Entries());
    }

    void clear() noexcept
    {
        entries_.clear();
        clearIndices();
    }

private:
    // What a tagged list keeps of each entry beside it: its push number, and its slot among
    // its tag's positions.
    struct Filing
    {
        std::uint64_t sequence;
        std::uint32_t tagSlot;
    };

    template <class Map, class Id> static const typename Map::mapped_type* found(const Map& map, const Id& id)
    {
        const auto at = map.find(id);
        return at != map.end() ? &at->second : nullptr;
    }

    void file(std::uint32_t position)
    {
        owners_[ownerOf(entries_[position])].insert(placeOf(position));
        if constexpr (Tagged) {
            Positions& positions = tags_[Tag{}(entries_[position])];
            filings_[position].tagSlot = static_cast<std::uint32_t>(positions.size());
            positions.push_back(position);
        }
    }

    void unfile(std::uint32_t position)
    {
        const auto owner = owners_.find(ownerOf(entries_[position]));
        owner->second.erase(placeOf(position));
        if (owner->second.empty()) {
            owners_.erase(owner);
        }
        if constexpr (Tagged) {
            // The tag's last position fills the slot.
            const auto tag = tags_.find(Tag{}(entries_[position]));
            Positions& positions = tag->second;
            const std::uint32_t slot = filings_[position].tagSlot;
            positions[slot] = positions.back();
            filings_[positions[slot]].tagSlot = slot;
            positions.pop_back();
            if (positions.empty()) {
                tags_.erase(tag);
            }
        }
    }

    // Moves the entry at `from` to the empty place `to`, filed there.
    void shift(std::uint32_t from, std::uint32_t to)
    {
        Owned& owned = owners_.find(ownerOf(entries_[from]))->second;
        auto node = owned.extract(placeOf(from));
        node.value().position = to;
        owned.insert(std::move(node));
        entries_[to] = std::move(entries_[from]);
        if constexpr (Tagged) {
            filings_[to] = filings_[from];
            tags_.find(Tag{}(entries_[to]))->second[filings_[to].tagSlot] = to;
        }
    }

    void popBack() noexcept
    {
        entries_.pop_back();
        if constexpr (Tagged) {
            filings_.pop_back();
        }
    }

    void trimHoles() noexcept
    {
        while (!entries_.empty() && !holderOf(entries_.back())) {
            popBack();
            --holes_;
        }
    }

    void clearIndices() noexcept
    {
        owners_.clear();
        if constexpr (Tagged) {
            tags_.clear();
            filings_.clear();
        }
        holes_ = 0;
    }

    Entries entries_;
    PooledMap<const EventCallbackObject*, Owned> owners_;
    [[no_unique_address]] std::conditional_t<Tagged, PooledMap<std::uint64_t, Positions>, NoTag> tags_;
    [[no_unique_address]] std::conditional_t<Tagged, std::vector<Filing, OrvaAllocator<Filing>>, NoTag>
        filings_;
    [[no_unique_address]] std::conditional_t<Tagged, std::uint64_t, NoTag> nextSequence_{};
    std::size_t holes_ = 0;
};

} // namespace detail

} // namespace Orva
