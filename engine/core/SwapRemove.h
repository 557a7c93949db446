#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

namespace Orva {

// Removes the element at `position` in constant time by moving the last element into its
// place; the order of the others is not kept.
template <class List> void swapRemoveAt(List& list, typename List::iterator position)
{
    if (position != std::prev(list.end())) {
        *position = std::move(list.back());
    }
    list.pop_back();
}

// Removes the first element equal to `item` the same way; false when there is none.
template <class List, class Item> bool swapRemove(List& list, const Item& item)
{
    const auto found = std::find(list.begin(), list.end(), item);
    if (found == list.end()) {
        return false;
    }
    swapRemoveAt(list, found);
    return true;
}

// An item's index in a list that removes by swapping, kept by the item so that leaving the
// list costs no search. A copy of the item is not in the list: it starts with no index, and
// assignment keeps each item's own.
struct ListIndex
{
    static constexpr std::uint32_t None = UINT32_MAX;
    std::uint32_t value = None;

    ListIndex() = default;
    ListIndex(const ListIndex&) noexcept {}
    ListIndex& operator=(const ListIndex&) noexcept { return *this; }
};

} // namespace Orva
