#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace Orva::detail {

// One page of slots in a block of the general heap: the pages of game objects and of
// components never come from the memory pools. The first slot is the block's start aligned
// up to alignof(Slot), and the block has room for that shift.
template <class Slot> struct HeapPage
{
    void* block;
    Slot* first;
};

// Uninitialised room for slotCount slots, followed by extraBytes for the owner's use; throws
// std::bad_alloc when the heap has none.
template <class Slot> HeapPage<Slot> allocateHeapPage(std::size_t slotCount, std::size_t extraBytes = 0)
{
    constexpr std::size_t alignment = alignof(Slot);
    void* block = ::operator new(slotCount * sizeof(Slot) + extraBytes + alignment - 1);
    const std::size_t shift = (alignment - reinterpret_cast<std::uintptr_t>(block) % alignment) % alignment;
    return {block, reinterpret_cast<Slot*>(static_cast<std::byte*>(block) + shift)};
}

inline void releaseHeapPage(void* block) noexcept
{
    ::operator delete(block);
}

} // namespace Orva::detail
