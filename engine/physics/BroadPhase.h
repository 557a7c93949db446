#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/OrvaAllocator.h"
#include "physics/BaseCollider.h"

namespace Orva::Physics {

// Finds the pairs of bounds that overlap among those added since the last clear, at a cost
// that grows with the bounds and the pairs near each other rather than with every pair: a
// hashed grid of cells about twice as wide as the median bounds. Bounds that span many
// cells, or reach to infinity, are tested against all the others instead.
class BroadPhase
{
public:
    using Bounds = BaseCollider::Bounds;
    // A pair of list indices, the lower one in the high half: sorted keys give the pairs in
    // list order.
    using PairKey = std::uint64_t;
    using PairList = std::vector<PairKey, OrvaAllocator<PairKey>>;

    static PairKey key(std::uint32_t lower, std::uint32_t higher) noexcept
    {
        return static_cast<PairKey>(lower) << 32 | higher;
    }
    static std::uint32_t lowerOf(PairKey pair) noexcept { return static_cast<std::uint32_t>(pair >> 32); }
    static std::uint32_t higherOf(PairKey pair) noexcept { return static_cast<std::uint32_t>(pair); }

    void clear() noexcept;
    // In ascending index order.
    void add(std::uint32_t index, const Bounds& bounds);
    // Appends the key of every pair whose bounds overlap, unsorted and some more than once.
    void findPairs(PairList& pairs);

private:
    struct Entry
    {
        Bounds bounds;
        std::uint32_t index;
    };
    struct CellSpan
    {
        std::int32_t left;
        std::int32_t bottom;
        std::int32_t right;
        std::int32_t top;
    };
    template <class T> using List = std::vector<T, OrvaAllocator<T>>;

    void chooseCellSize();
    // Monotonic in value, so bounds that overlap always share a cell. Far-off bounds share
    // the edge cells: still correct, only slower there.
    std::int32_t cellOf(float value) const noexcept
    {
        constexpr double limit = 1 << 30;
        const double cell = std::floor(static_cast<double>(value) * inverseCell_);
        return static_cast<std::int32_t>(std::clamp(cell, -limit, limit));
    }
    // A row's cells sit side by side, so bounds listed near each other in space fill nearby
    // buckets; rows are scattered.
    std::size_t bucketOf(std::int32_t x, std::int32_t y) const noexcept
    {
        const std::uint64_t row =
            static_cast<std::uint64_t>(static_cast<std::uint32_t>(y)) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(((row >> bucketShift_) + static_cast<std::uint32_t>(x)) &
                                        bucketMask_);
    }
    void fillBuckets();
    void pairWithin(PairList& pairs) const;
    void pairLarge(PairList& pairs) const;

    List<Entry> entries_;
    List<CellSpan> spans_;
    // Indices into entries_ of those left out of the grid.
    List<std::uint32_t> large_;
    List<float> extents_;
    // Bucket b holds cellEntries_[bucketStarts_[b] .. bucketStarts_[b + 1]).
    List<std::uint32_t> bucketStarts_;
    List<Entry> cellEntries_;
    double inverseCell_ = 1.0;
    int bucketShift_ = 63;
    std::size_t bucketMask_ = 1;
};

} // namespace Orva::Physics
