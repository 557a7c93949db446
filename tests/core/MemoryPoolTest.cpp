#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/MemoryPool.h"

using Orva::MemoryPool;

namespace {

std::uintptr_t address(const void* p)
{
    return reinterpret_cast<std::uintptr_t>(p);
}

} // namespace

TEST(MemoryPool, FreshPoolCarvesBlocksBackToBackAndGrowsOnTheLastOne)
{
    MemoryPool pool(24, 128);
    ASSERT_EQ(pool.chunkCount(), 1);
    const std::byte* first = pool.chunkStart(0);
    EXPECT_EQ(address(first) % MemoryPool::ChunkAlignment, 0u);

    std::vector<void*> blocks;
    for (int i = 0; i < 127; ++i) {
        blocks.push_back(pool.create());
        ASSERT_EQ(blocks.back(), first + 24 * i) << "block " << i;
    }
    EXPECT_EQ(pool.chunkCount(), 1);

    // Handing out the chunk's last block takes the next chunk at once.
    blocks.push_back(pool.create());
    EXPECT_EQ(blocks.back(), first + 24 * 127);
    ASSERT_EQ(pool.chunkCount(), 2);
    EXPECT_EQ(address(pool.chunkStart(1)) % MemoryPool::ChunkAlignment, 0u);

    blocks.push_back(pool.create());
    EXPECT_EQ(blocks.back(), pool.chunkStart(1));
    EXPECT_EQ(pool.blocksInUse(), 129);

    for (void* block : blocks) {
        pool.free(block);
    }
    EXPECT_EQ(pool.blocksInUse(), 0);
}

TEST(MemoryPool, ReusesFreedBlocksLastInFirstOut)
{
    MemoryPool pool(40, 128);
    void* a = pool.create();
    void* b = pool.create();
    void* c = pool.create();
    EXPECT_EQ(pool.blocksInUse(), 3);

    pool.free(a);
    pool.free(b);
    EXPECT_EQ(pool.blocksInUse(), 1);
    EXPECT_EQ(pool.create(), b);
    EXPECT_EQ(pool.create(), a);

    // With the free list empty again, carving resumes after c.
    EXPECT_EQ(pool.create(), static_cast<std::byte*>(c) + 40);
    EXPECT_EQ(pool.blocksInUse(), 4);
}

TEST(MemoryPool, OddBlockSizesKeepLinksAndNeighboursIntact)
{
    // 13-byte blocks put most free-list links at unaligned addresses, and a chunk of 3
    // blocks makes the pool grow often.
    MemoryPool pool(13, 3);
    std::vector<unsigned char*> blocks;
    for (int i = 0; i < 12; ++i) {
        blocks.push_back(static_cast<unsigned char*>(pool.create()));
        std::memset(blocks.back(), i + 1, 13);
    }
    EXPECT_EQ(pool.chunkCount(), 5);

    for (int i = 0; i < 12; i += 2) {
        pool.free(blocks[i]);
    }
    for (int i = 1; i < 12; i += 2) {
        for (int byte = 0; byte < 13; ++byte) {
            ASSERT_EQ(blocks[i][byte], i + 1) << "freeing a neighbour overwrote block " << i;
        }
    }
    for (int i = 10; i >= 0; i -= 2) {
        EXPECT_EQ(pool.create(), blocks[i]);
    }
    EXPECT_EQ(pool.blocksInUse(), 12);
}

TEST(MemoryPool, PoolsAboveTheCarveLimitHandEachRequestToTheHeap)
{
    MemoryPool carving(MemoryPool::CarveLimit, 4);
    EXPECT_TRUE(carving.carves());
    EXPECT_EQ(carving.chunkCount(), 1);

    MemoryPool large(1024, 32);
    EXPECT_FALSE(large.carves());
    EXPECT_EQ(large.chunkCount(), 0);

    auto* a = static_cast<unsigned char*>(large.create());
    auto* b = static_cast<unsigned char*>(large.create());
    EXPECT_NE(a, b);
    // The whole block size is usable, not just what was asked of the manager.
    std::memset(a, 0xA5, 1024);
    std::memset(b, 0x5A, 1024);
    EXPECT_EQ(a[1023], 0xA5);
    EXPECT_EQ(large.blocksInUse(), 0);
    large.free(a);
    large.free(b);
    EXPECT_EQ(large.blocksInUse(), 0);
}
