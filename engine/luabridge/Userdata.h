#pragma once

#include <lua.hpp>

#include <concepts>
#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <typeinfo>

#include "core/Export.h"
#include "luabridge/Stack.h"

namespace luabridge {

/// Declares T a by-value class: every script copy lives inside a Lua-owned userdata whose
/// collection runs ~T. Specialise once per type, before any binding uses it:
///     template <> struct luabridge::ByValue<Color> : std::true_type {};
/// Every other class crosses by pointer and is never owned by the script.
template <class T> struct ByValue : std::false_type
{
};

template <class T> inline constexpr bool isByValue = ByValue<std::remove_cv_t<T>>::value;

/// Pooled objects. A class whose objects live in slots that are freed and handed to other
/// objects while scripts still hold them opts in, for itself and every class derived from
/// it, by declaring two public static functions, S being the class that declares them:
///     static std::uint64_t handleId(const S& object) noexcept;
///     static bool handleHolds(const S* slot, std::uint64_t id) noexcept;
/// Each push of a pointer of such a class keeps, beside the pointer, the object's slot (the
/// S part of it) and handleId of the object, the id it has then. Before any use of the
/// script object (a call, a property read or write, its passing as an argument),
/// handleHolds tells whether the slot still holds an object with that id; it must read
/// nothing but what the slot keeps between two objects. When it does not, the use raises
/// "<class> no longer exists" and the slot is never touched. Two such script objects are
/// equal when they name the same slot and id. Nothing else is needed: every push of the
/// class, by any binding, keeps the id.
template <class T>
concept PooledClass = requires(const T& object)
{
    {
        T::handleHolds(&object, T::handleId(object))
        } -> std::same_as<bool>;
};

/// Where a pooled object sat and the id it had when its pointer was pushed.
struct HandleStamp
{
    const void* slot;
    std::uint64_t id;
};

/// A pooled class's two functions, over the object as its class's void pointer; both null
/// for every other class.
struct HandleHooks
{
    HandleStamp (*stamp)(void* object) = nullptr;
    bool (*holds)(const HandleStamp& stamp) = nullptr;
};

/// What the binding knows of one C++ type, whichever interpreter registered it.
struct ORVA_API ClassInfo
{
    ClassInfo(const std::type_info& cppType, void (*destroy)(void*), bool trivialDestructor,
              HandleHooks handleHooks);

    /// The script name, else the C++ name (for messages about unregistered types).
    std::string displayName() const;
    bool byValue() const { return destroyValue != nullptr; }

    const std::type_info& type;
    void (*const destroyValue)(void*);
    /// By-value objects with a destructor that does nothing are freed without a finaliser,
    /// which the collector would otherwise call on every one.
    const bool trivialDestructor;
    const HandleHooks handle;
    std::string name;
    const ClassInfo* parent = nullptr;
    void* (*toParent)(void*) = nullptr;
};

/// A script object: the object's address (the inline value for by-value classes) and the
/// class it was pushed as. A null object is an invalidated pointer.
struct Userdata
{
    void* object;
    const ClassInfo* cls;
};

/// The script object of a pooled class's pointer.
struct HandleUserdata : Userdata
{
    HandleStamp stamp;
};

/// Clears the pointer userdata at index, so that any later use raises an error naming its
/// class. Anything else at index is left alone.
ORVA_API void invalidate(lua_State* L, int index);

/// Whether cls has a script class in L (registration is per interpreter).
ORVA_API bool isRegistered(lua_State* L, const ClassInfo& cls);

namespace detail {

template <class T> void destroyValue(void* object)
{
    static_cast<T*>(object)->~T();
}

template <class T> constexpr void (*valueDestructor())(void*)
{
    if constexpr (isByValue<T>) {
        return &destroyValue<T>;
    } else {
        return nullptr;
    }
}

/// The class S that declares a pooled class's functions, read from handleHolds.
template <class F> struct HandleSlot;
template <class S> struct HandleSlot<bool (*)(const S*, std::uint64_t) noexcept>
{
    using Type = S;
};
template <class S> struct HandleSlot<bool (*)(const S*, std::uint64_t)>
{
    using Type = S;
};

template <class T> constexpr HandleHooks handleHooks()
{
    if constexpr (PooledClass<T>) {
        using Slot = typename HandleSlot<decltype(&T::handleHolds)>::Type;
        return {[](void* object) {
                    // The object is alive here: the upcast to its slot part is sound.
                    const Slot& slot = *static_cast<const T*>(object);
                    return HandleStamp{&slot, T::handleId(slot)};
                },
                [](const HandleStamp& stamp) {
                    return T::handleHolds(static_cast<const Slot*>(stamp.slot), stamp.id);
                }};
    } else {
        return {};
    }
}

} // namespace detail

/// Created on first use, so a signature may name a type before its registration.
template <class T> ORVA_API ClassInfo& classInfo()
{
    static_assert(std::is_same_v<T, std::remove_cv_t<T>>);
    static ClassInfo info(typeid(T), detail::valueDestructor<T>(), std::is_trivially_destructible_v<T>,
                          detail::handleHooks<T>());
    return info;
}

template <class T> bool isRegistered(lua_State* L)
{
    return isRegistered(L, classInfo<T>());
}

namespace detail {

/// Indexes of a class metatable's array part.
enum MetatableSlot {
    MembersSlot = 1, // name -> function, or Accessor userdata for data and properties
    SettersSlot,     // name -> Accessor userdata, or false when read-only
    ParentSlot,      // metatable of the script parent
    ClassSlot,       // light userdata: the ClassInfo, marking the userdata as ours
    StaticsSlot,     // the class table scripts see
};

/// Upvalues of every bound function, and only of those: a C closure with this many, the last
/// a light userdata, is one (listBindings reads them).
enum FunctionUpvalue {
    CallableUpvalue = 1, // the callable, until collected
    NameUpvalue,         // the name it is bound under, for argument errors
    SignatureUpvalue,    // its SignatureInfo
};

struct SignatureInfo;

/// A data member or property accessor: reads the object at index 1 (and the new value at 2).
/// The signature is the getter's or the setter's, for listings.
struct Accessor
{
    int (*invoke)(lua_State* L, Accessor* self);
    const SignatureInfo* signature;
};

template <class T> struct ValueUserdata
{
    Userdata header;
    alignas(T) unsigned char storage[sizeof(T)];
};

/// Pushes cls's metatable; throws std::logic_error when cls is not registered in L.
ORVA_API void pushMetatable(lua_State* L, const ClassInfo& cls);
/// Our userdata at index, or null for any other value.
ORVA_API Userdata* toUserdata(lua_State* L, int index);
/// The object at index as a pointer to target, upcast along the script chain. Raises the
/// argument error for another value, for nil unless nilAllowed, and for an invalidated object.
ORVA_API void* toObject(lua_State* L, int index, const ClassInfo& target, bool nilAllowed);
ORVA_API void pushPointer(lua_State* L, void* object, const ClassInfo& cls);
/// The registered class of a dynamic type whose script chain reaches staticClass, else null.
ORVA_API const ClassInfo* dynamicClass(lua_State* L, const std::type_info& type,
                                       const ClassInfo& staticClass);
/// Creates and pushes cls's metatable in L, under parent's when given.
ORVA_API void newClassMetatable(lua_State* L, const ClassInfo& cls, const ClassInfo* parent);
ORVA_API void registerClassType(const ClassInfo& cls);
/// Raises "'<key>' is read-only" for the key at keyIndex.
[[noreturn]] ORVA_API void readOnlyError(lua_State* L, int keyIndex);

template <class T> T* toObjectPointer(lua_State* L, int index, bool nilAllowed)
{
    return static_cast<T*>(toObject(L, index, classInfo<std::remove_cv_t<T>>(), nilAllowed));
}

/// Constructs a by-value object in a new userdata and pushes it.
template <class T, class... Args> T* emplaceValue(lua_State* L, Args&&... args)
{
    static_assert(alignof(T) <= 8, "Lua aligns userdata to 8 bytes");
    const ClassInfo& cls = classInfo<T>();
    const int top = lua_gettop(L);
    pushMetatable(L, cls);
    auto* box = static_cast<ValueUserdata<T>*>(lua_newuserdata(L, sizeof(ValueUserdata<T>)));
    struct PopOnThrow
    {
        lua_State* L;
        int top;
        bool constructed = false;
        ~PopOnThrow()
        {
            if (!constructed) {
                lua_settop(L, top);
            }
        }
    } guard{L, top};
    T* value = new (box->storage) T(std::forward<Args>(args)...);
    guard.constructed = true;
    box->header = {value, &cls};
    lua_insert(L, -2);
    lua_setmetatable(L, -2);
    return value;
}

/// Pushes a pointer of a class that crosses by pointer, as its dynamic type when that is
/// registered under T. Null pushes nil.
template <class T> void pushObjectPointer(lua_State* L, T* object)
{
    using Class = std::remove_cv_t<T>;
    if (!object) {
        lua_pushnil(L);
        return;
    }
    const ClassInfo* cls = &classInfo<Class>();
    const void* address = object;
    if constexpr (std::is_polymorphic_v<Class>) {
        const std::type_info& dynamicType = typeid(*object);
        if (dynamicType != typeid(Class)) {
            if (const ClassInfo* dynamic = dynamicClass(L, dynamicType, *cls)) {
                cls = dynamic;
                address = dynamic_cast<const void*>(object);
            }
        }
    }
    pushPointer(L, const_cast<void*>(address), *cls);
}

} // namespace detail

/// A registered class passed by value: by-value classes push a copy; reading gives the object.
template <class T>
requires std::is_class_v<T>
struct Stack<T>
{
    static constexpr bool isObject = true;

    static void push(lua_State* L, const T& value)
    {
        static_assert(isByValue<T>, "this class crosses by pointer: push a T* or T&");
        detail::emplaceValue<std::remove_cv_t<T>>(L, value);
    }
    static T& get(lua_State* L, int index) { return *detail::toObjectPointer<T>(L, index, false); }
};

template <class T>
concept ScriptObject = std::is_class_v<T> && requires
{
    Stack<T>::isObject;
};

/// Pointers: nil and null correspond; a by-value class pushes a copy of the pointee.
template <class T>
requires(std::is_object_v<T> && !std::is_same_v<std::remove_cv_t<T>, char>) struct Stack<T*>
{
    static void push(lua_State* L, T* value)
    {
        if constexpr (isByValue<T>) {
            if (value) {
                detail::emplaceValue<std::remove_cv_t<T>>(L, *value);
            } else {
                lua_pushnil(L);
            }
        } else {
            detail::pushObjectPointer(L, value);
        }
    }
    static T* get(lua_State* L, int index) { return detail::toObjectPointer<T>(L, index, true); }
};

template <class T>
requires ScriptObject<std::remove_cv_t<T>>
struct Stack<T&>
{
    static void push(lua_State* L, T& value) { Stack<T*>::push(L, &value); }
    static T& get(lua_State* L, int index) { return *detail::toObjectPointer<T>(L, index, false); }
};

/// Constant references to everything else convert like the value.
template <class T>
requires(!ScriptObject<T>) struct Stack<const T&> : Stack<T>
{
};

} // namespace luabridge
