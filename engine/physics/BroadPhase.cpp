#include "physics/BroadPhase.h"

#include <algorithm>
#include <cmath>

namespace Orva::Physics {

namespace {

// Bounds spanning more cells than this are tested against all the others: fewer tests than
// filling their cells once they are this much larger than most.
constexpr std::int64_t MaxCellsPerEntry = 64;
// Keeps the inverse of the cell size finite.
constexpr double MinCell = 1e-20;

bool isFinite(const BaseCollider::Bounds& bounds) noexcept
{
    return std::isfinite(bounds.left) && std::isfinite(bounds.bottom) && std::isfinite(bounds.right) &&
           std::isfinite(bounds.top);
}

template <class Span, class Visit> void forEachCell(const Span& span, Visit&& visit)
{
    for (std::int32_t y = span.bottom; y <= span.top; ++y) {
        for (std::int32_t x = span.left; x <= span.right; ++x) {
            visit(x, y);
        }
    }
}

} // namespace

void BroadPhase::clear() noexcept
{
    entries_.clear();
}

void BroadPhase::add(std::uint32_t index, const Bounds& bounds)
{
    // Bounds with a NaN overlap nothing.
    if (std::isnan(bounds.left) || std::isnan(bounds.bottom) || std::isnan(bounds.right) ||
        std::isnan(bounds.top)) {
        return;
    }
    entries_.push_back({bounds, index});
}

void BroadPhase::findPairs(PairList& pairs)
{
    if (entries_.size() < 2) {
        return;
    }
    chooseCellSize();
    fillBuckets();
    pairWithin(pairs);
    pairLarge(pairs);
}

// Twice the median width or height: most bounds then span one or two cells each way, and a
// few large ones do not coarsen the grid for the rest.
void BroadPhase::chooseCellSize()
{
    extents_.clear();
    for (const Entry& entry : entries_) {
        const Bounds& bounds = entry.bounds;
        const float extent = std::max(bounds.right - bounds.left, bounds.top - bounds.bottom);
        if (std::isfinite(extent)) {
            extents_.push_back(extent);
        }
    }
    double cell = 0.0;
    if (!extents_.empty()) {
        const auto middle = extents_.begin() + static_cast<std::ptrdiff_t>(extents_.size() / 2);
        std::nth_element(extents_.begin(), middle, extents_.end());
        cell = 2.0 * static_cast<double>(*middle);
    }
    inverseCell_ = 1.0 / std::max(cell, MinCell);
}

// Each bucket's entries in ascending index order, counted first and then placed. About four
// buckets an entry: most span one to four cells.
void BroadPhase::fillBuckets()
{
    int bits = 1;
    while ((std::size_t{1} << bits) < 4 * entries_.size()) {
        ++bits;
    }
    bucketShift_ = 64 - bits;
    bucketMask_ = (std::size_t{1} << bits) - 1;
    bucketStarts_.assign(bucketMask_ + 2, 0);
    spans_.clear();
    large_.clear();
    std::uint32_t total = 0;
    for (std::uint32_t k = 0; k < entries_.size(); ++k) {
        const Bounds& bounds = entries_[k].bounds;
        CellSpan span{0, 0, -1, -1};
        if (isFinite(bounds)) {
            span = {cellOf(bounds.left), cellOf(bounds.bottom), cellOf(bounds.right), cellOf(bounds.top)};
        }
        const std::int64_t cells = (static_cast<std::int64_t>(span.right) - span.left + 1) *
                                   (static_cast<std::int64_t>(span.top) - span.bottom + 1);
        if (cells <= 0 || cells > MaxCellsPerEntry) {
            large_.push_back(k);
            span = {0, 0, -1, -1};
        }
        forEachCell(span, [&](std::int32_t x, std::int32_t y) {
            ++bucketStarts_[bucketOf(x, y)];
            ++total;
        });
        spans_.push_back(span);
    }
    for (std::size_t b = 1; b <= bucketMask_; ++b) {
        bucketStarts_[b] += bucketStarts_[b - 1];
    }
    bucketStarts_[bucketMask_ + 1] = total;
    // From the last entry back, each bucket's end moves down to its start.
    cellEntries_.resize(total);
    for (std::size_t k = entries_.size(); k-- > 0;) {
        forEachCell(spans_[k], [&](std::int32_t x, std::int32_t y) {
            cellEntries_[--bucketStarts_[bucketOf(x, y)]] = entries_[k];
        });
    }
}

// Entries of other cells that share a bucket are tested too: harmless, and rare.
void BroadPhase::pairWithin(PairList& pairs) const
{
    const std::size_t bucketCount = bucketStarts_.size() - 1;
    for (std::size_t b = 0; b < bucketCount; ++b) {
        const std::uint32_t end = bucketStarts_[b + 1];
        for (std::uint32_t first = bucketStarts_[b]; first < end; ++first) {
            const Entry& a = cellEntries_[first];
            for (std::uint32_t second = first + 1; second < end; ++second) {
                const Entry& c = cellEntries_[second];
                if (a.index != c.index && a.bounds.overlaps(c.bounds)) {
                    pairs.push_back(key(a.index, c.index));
                }
            }
        }
    }
}

void BroadPhase::pairLarge(PairList& pairs) const
{
    for (const std::uint32_t k : large_) {
        const Entry& large = entries_[k];
        for (const Entry& other : entries_) {
            if (other.index != large.index && large.bounds.overlaps(other.bounds)) {
                pairs.push_back(key(std::min(large.index, other.index), std::max(large.index, other.index)));
            }
        }
    }
}

} // namespace Orva::Physics
