#include "actions/ActionList.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

#include "core/OrvaAllocator.h"

namespace Orva::Actions {

ActionList::~ActionList()
{
    if (block_) {
        OrvaAllocator<ActionBase*>().deallocate(block_, capacity_);
    }
}

void ActionList::push_back(ActionBase* action)
{
    if (end_ == capacity_) {
        makeRoom();
    }
    data()[end_++] = action;
}

void ActionList::pop_front() noexcept
{
    if (++head_ == end_) {
        head_ = end_ = 0;
    }
}

void ActionList::erase(size_type index) noexcept
{
    ActionBase** const first = data() + head_ + index;
    std::copy(first + 1, data() + end_, first);
    --end_;
}

void ActionList::swap(ActionList& other) noexcept
{
    std::swap(head_, other.head_);
    std::swap(end_, other.end_);
    std::swap(block_, other.block_);
    std::swap(inline_, other.inline_);
    std::swap(capacity_, other.capacity_);
}

void ActionList::makeRoom()
{
    ActionBase** const from = data();
    if (head_ >= capacity_ / 2) {
        std::copy(from + head_, from + end_, from);
        end_ -= head_;
        head_ = 0;
        return;
    }
    if (capacity_ > std::numeric_limits<std::uint32_t>::max() / 2) {
        throw std::bad_alloc();
    }
    const std::uint32_t capacity = capacity_ * 2;
    ActionBase** const block = OrvaAllocator<ActionBase*>().allocate(capacity);
    std::copy(from + head_, from + end_, block);
    if (block_) {
        OrvaAllocator<ActionBase*>().deallocate(block_, capacity_);
    }
    block_ = block;
    capacity_ = capacity;
    end_ -= head_;
    head_ = 0;
}

} // namespace Orva::Actions
