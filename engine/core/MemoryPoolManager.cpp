#include "core/MemoryPoolManager.h"

#include <algorithm>
#include <bit>
#include <new>
#include <ostream>

namespace Orva {
namespace {

// Blocks per chunk of the size classes 512 to 1023, 1024 to 2047, ... 1 MiB to 2 MiB − 1.
constexpr std::array<unsigned, MemoryPoolManager::SizeClassCount> sizeClassBlocksPerChunk{
    32, 32, 32, 32, 32, 16, 16, 8, 8, 4, 4, 2};

constexpr unsigned smallestSizeClassBlock = 1024;

// Live counts wrap rather than overflow: a count is a report, never a reason to stop.
int wrappingAdd(int value, unsigned delta) noexcept
{
    return static_cast<int>(static_cast<unsigned>(value) + delta);
}

constexpr const char* dumpRule = "===============================================";

} // namespace

std::uint64_t MemoryPoolManager::lastSerial_ = 0;

MemoryPoolManager::MemoryPoolManager()
{
    pools_[SharedSmallSlot] =
        std::make_unique<MemoryPool>(static_cast<unsigned>(SharedSmallSlot), ExactSizeBlocksPerChunk);
    for (std::size_t k = 0; k < SizeClassCount; ++k) {
        pools_[ExactSizeSlots + k] =
            std::make_unique<MemoryPool>(smallestSizeClassBlock << k, sizeClassBlocksPerChunk[k]);
    }
}

MemoryPoolManager::~MemoryPoolManager() = default;

const MemoryPool* MemoryPoolManager::poolInSlot(std::size_t slot) const noexcept
{
    if (slot >= SlotCount) {
        return nullptr;
    }
    return pools_[std::max(slot, SharedSmallSlot)].get();
}

MemoryPool* MemoryPoolManager::poolForSize(std::size_t bytes)
{
    if (bytes < ExactSizeSlots) {
        std::unique_ptr<MemoryPool>& pool = pools_[std::max(bytes, SharedSmallSlot)];
        if (!pool) {
            pool = std::make_unique<MemoryPool>(static_cast<unsigned>(bytes), ExactSizeBlocksPerChunk);
        }
        return pool.get();
    }
    if (bytes >= LargeRequestBytes) {
        return nullptr;
    }
    // 512 to 1023 bytes is class 0, then one class per power of two.
    const std::size_t sizeClass = static_cast<std::size_t>(std::bit_width(bytes)) - 10;
    return pools_[ExactSizeSlots + sizeClass].get();
}

int& MemoryPoolManager::liveCountEntry(std::string_view typeName)
{
    auto entry = liveCounts_.find(typeName);
    if (entry == liveCounts_.end()) {
        entry = liveCounts_.emplace(std::string(typeName), 0).first;
    }
    return entry->second;
}

void MemoryPoolManager::adjustLiveCount(std::string_view typeName, int delta)
{
    int& live = liveCountEntry(typeName);
    live = wrappingAdd(live, static_cast<unsigned>(delta));
}

int MemoryPoolManager::liveCount(std::string_view typeName) const noexcept
{
    const auto entry = liveCounts_.find(typeName);
    return entry == liveCounts_.end() ? 0 : entry->second;
}

void* MemoryPoolManager::allocateCounted(int& live, std::size_t bytes, unsigned count)
{
    // The count is raised last, so a failure leaves no phantom instance in the report.
    MemoryPool* pool = poolForSize(bytes);
    void* block = pool ? pool->create() : ::operator new(bytes);
    live = wrappingAdd(live, count);
    return block;
}

void MemoryPoolManager::freeCounted(int& live, void* block, std::size_t bytes, unsigned count)
{
    if (MemoryPool* pool = poolForSize(bytes)) {
        pool->free(block);
    } else {
        ::operator delete(block, bytes);
    }
    live = wrappingAdd(live, 0u - count);
}

void MemoryPoolManager::MemoryDump(std::ostream& out)
{
    const MemoryPoolManager& manager = getInstance();
    out << dumpRule << std::endl;
    out << "Memory manager printing list of objects that are not yet freed." << std::endl;
    for (const auto& [name, live] : manager.liveCounts_) {
        if (live != 0) {
            out << '\t' << name << " has : " << live << " number of intance(s) not freed.\n" << std::endl;
        }
    }
    out << "Memory manager printing list of memory that are not yet freed." << std::endl;
    for (std::size_t slot = 0; slot < ExactSizeSlots; ++slot) {
        const MemoryPool* pool = manager.poolInSlot(slot);
        if (pool && pool->blocksInUse() != 0) {
            out << "Pool size " << slot << " has " << pool->blocksInUse() << " item(s) in use.\n"
                << std::endl;
        }
    }
    out << "End of memory dump" << std::endl;
    out << dumpRule << std::endl;
}

} // namespace Orva
