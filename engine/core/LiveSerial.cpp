#include "core/LiveSerial.h"

#include <unordered_set>

namespace Orva {

namespace {

std::uint64_t lastSerial = 0;

// Never destroyed, so objects that outlive static destruction still leave it.
std::unordered_set<std::uint64_t>& liveSerials()
{
    static auto* const serials = new std::unordered_set<std::uint64_t>();
    return *serials;
}

} // namespace

LiveSerial::LiveSerial() : serial_(++lastSerial)
{
    liveSerials().insert(serial_);
}

LiveSerial::~LiveSerial()
{
    liveSerials().erase(serial_);
}

bool LiveSerial::isLive(std::uint64_t serial) noexcept
{
    return liveSerials().contains(serial);
}

} // namespace Orva
