#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/Export.h"
#include "core/MemoryPool.h"
#include "core/Singleton.h"
#include "core/TypeName.h"

namespace Orva {

// The engine's small-object allocator and leak report. Requests below 512 bytes come from a
// pool of exactly that block size (0 to 4 bytes share one pool); 512 bytes up to 2 MiB − 1
// fall into twelve power-of-two size classes that hand each request to the heap; anything
// larger is a plain heap block. Every allocation is counted per type name, and MemoryDump
// lists the types and pools with something still outstanding.
//
// The engine's start-up makes the instance first and its shut-down destroys it last; every
// pooled allocation and release happens in between, on the main thread.
class ORVA_API MemoryPoolManager : public Singleton<MemoryPoolManager>
{
public:
    static constexpr std::size_t ExactSizeSlots = 512;
    static constexpr std::size_t SizeClassCount = 12;
    static constexpr std::size_t SlotCount = ExactSizeSlots + SizeClassCount;
    // Slots 0 to 4 share the pool stored here.
    static constexpr std::size_t SharedSmallSlot = 4;
    // Requests of this size or more bypass the table.
    static constexpr std::size_t LargeRequestBytes = std::size_t{1} << 21;
    static constexpr unsigned ExactSizeBlocksPerChunk = 128;

    MemoryPoolManager();
    ~MemoryPoolManager();

    MemoryPoolManager(const MemoryPoolManager&) = delete;
    MemoryPoolManager& operator=(const MemoryPoolManager&) = delete;

    // Writes the report of what is not freed, reading the instance.
    static void MemoryDump(std::ostream& out);

    // Adds delta to the live count of the type name (an absent name starts at 0).
    void adjustLiveCount(std::string_view typeName, int delta);
    // The pool serving requests of this size, made on first use below 512 bytes; null for
    // requests of LargeRequestBytes or more, which are plain heap blocks.
    MemoryPool* poolForSize(std::size_t bytes);
    // A block for `bytes`, with the type's live count raised by count once the block exists
    // (a std::bad_alloc leaves the count alone).
    void* allocateBlock(std::string_view typeName, std::size_t bytes, unsigned count)
    {
        return allocateCounted(liveCountEntry(typeName), bytes, count);
    }
    // Gives back a block from allocateBlock with the same byte size; null is ignored.
    void freeBlock(std::string_view typeName, void* block, std::size_t bytes, unsigned count)
    {
        if (block) {
            freeCounted(liveCountEntry(typeName), block, bytes, count);
        }
    }

    // Instances allocated minus released; 0 for a name never seen.
    int liveCount(std::string_view typeName) const noexcept;
    // The pool in a table slot, or null while that exact-size slot is unused.
    const MemoryPool* poolInSlot(std::size_t slot) const noexcept;

    // Pooled allocation of T, counted under T's name. bytes is the whole request as an
    // operator new receives it; count only moves the live count.
    template <class T> static void* allocate(std::size_t bytes, unsigned count = 1)
    {
        MemoryPoolManager& manager = getInstance();
        return manager.allocateCounted(manager.liveCountOf<T>(), bytes, count);
    }

    // Releases what allocate<T> gave for the same byte size. Null is ignored before the
    // instance is looked at, so deleting a null pointer is always safe.
    template <class T> static void free(void* block, std::size_t bytes, unsigned count = 1)
    {
        if (block) {
            MemoryPoolManager& manager = getInstance();
            manager.freeCounted(manager.liveCountOf<T>(), block, bytes, count);
        }
    }

private:
    struct NameHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept
        {
            return std::hash<std::string_view>{}(name);
        }
    };

    int& liveCountEntry(std::string_view typeName);
    // allocateBlock and freeBlock with the live count at hand.
    void* allocateCounted(int& liveCount, std::size_t bytes, unsigned count);
    void freeCounted(int& liveCount, void* block, std::size_t bytes, unsigned count);
    // T's live count, looked up by name once per manager rather than at every allocation:
    // entries are never erased and the map's nodes never move.
    template <class T> int& liveCountOf()
    {
        struct Found
        {
            std::uint64_t manager = 0;
            int* count = nullptr;
        };
        static Found found;
        if (found.manager != serial_) {
            found.count = &liveCountEntry(typeName<T>());
            found.manager = serial_;
        }
        return *found.count;
    }

    std::array<std::unique_ptr<MemoryPool>, SlotCount> pools_;
    std::unordered_map<std::string, int, NameHash, std::equal_to<>> liveCounts_;
    // Tells this manager from every other made in the process; never 0.
    const std::uint64_t serial_ = ++lastSerial_;

    static std::uint64_t lastSerial_;
};

namespace detail {
template <class T> constexpr unsigned pooledArrayCount(std::size_t bytes) noexcept
{
    return static_cast<unsigned>(bytes / sizeof(T));
}
} // namespace detail

} // namespace Orva

// Class-level operators that take a class's objects from the memory pools and count them
// under the class's name. Place one in the public section of the class, naming the class
// (inside a class template its plain name is enough):
//
//     class ORVA_API Texture
//     {
//     public:
//         ORVA_POOLED_OPERATORS(Texture)
//         ...
//
// ORVA_POOLED_OPERATORS serves single objects; ORVA_POOLED_OPERATORS_WITH_ARRAYS adds new[]
// and delete[], which count an array as its whole request / sizeof(Class), the compiler's
// element-count cookie included. A class operator new hides placement new, so construct in
// place with ::new.
#define ORVA_POOLED_OPERATORS(...)                                                                           \
    static void* operator new(std::size_t bytes)                                                             \
    {                                                                                                        \
        return ::Orva::MemoryPoolManager::allocate<__VA_ARGS__>(bytes);                                      \
    }                                                                                                        \
    static void operator delete(void* block, std::size_t bytes)                                              \
    {                                                                                                        \
        ::Orva::MemoryPoolManager::free<__VA_ARGS__>(block, bytes);                                          \
    }

#define ORVA_POOLED_OPERATORS_WITH_ARRAYS(...)                                                               \
    ORVA_POOLED_OPERATORS(__VA_ARGS__)                                                                       \
    static void* operator new[](std::size_t bytes)                                                           \
    {                                                                                                        \
        return ::Orva::MemoryPoolManager::allocate<__VA_ARGS__>(                                             \
            bytes, ::Orva::detail::pooledArrayCount<__VA_ARGS__>(bytes));                                    \
    }                                                                                                        \
    static void operator delete[](void* block, std::size_t bytes)                                            \
    {                                                                                                        \
        ::Orva::MemoryPoolManager::free<__VA_ARGS__>(block, bytes,                                           \
                                                     ::Orva::detail::pooledArrayCount<__VA_ARGS__>(bytes));  \
    }
