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

LiveSerial::~LiveSerial()
{
    if (serial_ != 0) {
        liveSerials().erase(serial_);
    }
}

std::uint64_t LiveSerial::get() const noexcept
{
    if (serial_ == 0) {
        serial_ = ++lastSerial;
        liveSerials().insert(serial_);
    }
    return serial_;
}

bool LiveSerial::isLive(std::uint64_t serial) noexcept
{
    return liveSerials().contains(serial);
}

} // namespace Orva
