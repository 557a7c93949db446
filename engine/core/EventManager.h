#pragma once

#include <array>
#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/BaseEvent.h"
#include "core/DispatchObserver.h"
#include "core/EventCallbackObject.h"
#include "core/EventStack.h"
#include "core/Export.h"
#include "core/FunctionHolder.h"
#include "core/ListenerList.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/ScriptEvents.h"
#include "core/Singleton.h"

namespace Orva {

class LuaScriptComponent;

struct ORVA_API OrvaRuntimeExceptionEvent
{
    // The code of "RUNTIME_NO_GO", set when the event manager is made.
    static std::uint32_t RUNTIME_EXCEPTION_HASH_CODE;
};

// The engine's publish/subscribe hub. Senders queue copies of events under a code; once a
// frame PushAllEvents brings listener changes into effect and hands every queued event to
// every listener of its code, in queue order. Events queued by listeners wait for the next
// dispatch, and so do listener registrations and removals made at any time.
class ORVA_API EventManager final : public IEventSender, public Singleton<EventManager>
{
public:
    ORVA_POOLED_OPERATORS(EventManager)

    using Listeners = ListenerList<std::uint32_t, FunctionHolder>;

    static constexpr std::uint32_t STARTING_STACK_SIZE = 0x7FFF;

    EventManager();
    ~EventManager();

    EventManager(const EventManager&) = delete;
    EventManager& operator=(const EventManager&) = delete;

    // Registers the holder for the code from the next dispatch on; an empty holder is ignored.
    void ListenToEvent(std::uint32_t code, FunctionHolder&& holder);
    void ListenToEvent(const std::string& eventName, FunctionHolder&& holder);

    // Copies the event into the current stack, unless nobody listens to the code (pending
    // listeners count), in which case nothing at all happens.
    template <class E> void queueEvent(std::uint32_t code, const E& event);

    // Drops the owner's (code, this manager) record and requests the removal of its listener.
    template <EventListener T> void StopListeningToEvent(std::uint32_t code, T* owner);

    // Requests the removal of the owner's first listener of the code at the next dispatch.
    void stopListening(EventCallbackObject* owner, std::uint32_t code) override;
    void ownerDestroyed(const EventCallbackObject* owner) override;

    // One dispatch on the instance; run by the engine's frame step, never from a listener.
    // When listeners throw, the rest of the dispatch is still delivered and the first
    // exception is rethrown at the end (later ones are reported on stderr).
    static void PushAllEvents();

    // The script side, defined with its bindings in scripting/EventManagerScript.cpp (as is
    // EXPORT_FOR_LUA_SCRIPT): each takes the calling script's component first, and refuses nil
    // (std::invalid_argument) except pushEvent, whose event then has no sender.
    void listenToEventName(LuaScriptComponent* component, const std::string& eventName,
                           const std::string& functionName);
    void listenToEventCode(LuaScriptComponent* component, std::uint32_t code,
                           const std::string& functionName);
    void stopListeningToEventName(LuaScriptComponent* component, const std::string& eventName);
    void stopListeningToEventCode(LuaScriptComponent* component, std::uint32_t code);
    // Queues a LuaEvent from the component under the name's code (which it also carries).
    void pushEvent(LuaScriptComponent* component, const std::string& eventName);

    // Registers "Core"."BaseEvent", "Core"."LuaEvent" and "Core"."EventManager" (global
    // "events") in the script manager's state; until then "luaEvent" is not set during
    // dispatches. A LuaEvent's "ScriptComponent" needs
    // "Core"."LuaScriptComponent" (a component class) too.
    static void EXPORT_FOR_LUA_SCRIPT();

    // Read-only views for diagnostics and tests.
    const EventStack& stack(int index) const noexcept { return stacks_[index]; }
    int currentStackIndex() const noexcept { return currentStack_; }
    const Listeners::Entries* liveListenersOf(std::uint32_t code) const { return listeners_.live(code); }
    const Listeners::Entries* pendingListenersOf(std::uint32_t code) const
    {
        return listeners_.pending(code);
    }
    const Listeners::Removals& pendingRemovals() const noexcept { return listeners_.removals(); }

private:
    void eventQueued(std::uint32_t code) const;
    void dispatchEvents();

    Listeners listeners_;
    std::array<EventStack, 2> stacks_;
    int currentStack_ = 0;
    bool dispatching_ = false;
};

template <class E> void EventManager::queueEvent(std::uint32_t code, const E& event)
{
    static_assert(std::is_base_of_v<BaseEvent, E>, "events derive from BaseEvent");
    static_assert(std::is_copy_constructible_v<E>, "the manager queues a copy of the event");
    static_assert(alignof(E) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__,
                  "the stacks align events to the heap's alignment");
    if (!listeners_.hasAny(code)) {
        return;
    }
    EventStack& target = stacks_[currentStack_];
    std::byte* const block = target.allocate(sizeof(E), alignof(E));
    E* copy = nullptr;
    try {
        copy = ::new (static_cast<void*>(block)) E(event);
    } catch (...) {
        target.unwind(block);
        throw;
    }
    target.list(code, copy, &EventStack::relocate<E>);
    eventQueued(code);
}

template <EventListener T> void EventManager::StopListeningToEvent(std::uint32_t code, T* owner)
{
    EventCallbackObject& record = owner->getEventCallbackObject();
    record.removeSubscription(code, this);
    listeners_.remove(code, &record);
}

} // namespace Orva
