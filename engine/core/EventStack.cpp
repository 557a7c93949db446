#include "core/EventStack.h"

#include <cassert>

namespace Orva {

namespace {

// Fresh buffers are zeroed so that the gaps between events never hold stale bytes.
std::unique_ptr<std::byte[]> zeroedBuffer(std::size_t size)
{
    return std::unique_ptr<std::byte[]>(new std::byte[size]());
}

} // namespace

EventStack::EventStack(std::size_t size) : base_(zeroedBuffer(size)), top_(base_.get()), size_(size) {}

EventStack::~EventStack()
{
    clear();
}

std::byte* EventStack::allocate(std::size_t size, std::size_t align)
{
    assert(align != 0 && (align & (align - 1)) == 0 && align <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    if (entries_.size() == entries_.capacity()) {
        entries_.reserve(entries_.empty() ? 64 : entries_.capacity() * 2);
    }
    for (;;) {
        // The buffer starts at the heap's alignment, so offsets and addresses agree on it.
        const std::size_t inUse = used();
        const std::size_t gap = (align - inUse % align) % align;
        const std::size_t free = size_ - inUse;
        if (free >= gap && free - gap >= size) {
            std::byte* const block = top_ + gap;
            top_ = block + size;
            return block;
        }
        grow();
    }
}

void EventStack::grow()
{
    const std::size_t newSize = size_ * 2;
    std::unique_ptr<std::byte[]> newBase = zeroedBuffer(newSize);
    std::byte* const oldBase = base_.get();
    const std::size_t inUse = used();

    // Build every event at its new place first; a copy that throws leaves the old ones whole.
    std::size_t built = 0;
    EntryList moved(entries_.get_allocator());
    moved.reserve(entries_.capacity());
    try {
        for (const Entry& entry : entries_) {
            moved.push_back(
                {entry.code, entry.relocate(entry.event, oldBase, newBase.get()), entry.relocate});
            ++built;
        }
    } catch (...) {
        for (std::size_t i = built; i-- > 0;) {
            moved[i].event->~BaseEvent();
        }
        throw;
    }
    for (const Entry& entry : entries_) {
        entry.event->~BaseEvent();
    }

    top_ = newBase.get() + inUse;
    entries_.swap(moved);
    base_ = std::move(newBase);
    size_ = newSize;
}

void EventStack::clear() noexcept
{
    for (const Entry& entry : entries_) {
        entry.event->~BaseEvent();
    }
    entries_.clear();
    top_ = base_.get();
}

} // namespace Orva
