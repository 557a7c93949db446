#pragma once

#include <cstdint>

#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"

namespace Orva {

class LuaScriptComponent;

// The listener that every "listen" operation takes: owns exactly one callable, either a
// member function of an engine object or a named global function of a script. Move-only;
// a second holder for the same target comes from clone().
class ORVA_API FunctionHolder
{
public:
    // The callable behind a holder. Besides being called with the event it knows its owner:
    // it records subscriptions in the owner's EventCallbackObject and tells senders which
    // record it belongs to.
    struct ORVA_API CallableFunction
    {
        virtual CallableFunction* clone() const = 0;
        virtual void call(BaseEvent* event) = 0;
        virtual ~CallableFunction();
        // The record's address taken at construction, so a sender can ask after the owner is
        // gone; it never changes.
        virtual const EventCallbackObject* owner() const noexcept = 0;
        bool isOwnedBy(const EventCallbackObject* record) const noexcept { return record == owner(); }
        virtual void addEventCallback(std::uint32_t code, IEventSender* sender) = 0;

    protected:
        CallableFunction() = default;
        CallableFunction(const CallableFunction&) = default;
        CallableFunction& operator=(const CallableFunction&) = default;
    };

    template <EventListener T> struct MemberFunctionHolder;
    // Defined beside the script binding, in scripting/LuaFunctionHolder.cpp.
    struct LuaFunctionHolder;

    // A callable kind with no behaviour; nothing in the engine makes one.
    struct ORVA_API NullFunction
    {
        ORVA_POOLED_OPERATORS_WITH_ARRAYS(NullFunction)
    };

    ORVA_POOLED_OPERATORS_WITH_ARRAYS(FunctionHolder)

    // An empty holder, the state a moved-from holder is left in.
    FunctionHolder() noexcept = default;

    // Calls `(object->*member)(event)`; the object has to outlive the holder's registration.
    template <EventListener T> FunctionHolder(T* object, void (T::*member)(BaseEvent*));

    // Calls the script global `functionName` with the component's "luaObject". A name that
    // is not a global function is reported as a LuaExceptionEvent under "LUA_EXCEPTION"; the
    // holder is made all the same and each call on it raises the script error.
    FunctionHolder(LuaScriptComponent* component, const char* functionName);

    FunctionHolder(FunctionHolder&& other) noexcept;
    FunctionHolder& operator=(FunctionHolder&& other) noexcept;
    ~FunctionHolder();

    // A new holder whose callable targets the same function and owner; empty from empty.
    FunctionHolder clone() const;

    explicit operator bool() const noexcept { return callable_ != nullptr; }
    CallableFunction* callable() const noexcept { return callable_; }
    CallableFunction* operator->() const noexcept { return callable_; }

    // Set by a sender when the owner is destroyed while the holder may still be called;
    // the sender skips it until the owner's removal request takes it away.
    void markDead() noexcept { dead_ = true; }
    bool isDead() const noexcept { return dead_; }

private:
    explicit FunctionHolder(CallableFunction* callable) noexcept : callable_(callable) {}

    CallableFunction* callable_ = nullptr;
    bool dead_ = false;
};

template <EventListener T>
struct FunctionHolder::MemberFunctionHolder final : FunctionHolder::CallableFunction
{
    using Member = void (T::*)(BaseEvent*);

    ORVA_POOLED_OPERATORS(MemberFunctionHolder)

    MemberFunctionHolder(Member member, T* object)
        : member(member), object(object), record(&object->getEventCallbackObject())
    {
    }

    CallableFunction* clone() const override { return new MemberFunctionHolder(*this); }
    void call(BaseEvent* event) override { (object->*member)(event); }
    const EventCallbackObject* owner() const noexcept override { return record; }
    void addEventCallback(std::uint32_t code, IEventSender* sender) override
    {
        record->addSubscription(code, sender);
    }

    Member member;
    T* object;
    EventCallbackObject* record;
};

template <EventListener T>
FunctionHolder::FunctionHolder(T* object, void (T::*member)(BaseEvent*))
    : callable_(new MemberFunctionHolder<T>(member, object))
{
}

} // namespace Orva
