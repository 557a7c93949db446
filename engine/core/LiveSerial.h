#pragma once

#include <cstdint>

#include "core/Export.h"

namespace Orva {

// A number no other object of the process ever gets, known as live from its owner's
// construction to its destruction. Scripts keep it beside a pointer they were handed and ask
// whether it is still live before each use, so that an object the engine deleted under them
// is never read. Made and dropped on the main thread, like the objects scripts are handed.
class ORVA_API LiveSerial
{
public:
    LiveSerial();
    ~LiveSerial();

    // A copy is another object: it takes a number of its own, and assignment keeps each
    // object's number.
    LiveSerial(const LiveSerial&) : LiveSerial() {}
    LiveSerial& operator=(const LiveSerial&) noexcept { return *this; }

    std::uint64_t get() const noexcept { return serial_; }
    static bool isLive(std::uint64_t serial) noexcept;

private:
    std::uint64_t serial_;
};

// Makes Owner a class whose pointers scripts hold safely: the script binding keeps each
// pointer's serial and refuses every use once the object is gone ("<class> no longer
// exists"), for Owner and every class derived from it.
template <class Owner> class LiveHandle
{
public:
    static std::uint64_t handleId(const Owner& owner) noexcept
    {
        return static_cast<const LiveHandle&>(owner).serial_.get();
    }
    static bool handleHolds(const Owner* /*slot*/, std::uint64_t id) noexcept { return LiveSerial::isLive(id); }

private:
    LiveSerial serial_;
};

} // namespace Orva
