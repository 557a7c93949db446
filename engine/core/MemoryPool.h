#pragma once

#include <cstddef>
#include <vector>

#include "core/Export.h"

namespace Orva {

// A pool of fixed-size blocks carved from large chunks, with an intrusive free list. Freed
// blocks are reused last-in, first-out; chunks stay until the pool is destroyed. Pools whose
// blocks exceed CarveLimit bytes do not carve at all: each request is its own heap block of
// blockSize() bytes.
//
// In the AddressSanitizer build, every block that is not handed out (uncarved or on the
// free list) is poisoned, so touching a released block is reported.
class ORVA_API MemoryPool
{
public:
    static constexpr unsigned CarveLimit = 512;
    // Chunk starts are aligned for any scalar type; blocks inside follow at multiples of
    // the block size, so a block is as aligned as its size allows.
    static constexpr std::size_t ChunkAlignment = alignof(std::max_align_t);

    // Block sizes below a pointer are raised to one pointer: a free block holds the link.
    MemoryPool(unsigned blockSize, unsigned blocksPerChunk);
    ~MemoryPool();

    MemoryPool(const MemoryPool&) = delete;
    MemoryPool& operator=(const MemoryPool&) = delete;

    // One block of blockSize() bytes. Throws std::bad_alloc when the heap is exhausted; the
    // pool is unchanged then.
    void* create();
    // Takes back a block that create() of this pool handed out.
    void free(void* block) noexcept;

    bool carves() const noexcept { return blockSize_ <= CarveLimit; }
    unsigned blockSize() const noexcept { return blockSize_; }
    unsigned blocksPerChunk() const noexcept { return blocksPerChunk_; }
    // Blocks handed out and not yet freed; always 0 for a pool that does not carve.
    int blocksInUse() const noexcept { return blocksInUse_; }
    int chunkCount() const noexcept { return static_cast<int>(chunks_.size()); }
    const std::byte* chunkStart(int index) const noexcept { return chunks_[static_cast<std::size_t>(index)]; }

private:
    // Adds one chunk; the whole chunk starts out poisoned.
    void grow();
    std::size_t chunkBytes() const noexcept;

    std::vector<std::byte*> chunks_;
    std::byte* freeListHead_ = nullptr;
    unsigned blockSize_;
    unsigned blocksPerChunk_;
    unsigned currentChunk_ = 0;
    unsigned nextSlot_ = 0;
    int blocksInUse_ = 0;
};

} // namespace Orva
