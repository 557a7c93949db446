#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "core/Export.h"

namespace Orva::Actions {

class ActionBase;

// The actions a sequence, a group or an action component holds, in order. The first few
// live inside the list itself and more in one block from the memory pools, so that stepping
// a short list reads no memory of its own: a container's children are one load away. The
// list holds pointers only; its owner deletes the actions. Dropping the front costs the same
// however long the list is (a sequence drops its front each time a child finishes).
// Positions move as actions are removed; iterators and references last until the next
// change of the list.
class ORVA_API ActionList
{
public:
    using value_type = ActionBase*;
    using size_type = std::size_t;
    using iterator = ActionBase**;
    using const_iterator = ActionBase* const*;
    using reverse_iterator = std::reverse_iterator<iterator>;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;

    static constexpr std::uint32_t InlineCapacity = 4;

    ActionList() noexcept = default;
    ActionList(const ActionList&) = delete;
    ActionList& operator=(const ActionList&) = delete;
    // Releases the block; the actions are the owner's to delete.
    ~ActionList();

    iterator begin() noexcept { return data() + head_; }
    iterator end() noexcept { return data() + end_; }
    const_iterator begin() const noexcept { return data() + head_; }
    const_iterator end() const noexcept { return data() + end_; }
    reverse_iterator rbegin() noexcept { return reverse_iterator(end()); }
    reverse_iterator rend() noexcept { return reverse_iterator(begin()); }
    const_reverse_iterator rbegin() const noexcept { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const noexcept { return const_reverse_iterator(begin()); }

    size_type size() const noexcept { return end_ - head_; }
    bool empty() const noexcept { return end_ == head_; }
    ActionBase*& operator[](size_type index) noexcept { return data()[head_ + index]; }
    ActionBase* operator[](size_type index) const noexcept { return data()[head_ + index]; }
    ActionBase*& front() noexcept { return data()[head_]; }
    ActionBase* front() const noexcept { return data()[head_]; }
    ActionBase*& back() noexcept { return data()[end_ - 1]; }
    ActionBase* back() const noexcept { return data()[end_ - 1]; }

    // Appends; a failed allocation throws std::bad_alloc and leaves the list as it was.
    void push_back(ActionBase* action);
    void pop_front() noexcept;
    void pop_back() noexcept { --end_; }
    // Removes the action at index; the later ones move up one place.
    void erase(size_type index) noexcept;
    void clear() noexcept { head_ = end_ = 0; }
    void swap(ActionList& other) noexcept;

private:
    ActionBase** data() noexcept { return block_ ? block_ : inline_; }
    ActionBase* const* data() const noexcept { return block_ ? block_ : inline_; }
    // Makes room for one more at the end: moves the actions to the start when at least half
    // the room lies before the front, else doubles the room.
    void makeRoom();

    // What reading the front needs comes first, the inline room right after it.
    std::uint32_t head_ = 0;
    std::uint32_t end_ = 0;
    ActionBase** block_ = nullptr;
    ActionBase* inline_[InlineCapacity] = {};
    std::uint32_t capacity_ = InlineCapacity;
};

} // namespace Orva::Actions
