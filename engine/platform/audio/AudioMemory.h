#pragma once

// Bookkeeping of the bytes the sound systems hold, for FMOD_Memory_GetStats: every object and
// buffer of the layer is allocated through these, so a failed decode leaves the figure as it was.

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace Orva::Platform::Audio {

void noteAllocated(std::size_t bytes) noexcept;
void noteFreed(std::size_t bytes) noexcept;

template <class T> struct CountedAllocator
{
    using value_type = T;

    CountedAllocator() = default;
    template <class U> CountedAllocator(const CountedAllocator<U>&) noexcept {}

    T* allocate(std::size_t count)
    {
        T* memory = std::allocator<T>{}.allocate(count);
        noteAllocated(count * sizeof(T));
        return memory;
    }
    void deallocate(T* memory, std::size_t count) noexcept
    {
        noteFreed(count * sizeof(T));
        std::allocator<T>{}.deallocate(memory, count);
    }

    template <class U> bool operator==(const CountedAllocator<U>&) const noexcept { return true; }
};

template <class T> using CountedVector = std::vector<T, CountedAllocator<T>>;

// Base of the layer's heap objects: `new` and `delete` of a derived class are counted.
struct Counted
{
    static void* operator new(std::size_t bytes)
    {
        void* memory = ::operator new(bytes);
        noteAllocated(bytes);
        return memory;
    }
    static void operator delete(void* memory, std::size_t bytes) noexcept
    {
        noteFreed(bytes);
        ::operator delete(memory);
    }
};

} // namespace Orva::Platform::Audio
