#pragma once

#include <type_traits>
#include <utility>

#include "core/Export.h"
#include "core/TypeName.h"

namespace Orva {

// Whether getInstance() may make the instance itself. Only the engine object does; every
// other manager is made by the engine's start-up (or adopted through linkInstance) and its
// getInstance() merely returns it. Exported as the template is: clang gives an instance
// the narrowest visibility of its arguments, and a hidden one would give the library and
// each program a singleton of its own.
enum class ORVA_API SingletonCreation { Explicit, OnFirstUse };

namespace detail {
// Reports a getInstance() with no instance set and aborts: the caller needs a reference and
// there is nothing sound to hand back.
[[noreturn]] ORVA_API void reportMissingSingleton(const std::string& typeName);
} // namespace detail

// The managers' singleton convention, inherited once:
//
//     class ORVA_API EventManager : public Singleton<EventManager> { ... };
//
// getInstance() returns the instance; linkInstance(p) adopts p only while none is set;
// destroyInstance() deletes the instance if there is one and clears it. A manager whose
// constructor is private befriends Singleton<Manager>. A manager that must do work before
// it is deleted hides destroyInstance() with its own and then calls this one.
template <class T, SingletonCreation Creation = SingletonCreation::Explicit> class ORVA_API Singleton
{
public:
    static T& getInstance()
    {
        if constexpr (Creation == SingletonCreation::OnFirstUse) {
            return createInstance();
        } else {
            if (!instance_) {
                detail::reportMissingSingleton(typeName<T>());
            }
            return *instance_;
        }
    }

    static bool hasInstance() noexcept { return instance_ != nullptr; }

    // Adopts the given object unless an instance is already set; then the call changes
    // nothing and the caller keeps ownership of what it passed.
    static void linkInstance(T* instance) noexcept
    {
        if (!instance_) {
            instance_ = instance;
        }
    }

    // Makes the instance from the arguments when none is set; an instance set earlier stays.
    template <class... Args> static T& createInstance(Args&&... args)
    {
        if (!instance_) {
            instance_ = new T(std::forward<Args>(args)...);
        }
        return *instance_;
    }

    // The instance stays set while its destructor runs. A destructor allowed to throw passes
    // its exception on, with the instance cleared and its memory released all the same.
    static void destroyInstance() noexcept(std::is_nothrow_destructible_v<T>)
    {
        struct ClearOnExit
        {
            ~ClearOnExit() { instance_ = nullptr; }
        } clear;
        delete instance_;
    }

protected:
    Singleton() = default;
    ~Singleton() = default;

private:
    inline static T* instance_ = nullptr;
};

} // namespace Orva
