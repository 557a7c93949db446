#pragma once

#include <lua.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/Export.h"
#include "luabridge/Userdata.h"

// What an interpreter holds of the bindings, read back from the state itself: every bound
// function keeps its signature beside its callable, every accessor the signature of its
// getter or setter, so that a listing of the registrations cannot drift from them.
namespace luabridge {

namespace detail {

template <class... T> struct TypeList;

/// A C++ type as scripts see it: "integer", "number", "boolean", "string", "value" (any Lua
/// value), "nil", a class's script name (with "?" for a pointer, which may be nil), or ""
/// for void and for the calling state, which takes no script argument.
template <class T> std::string scriptTypeName()
{
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_void_v<U> || std::is_same_v<U, lua_State*>) {
        return {};
    } else if constexpr (std::is_same_v<U, bool>) {
        return "boolean";
    } else if constexpr (std::is_integral_v<U> || std::is_enum_v<U>) {
        return "integer";
    } else if constexpr (std::is_floating_point_v<U>) {
        return "number";
    } else if constexpr (std::is_same_v<U, std::string> || std::is_same_v<U, std::string_view> ||
                         std::is_same_v<U, const char*>) {
        return "string";
    } else if constexpr (std::is_same_v<U, LuaRef>) {
        return "value";
    } else if constexpr (std::is_same_v<U, std::nullptr_t> ||
                         (std::is_pointer_v<U> && !std::is_class_v<std::remove_pointer_t<U>>)) {
        // Scripts hold no pointer to a number: such a parameter takes nil only.
        return "nil";
    } else if constexpr (std::is_pointer_v<U>) {
        return classInfo<std::remove_cv_t<std::remove_pointer_t<U>>>().displayName() + "?";
    } else {
        return classInfo<U>().displayName();
    }
}

/// The types of one bound callable, as the binding deduced them; the names are asked for
/// only when listed, once every class has its script name.
struct SignatureInfo
{
    using TypeName = std::string (*)();

    TypeName result;
    const TypeName* params;
    std::size_t paramCount;
};

template <class R, class Params> struct SignatureRecord;
template <class R, class... P> struct SignatureRecord<R, TypeList<P...>>
{
    static constexpr SignatureInfo::TypeName params[sizeof...(P) + 1] = {&scriptTypeName<P>..., nullptr};
    static constexpr SignatureInfo info{&scriptTypeName<R>, params, sizeof...(P)};
};

template <class Sig> constexpr const SignatureInfo* signatureOf()
{
    return &SignatureRecord<typename Sig::Result, typename Sig::Params>::info;
}

} // namespace detail

/// One registered name of a namespace or class.
struct BoundMember
{
    enum class Kind {
        Function,       // namespace function, or member function called with ':'
        StaticFunction, // called through the class table
        Property,       // data member or property of a class
        Variable,       // namespace variable
    };

    std::string name;
    Kind kind = Kind::Function;
    /// Script types of the arguments (the object of a member function not among them).
    std::vector<std::string> params;
    /// The result's script type, "" for none; a property's or variable's value type.
    std::string result;
    bool writable = false;
    /// A read-only variable's value as tostring writes it.
    std::string value;
};

struct BoundClass
{
    std::string name;
    /// The script base class, "" for none.
    std::string base;
    /// Calling the class table makes a default object.
    bool constructible = false;
    bool byValue = false;
    std::vector<BoundMember> members;
};

struct BoundNamespace
{
    /// Dotted from the global table, "" for the global table itself.
    std::string path;
    std::vector<BoundMember> members;
    std::vector<BoundClass> classes;
};

/// Every namespace of L holding functions, variables or classes of the binding, reached from
/// the global table, each with its entries in name order; namespaces in path order.
ORVA_API std::vector<BoundNamespace> listBindings(lua_State* L);

/// The number of classes registered in L, whether or not a namespace still shows them.
ORVA_API std::size_t registeredClassCount(lua_State* L);

/// Globals of L holding a bound object, with the script name of its class, in name order.
ORVA_API std::vector<std::pair<std::string, std::string>> boundGlobals(lua_State* L);

} // namespace luabridge
