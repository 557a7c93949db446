#include "core/MemoryPool.h"

#include <algorithm>
#include <cstring>
#include <new>

#if ORVA_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace Orva {
namespace {

void poison([[maybe_unused]] void* block, [[maybe_unused]] std::size_t bytes) noexcept
{
#if ORVA_ASAN
    ASAN_POISON_MEMORY_REGION(block, bytes);
#endif
}

void unpoison([[maybe_unused]] void* block, [[maybe_unused]] std::size_t bytes) noexcept
{
#if ORVA_ASAN
    ASAN_UNPOISON_MEMORY_REGION(block, bytes);
#endif
}

constexpr std::align_val_t chunkAlignment{MemoryPool::ChunkAlignment};

} // namespace

MemoryPool::MemoryPool(unsigned blockSize, unsigned blocksPerChunk)
    : blockSize_(std::max<unsigned>(blockSize, sizeof(void*))), blocksPerChunk_(std::max(blocksPerChunk, 1u))
{
    // A pool that hands each request to the heap would never carve its chunk.
    if (carves()) {
        grow();
    }
}

MemoryPool::~MemoryPool()
{
    for (std::byte* chunk : chunks_) {
        unpoison(chunk, chunkBytes());
        ::operator delete(chunk, chunkAlignment);
    }
}

std::size_t MemoryPool::chunkBytes() const noexcept
{
    return static_cast<std::size_t>(blocksPerChunk_) * blockSize_;
}

void MemoryPool::grow()
{
    chunks_.push_back(nullptr);
    try {
        chunks_.back() = static_cast<std::byte*>(::operator new(chunkBytes(), chunkAlignment));
    } catch (...) {
        chunks_.pop_back();
        throw;
    }
    poison(chunks_.back(), chunkBytes());
}

void* MemoryPool::create()
{
    if (!carves()) {
        return ::operator new(blockSize_);
    }
    std::byte* block;
    if (freeListHead_) {
        block = freeListHead_;
        unpoison(block, blockSize_);
        // Links sit at the block start, which odd block sizes leave unaligned.
        std::memcpy(&freeListHead_, block, sizeof freeListHead_);
    } else {
        block = chunks_[currentChunk_] + static_cast<std::size_t>(nextSlot_) * blockSize_;
        // The next chunk is taken as soon as this one's last block goes out. It is taken
        // before anything moves, so a failed growth leaves the pool as it was.
        if (nextSlot_ + 1 == blocksPerChunk_) {
            grow();
            ++currentChunk_;
            nextSlot_ = 0;
        } else {
            ++nextSlot_;
        }
        unpoison(block, blockSize_);
    }
    ++blocksInUse_;
    return block;
}

void MemoryPool::free(void* block) noexcept
{
    if (!carves()) {
        ::operator delete(block, blockSize_);
        return;
    }
    std::memcpy(block, &freeListHead_, sizeof freeListHead_);
    freeListHead_ = static_cast<std::byte*>(block);
    poison(block, blockSize_);
    --blocksInUse_;
}

} // namespace Orva
