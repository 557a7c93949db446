#pragma once

#include <cstddef>
#include <limits>
#include <new>
#include <type_traits>

#include "core/MemoryPoolManager.h"

namespace Orva {

// The allocator of engine containers: buffers and nodes come from the memory pools, and the
// live elements are counted under the element type's name (the same count as pooled objects
// of that type). Stateless, so every instance equals every other. Needs the manager instance.
template <class T> struct OrvaAllocator
{
    using value_type = T;
    using is_always_equal = std::true_type;

    OrvaAllocator() noexcept = default;
    template <class U> OrvaAllocator(const OrvaAllocator<U>&) noexcept {}

    T* allocate(std::size_t n)
    {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(MemoryPoolManager::allocate<T>(n * sizeof(T), static_cast<unsigned>(n)));
    }

    // n must be the n given to allocate: it picks the pool the block goes back to.
    void deallocate(T* block, std::size_t n)
    {
        MemoryPoolManager::free<T>(block, n * sizeof(T), static_cast<unsigned>(n));
    }
};

template <class T, class U> bool operator==(const OrvaAllocator<T>&, const OrvaAllocator<U>&) noexcept
{
    return true;
}

} // namespace Orva
