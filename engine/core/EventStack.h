#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/BaseEvent.h"
#include "core/Export.h"
#include "core/OrvaAllocator.h"

namespace Orva {

// One of the event manager's two queues: a byte buffer used as a bump allocator, holding
// events constructed in place, with the list of (code, event) in queue order. It grows only
// by doubling; a growth moves every listed event to the same offset in the new buffer with
// its own move constructor (a byte copy would break events that own strings or vectors).
class ORVA_API EventStack
{
public:
    // Constructs the event at `from` anew at the same offset of newBase (moving it when that
    // cannot throw, else copying) and returns it; `from` is left for the caller to destroy.
    using Relocate = BaseEvent* (*)(BaseEvent* from, const std::byte* oldBase, std::byte* newBase);

    struct Entry
    {
        std::uint32_t code;
        BaseEvent* event;
        Relocate relocate;
    };
    using EntryList = std::vector<Entry, OrvaAllocator<Entry>>;

    explicit EventStack(std::size_t size);
    ~EventStack();

    EventStack(const EventStack&) = delete;
    EventStack& operator=(const EventStack&) = delete;

    // Room for `size` bytes at `align` (a power of two, at most the heap's alignment): the
    // top moves past the alignment gap and the block, doubling the buffer first as often as
    // needed. Also makes room in the list for one more entry, so that `list` cannot fail.
    std::byte* allocate(std::size_t size, std::size_t align);
    // Gives back a block from the last `allocate` whose event could not be built; the
    // alignment gap stays taken.
    void unwind(std::byte* block) noexcept { top_ = block; }
    // Lists the event just built in the last allocated block.
    void list(std::uint32_t code, BaseEvent* event, Relocate relocate) noexcept
    {
        entries_.push_back({code, event, relocate});
    }

    // Doubles the buffer. Strong guarantee: on failure the stack is as it was.
    void grow();
    // Destroys the listed events in queue order and empties the stack; the size stays.
    void clear() noexcept;

    const EntryList& entries() const noexcept { return entries_; }
    std::size_t size() const noexcept { return size_; }
    std::size_t used() const noexcept { return static_cast<std::size_t>(top_ - base_.get()); }
    const std::byte* base() const noexcept { return base_.get(); }

    // The relocation of an event of type E, kept beside it in the list.
    template <class E>
    static BaseEvent* relocate(BaseEvent* from, const std::byte* oldBase, std::byte* newBase)
    {
        E* const source = static_cast<E*>(from);
        const auto offset = reinterpret_cast<const std::byte*>(source) - oldBase;
        return ::new (static_cast<void*>(newBase + offset)) E(std::move_if_noexcept(*source));
    }

private:
    std::unique_ptr<std::byte[]> base_;
    std::byte* top_;
    std::size_t size_;
    EntryList entries_;
};

} // namespace Orva
