#pragma once

#include <cstdint>
#include <string>

#include "core/Export.h"

namespace Orva {

// Event codes are the 32-bit FNV-1a hashes of event names. Senders and listeners trade codes;
// the names are remembered only so that counters and reports can show them.
struct ORVA_API EventNameDetails
{
    // Hashes every byte of the name (embedded NULs included, bytes unsigned) and records the
    // name under the code; between two names of one code the last one hashed is kept.
    static std::uint32_t EventToHash(const std::string& name);
    // The name last recorded under the code, or "Event name not added yet.".
    static std::string HashToEvent(std::uint32_t code);

    static constexpr std::uint32_t OffsetBasis = 0x811C9DC5u;
    static constexpr std::uint32_t Prime = 0x01000193u;
};

// The base of everything queued with the event manager. The hash code belongs to whoever
// creates the event: the manager copies it with the event and never reads or writes it.
struct ORVA_API BaseEvent
{
    BaseEvent() = default;
    BaseEvent(const BaseEvent& other) = default;
    // Copies the code only; the target stays the event it was.
    BaseEvent& operator=(const BaseEvent& other) = default;
    virtual ~BaseEvent();

    std::uint32_t hashCode = 0;
};

} // namespace Orva
