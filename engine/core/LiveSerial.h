#pragma once

#include <cstdint>

#include "core/Export.h"

namespace Orva {

// A number no other object of the process ever gets, known as live from the first time it is
// asked for to its owner's destruction. Scripts keep it beside a pointer they were handed and
// ask whether it is still live before each use, so that an object the engine deleted under
// them is never read. Objects no script ever sees (most actions, cloned by the thousand) never
// take one. Made and dropped on the main thread, like the objects scripts are handed.
class ORVA_API LiveSerial
{
public:
    LiveSerial() = default;
    ~LiveSerial();

    // A copy is another object: it takes a number of its own when asked, and assignment keeps
    // each object's number.
    LiveSerial(const LiveSerial&) noexcept {}
    LiveSerial& operator=(const LiveSerial&) noexcept { return *this; }

    std::uint64_t get() const noexcept;
    static bool isLive(std::uint64_t serial) noexcept;

private:
    mutable std::uint64_t serial_ = 0;
};

// Makes Owner a class whose pointers scripts hold safely: the script binding keeps each
// pointer's serial and refuses every use once the object is gone ("<class> no longer
// exists"), for Owner and every class derived from it.
template <class Owner> class ORVA_API LiveHandle
{
public:
    static std::uint64_t handleId(const Owner& owner) noexcept
    {
        return static_cast<const LiveHandle&>(owner).serial_.get();
    }
    static bool handleHolds(const Owner* /*slot*/, std::uint64_t id) noexcept
    {
        return LiveSerial::isLive(id);
    }

private:
    LiveSerial serial_;
};

} // namespace Orva
