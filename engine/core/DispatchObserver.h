#pragma once

#include <cstdint>

#include "core/BaseEvent.h"
#include "core/Export.h"

namespace Orva {

// Watches the event manager's traffic for a layer above the core, which the manager does not
// know: the scripts publish each delivered event as "luaEvent", the analytics count pushes
// and sends. An observer installs itself as its layer starts and removes itself as it goes;
// observers are called in the order they were installed, on the main thread.
struct ORVA_API DispatchObserver
{
    // An event was copied into a stack; one that nobody listens to is dropped unseen.
    virtual void eventQueued(std::uint32_t code);
    // A dispatch begins. dispatchEnded follows however it ends, on every installed observer.
    virtual void dispatchStarted();
    virtual void dispatchEnded() noexcept;
    // Around the listeners of one delivered event, whether it has listeners or not.
    virtual void beforeListeners(std::uint32_t code, BaseEvent* event);
    virtual void afterListeners(std::uint32_t code, BaseEvent* event);

    // Installing one twice, or removing one not installed, changes nothing.
    static void install(DispatchObserver* observer);
    static void remove(DispatchObserver* observer);

protected:
    DispatchObserver() = default;
    DispatchObserver(const DispatchObserver&) = default;
    DispatchObserver& operator=(const DispatchObserver&) = default;
    // Not virtual: observers are never deleted through this interface.
    ~DispatchObserver() = default;
};

} // namespace Orva
