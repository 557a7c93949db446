#pragma once

#include <algorithm>
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

} // namespace Orva
