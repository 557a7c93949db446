#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/EventCallbackObject.h"
#include "core/FunctionHolder.h"
#include "core/OrvaAllocator.h"
#include "core/SwapRemove.h"

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

// Where one list keeps the entries of each id (an owner, a tag): their positions, in no
// order, since an id has few entries.
template <class Id> class PositionIndex
{
public:
    using Positions = std::vector<std::uint32_t>;

    const Positions* find(const Id& id) const
    {
        const auto found = map_.find(id);
        return found != map_.end() ? &found->second : nullptr;
    }
    void add(const Id& id, std::uint32_t position) { map_[id].push_back(position); }
    void erase(const Id& id, std::uint32_t position)
    {
        const auto found = map_.find(id);
        swapRemove(found->second, position);
        if (found->second.empty()) {
            map_.erase(found);
        }
    }
    void move(const Id& id, std::uint32_t from, std::uint32_t to)
    {
        Positions& positions = map_.find(id)->second;
        *std::find(positions.begin(), positions.end(), from) = to;
    }
    void clear() noexcept { map_.clear(); }

private:
    std::unordered_map<Id, Positions> map_;
};

// One key's entries, live or pending, with the positions of each owner's and, given a tag
// (a functor from an entry to a std::uint64_t), of each tag's. Every change of position goes
// through here, so the indices never go out of step with the list. A removal that keeps the
// order leaves a hole (an empty holder) until closeHoles; the last entry is never a hole.
template <class Entry, class Tag> class IndexedEntries
{
public:
    using Entries = std::vector<Entry, OrvaAllocator<Entry>>;
    using Positions = PositionIndex<std::uint64_t>::Positions;
    static constexpr bool Tagged = !std::is_same_v<Tag, NoTag>;

    const Entries& view() const noexcept { return entries_; }
    std::size_t size() const noexcept { return entries_.size(); }
    Entry& operator[](std::size_t position) noexcept { return entries_[position]; }
    void reserve(std::size_t room) { entries_.reserve(room); }

    const Positions* owned(const EventCallbackObject* owner) const { return owners_.find(owner); }
    const Positions* tagged(std::uint64_t tag) const requires Tagged { return tags_.find(tag); }

    void push(Entry&& entry)
    {
        file(entry, static_cast<std::uint32_t>(entries_.size()));
        entries_.push_back(std::move(entry));
    }

    void markDead(const EventCallbackObject* owner) noexcept
    {
        if (const Positions* positions = owned(owner)) {
            for (const std::uint32_t position : *positions) {
                holderOf(entries_[position]).markDead();
            }
        }
    }

    // Takes the entry out, the last one filling its place.
    void swapOut(std::uint32_t position)
    {
        unfile(entries_[position], position);
        const auto last = static_cast<std::uint32_t>(entries_.size() - 1);
        if (position != last) {
            refile(entries_[last], last, position);
            entries_[position] = std::move(entries_[last]);
        }
        entries_.pop_back();
        trimHoles();
    }

    // Takes the entry out, the others keeping their places.
    void punch(std::uint32_t position)
    {
        unfile(entries_[position], position);
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
                refile(entries_[position], position, kept);
                entries_[kept] = std::move(entries_[position]);
            }
            ++kept;
        }
        entries_.erase(entries_.begin() + kept, entries_.end());
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
    static const EventCallbackObject* ownerOf(const Entry& entry) noexcept
    {
        return holderOf(entry)->owner();
    }

    void file(const Entry& entry, std::uint32_t position)
    {
        owners_.add(ownerOf(entry), position);
        if constexpr (Tagged) {
            tags_.add(Tag{}(entry), position);
        }
    }
    void unfile(const Entry& entry, std::uint32_t position)
    {
        owners_.erase(ownerOf(entry), position);
        if constexpr (Tagged) {
            tags_.erase(Tag{}(entry), position);
        }
    }
    void refile(const Entry& entry, std::uint32_t from, std::uint32_t to)
    {
        owners_.move(ownerOf(entry), from, to);
        if constexpr (Tagged) {
            tags_.move(Tag{}(entry), from, to);
        }
    }

    void trimHoles() noexcept
    {
        while (!entries_.empty() && !holderOf(entries_.back())) {
            entries_.pop_back();
            --holes_;
        }
    }

    void clearIndices() noexcept
    {
        owners_.clear();
        if constexpr (Tagged) {
            tags_.clear();
        }
        holes_ = 0;
    }

    Entries entries_;
    PositionIndex<const EventCallbackObject*> owners_;
    [[no_unique_address]] std::conditional_t<Tagged, PositionIndex<std::uint64_t>, NoTag> tags_;
    std::size_t holes_ = 0;
};

} // namespace detail

} // namespace Orva
