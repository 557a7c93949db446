#pragma once

#include <lua.hpp>

#include <type_traits>
#include <utility>
#include <vector>

#include "core/Export.h"
#include "luabridge/Call.h"
#include "luabridge/LuaRef.h"
#include "luabridge/Userdata.h"

namespace luabridge {

template <class T> class Class;

/// A global table of bindings, opened by chained calls:
///     getGlobalNamespace(L).beginNamespace("Core").beginClass<Foo>("Foo")...endClass().endNamespace();
/// Adding a name that exists replaces the entry. Nothing is ever unregistered.
class ORVA_API Namespace
{
public:
    /// Opens the sub-table name, created empty when missing.
    Namespace beginNamespace(const char* name) const;
    /// Back to the enclosing namespace; the global namespace has none (std::logic_error).
    Namespace endNamespace() const;

    /// A free function, lambda (captures included) or std::function; overloads are chosen
    /// with static_cast. Captured state is destroyed when the interpreter collects it.
    template <class F> Namespace& addFunction(const char* name, F fn);

    /// A live variable: scripts read and write *variable itself. Writing a read-only one
    /// raises "'<name>' is read-only".
    template <class T> Namespace& addVariable(const char* name, T* variable, bool writable = true);

    /// Opens the script class of T; a class registered before is reopened.
    template <class T> Class<T> beginClass(const char* name);

    /// Opens the script class of Derived under Base, which must be registered already (in any
    /// namespace), else std::logic_error.
    template <class Derived, class Base> Class<Derived> deriveClass(const char* name);

    lua_State* state() const { return tables_.back().state(); }

private:
    friend ORVA_API Namespace getGlobalNamespace(lua_State* L);
    template <class T> friend class Class;

    explicit Namespace(std::vector<LuaRef> tables);

    /// Sets table[name] to the value on top of the stack, which it pops.
    void setEntry(const char* name) const;
    /// Sets the variable's getter and setter (or false), the two values on top, which it pops.
    void setVariable(const char* name) const;
    /// Opens cls's class here and returns its class table.
    LuaRef openClass(const char* name, ClassInfo& cls, const ClassInfo* parent,
                     void* (*toParent)(void*)) const;

    // From the global table down to this namespace.
    std::vector<LuaRef> tables_;
};

ORVA_API Namespace getGlobalNamespace(lua_State* L);

namespace detail {

/// Sets member name of cls's metatable in L to the value on top, which it pops.
ORVA_API void setMember(lua_State* L, const ClassInfo& cls, const char* name);
/// Sets data or property name of cls: getter and setter (or false) on top, which it pops.
ORVA_API void setAccessor(lua_State* L, const ClassInfo& cls, const char* name);
/// Makes the class table callable: the function on top, which it pops, constructs.
ORVA_API void setConstructor(const LuaRef& statics);
/// Pushes the variables of the namespace table at index: its getters (name -> Accessor)
/// and then its setters (name -> Accessor, or false when read-only). Without variables it
/// pushes nothing and returns false.
ORVA_API bool pushVariableTables(lua_State* L, int index);

template <class D, class B> void* upcast(void* object)
{
    return static_cast<B*>(static_cast<D*>(object));
}

} // namespace detail

/// Registration of one class, reached from Namespace::beginClass or deriveClass.
template <class T> class Class
{
public:
    /// Calling the class table default-constructs a by-value object; arguments are ignored.
    template <class Signature> Class& addConstructor()
    {
        static_assert(isByValue<T>, "only by-value classes are constructed by scripts");
        const detail::StackRestore restore(state());
        lua_pushcfunction(state(), &detail::constructValue<T>);
        detail::setConstructor(statics_);
        return *this;
    }

    /// A member function (const or not), or a proxy callable taking the object first.
    template <class F> Class& addFunction(const char* name, F fn)
    {
        const detail::StackRestore restore(state());
        detail::pushFunction<detail::BoundSignature<T, F>>(state(), std::move(fn), name);
        detail::setMember(state(), classInfo<T>(), name);
        return *this;
    }

    template <class F> Class& addStaticFunction(const char* name, F fn)
    {
        static_assert(!std::is_member_pointer_v<F>, "a static function takes no object");
        const detail::StackRestore restore(state());
        statics_.push();
        detail::pushFunction<detail::CallableSignature<F>>(state(), std::move(fn), name);
        lua_setfield(state(), -2, name);
        return *this;
    }

    /// A data member read and written in place; by-value members read as copies.
    template <class U, class C> Class& addData(const char* name, U C::*member, bool writable = true)
    {
        static_assert(std::is_base_of_v<C, T>, "the member belongs to another class");
        const detail::StackRestore restore(state());
        detail::pushAccessor(state(), [member](const T& object) -> const U& { return object.*member; });
        if constexpr (std::is_copy_assignable_v<U>) {
            if (writable) {
                detail::pushAccessor(state(),
                                     [member](T& object, const U& value) { object.*member = value; });
            } else {
                lua_pushboolean(state(), false);
            }
        } else {
            lua_pushboolean(state(), false);
        }
        detail::setAccessor(state(), classInfo<T>(), name);
        return *this;
    }

    /// A read-only property: a const member function or a callable taking the object.
    template <class Get> Class& addProperty(const char* name, Get get)
    {
        const detail::StackRestore restore(state());
        pushGetter(std::move(get));
        lua_pushboolean(state(), false);
        detail::setAccessor(state(), classInfo<T>(), name);
        return *this;
    }

    /// A property written through set: a member function or a callable taking the object
    /// and the new value.
    template <class Get, class Set> Class& addProperty(const char* name, Get get, Set set)
    {
        const detail::StackRestore restore(state());
        pushGetter(std::move(get));
        detail::newBox<detail::AccessorBox<detail::BoundSignature<T, Set>, Set>>(state(), std::move(set));
        detail::setAccessor(state(), classInfo<T>(), name);
        return *this;
    }

    Namespace endClass() const { return namespace_; }

private:
    friend class Namespace;

    Class(Namespace ns, LuaRef statics) : namespace_(std::move(ns)), statics_(std::move(statics)) {}

    lua_State* state() const { return namespace_.state(); }

    template <class Get> void pushGetter(Get get)
    {
        detail::newBox<detail::AccessorBox<detail::BoundSignature<T, Get>, Get>>(state(), std::move(get));
    }

    Namespace namespace_;
    LuaRef statics_;
};

template <class F> Namespace& Namespace::addFunction(const char* name, F fn)
{
    static_assert(!std::is_member_pointer_v<F>, "a namespace function takes no object");
    const detail::StackRestore restore(state());
    detail::pushFunction<detail::CallableSignature<F>>(state(), std::move(fn), name);
    setEntry(name);
    return *this;
}

template <class T> Namespace& Namespace::addVariable(const char* name, T* variable, bool writable)
{
    const detail::StackRestore restore(state());
    detail::pushAccessor(state(), [variable]() -> const T& { return *variable; });
    if constexpr (std::is_copy_assignable_v<T>) {
        if (writable) {
            detail::pushAccessor(state(), [variable](const T& value) { *variable = value; });
        } else {
            lua_pushboolean(state(), false);
        }
    } else {
        lua_pushboolean(state(), false);
    }
    setVariable(name);
    return *this;
}

template <class T> Class<T> Namespace::beginClass(const char* name)
{
    static_assert(std::is_class_v<T> && std::is_same_v<T, std::remove_cv_t<T>>);
    return Class<T>(*this, openClass(name, classInfo<T>(), nullptr, nullptr));
}

template <class Derived, class Base> Class<Derived> Namespace::deriveClass(const char* name)
{
    static_assert(std::is_base_of_v<Base, Derived>, "Base must be a base class of Derived");
    return Class<Derived>(
        *this, openClass(name, classInfo<Derived>(), &classInfo<Base>(), &detail::upcast<Derived, Base>));
}

} // namespace luabridge
