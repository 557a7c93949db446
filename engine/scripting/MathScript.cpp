#include <lua.hpp>

#include <cmath>
#include <cstddef>
#include <locale>
#include <sstream>
#include <string>
#include <type_traits>

#include "core/MathUtils.h"
#include "core/Random.h"
#include "core/Vector.h"
#include "luabridge/Namespace.h"
#include "scripting/ScriptInterface.h"

// The "Math" namespace: the six vector classes by value, their to-string functions, and the
// random and clamping utilities.
namespace Orva::Scripting {

namespace {

using Math::Vector2D;
using Math::Vector3D;

template <class V> struct ComponentOf;
template <class T> struct ComponentOf<Vector2D<T>>
{
    using Type = T;
};
template <class T> struct ComponentOf<Vector3D<T>>
{
    using Type = T;
};
template <class V> using Component = typename ComponentOf<V>::Type;

// The vectors give 0 for an integer division by zero; a script gets the error Lua gives for
// its own integer division instead, before anything changes. Float vectors keep IEEE results.
template <class T> void checkDivisor(lua_State* L, T divisor)
{
    if constexpr (!std::is_floating_point_v<T>) {
        if (divisor == T(0)) {
            luaL_error(L, "attempt to divide by zero");
        }
    }
}

template <class V> void checkComponents(lua_State* L, const V& divisor)
{
    for (const auto component : divisor.components()) {
        checkDivisor(L, component);
    }
}

template <class V> V& assign(V& self, const V& other)
{
    return self = other;
}

template <class V> V& divide(V& self, const V& divisor, lua_State* L)
{
    checkComponents(L, divisor);
    return self /= divisor;
}

template <class V> V& divideByNumber(V& self, Component<V> divisor, lua_State* L)
{
    checkDivisor(L, divisor);
    return self /= divisor;
}

template <class V> V& normalize(V& self, lua_State* L)
{
    checkDivisor(L, self.length());
    return self.normalize();
}

template <class V> V normalized(const V& self, lua_State* L)
{
    checkDivisor(L, self.length());
    return self.normalized();
}

template <class V> V projectOn(const V& self, const V& onto, lua_State* L)
{
    checkDivisor(L, onto.lengthSq());
    return self.projectOn(onto);
}

template <class V> Component<V> projectOnLength(const V& self, const V& onto, lua_State* L)
{
    checkDivisor(L, onto.length());
    return self.projectOnLength(onto);
}

template <class T> Vector2D<T> inverse(const Vector2D<T>& self, lua_State* L)
{
    checkComponents(L, self);
    return self.inverse();
}

// The divisor the angle formula uses: the product of the two lengths.
template <class T> void checkLengths(lua_State* L, const Vector2D<T>& a, const Vector2D<T>& b)
{
    checkDivisor(L, Math::detail::mul(b.length(), a.length()));
}

// The vector's own formula does not clamp the cosine, so two parallel float vectors whose
// rounded cosine lands just past 1 (a unit vector with itself, often) give NaN. Scripts get
// the angle those vectors make instead: 0 when they point the same way, pi when opposite.
// A zero-length argument still gives NaN.
template <class T> T angleBetweenRad(const Vector2D<T>& a, const Vector2D<T>& b, lua_State* L)
{
    checkLengths(L, a, b);
    const T angle = Vector2D<T>::angleBetweenRad(a, b);
    if constexpr (std::is_floating_point_v<T>) {
        if (std::isnan(angle) && a.lengthSq() > T(0) && b.lengthSq() > T(0)) {
            return a.dot(b) > T(0) ? T(0) : static_cast<T>(std::acos(-1.0));
        }
    }
    return angle;
}

template <class T> T angleBetweenDeg(const Vector2D<T>& a, const Vector2D<T>& b, lua_State* L)
{
    return Math::detail::degreesFromRadians(angleBetweenRad(a, b, L));
}

// Scripts' float draws are offsets from 0 up to b - a, the step applied to the draw alone:
// "randomFloat"(10, 12) lies between 0 and 2. The engine's own Utils::random lies between
// its bounds.
template <class Real> Real randomOffset(Real a, Real b)
{
    const Real step = (b - a) / static_cast<Real>(RANDOM_MAX);
    return static_cast<Real>(Orva::rand()) * step;
}

// "[x,y]" or "[x,y,z]" in the stream's default formatting, whatever the global locale.
template <class V> std::string vectorText(const V& vector)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << '[';
    const auto components = vector.components();
    for (std::size_t i = 0; i < components.size(); ++i) {
        out << (i == 0 ? "" : ",") << components[i];
    }
    out << ']';
    return out.str();
}

// Float components feed float tweens, int and unsigned ones int tweens.
template <class T>
inline constexpr PushedSlot pushedSlotOf = std::is_floating_point_v<T> ? PushedSlot::Float : PushedSlot::Int;

// The three members whose names differ between the two families.
struct FamilyNames
{
    const char* notEqual;
    const char* multiplyNumber;
    const char* divideNumber;
};

// What both families share, under the family's names. Calling the class constructs the
// zero vector whatever the arguments.
template <class V> luabridge::Class<V>& addCommonMembers(luabridge::Class<V>& cls, const FamilyNames& names)
{
    using T = Component<V>;
    return cls.template addConstructor<void (*)()>()
        .addFunction("equal", &V::operator==)
        .addFunction(names.notEqual, &V::operator!=)
        .addFunction("set", &assign<V>)
        .addFunction("plus", static_cast<V& (V::*)(const V&) noexcept>(&V::operator+=))
        .addFunction("minus", static_cast<V& (V::*)(const V&) noexcept>(&V::operator-=))
        .addFunction("multiply", static_cast<V& (V::*)(const V&) noexcept>(&V::operator*=))
        .addFunction("divide", &divide<V>)
        .addFunction(names.multiplyNumber, static_cast<V& (V::*)(T) noexcept>(&V::operator*=))
        .addFunction(names.divideNumber, &divideByNumber<V>)
        .addFunction("addX", &V::addX)
        .addFunction("addY", &V::addY)
        .addFunction("pushX", recordingPush(&V::pushX, pushedSlotOf<T>))
        .addFunction("pushY", recordingPush(&V::pushY, pushedSlotOf<T>))
        .addFunction("copy", &V::copy)
        .addFunction("dot", &V::dot)
        .addFunction("distance", &V::distance)
        .addFunction("distanceSq", &V::distanceSq)
        .addFunction("length", &V::length)
        .addFunction("lengthSq", &V::lengthSq)
        .addFunction("normalize", &normalize<V>)
        .addFunction("normalized", &normalized<V>)
        .addFunction("projectOn", &projectOn<V>)
        .addFunction("projectOnLength", &projectOnLength<V>)
        .addStaticFunction("zero", &V::zero)
        .addStaticFunction("lerp", &V::lerp)
        .addStaticFunction("make", &V::make);
}

template <class T> void registerVector2(lua_State* L, const char* name, const char* toStringName)
{
    using V = Vector2D<T>;
    luabridge::Class<V> cls = luabridge::getGlobalNamespace(L).beginNamespace("Math").beginClass<V>(name);
    cls.addData("x", &V::x).addData("y", &V::y);
    addCommonMembers(cls, {"notEqual", "multiplyNum", "divideNum"})
        .addFunction("toAngleRad", &V::toAngleRad)
        .addFunction("toAngleDeg", &V::toAngleDeg)
        .addFunction("isOnRightOf", &V::isOnRightOf)
        .addFunction("isOnLeftOf", &V::isOnLeftOf)
        .addFunction("inverse", &inverse<T>)
        .addFunction("rotateByRad", &V::rotateByRad)
        .addFunction("rotateByDeg", &V::rotateByDeg)
        .addStaticFunction("fromAngleRad", &V::fromAngleRad)
        .addStaticFunction("fromAngleDeg", &V::fromAngleDeg)
        .addStaticFunction("angleBetweenRad", &angleBetweenRad<T>)
        .addStaticFunction("angleBetweenDeg", &angleBetweenDeg<T>)
        .endClass()
        .addFunction(toStringName, &vectorText<V>);
}

template <class T> void registerVector3(lua_State* L, const char* name, const char* toStringName)
{
    using V = Vector3D<T>;
    luabridge::Class<V> cls = luabridge::getGlobalNamespace(L).beginNamespace("Math").beginClass<V>(name);
    // x and y share storage with the xy overlay, so they are reached through accessors.
    cls.addProperty(
           "x", [](const V& v) { return v.x; }, [](V& v, T value) { v.x = value; })
        .addProperty(
            "y", [](const V& v) { return v.y; }, [](V& v, T value) { v.y = value; })
        .addData("z", &V::z);
    addCommonMembers(cls, {"not_equal", "multiply_num", "divide_num"})
        .addFunction("addZ", &V::addZ)
        .addFunction("pushZ", recordingPush(&V::pushZ, pushedSlotOf<Component<V>>))
        .addFunction("cross", &V::cross)
        .addStaticFunction("makeFromVector2D", &V::makeFromVector2D)
        .endClass()
        .addFunction(toStringName, &vectorText<V>);
}

} // namespace

void registerTwoComponentVectors(lua_State* L)
{
    registerVector2<float>(L, "Vector2f", "Vector2f_toString");
    registerVector2<int>(L, "Vector2i", "Vector2i_toString");
    registerVector2<unsigned>(L, "Vector2u", "Vector2u_toString");
}

void registerThreeComponentVectors(lua_State* L)
{
    registerVector3<float>(L, "Vector3f", "Vector3f_toString");
    registerVector3<int>(L, "Vector3i", "Vector3i_toString");
    registerVector3<unsigned>(L, "Vector3u", "Vector3u_toString");
}

// "randomInt" counts in 64 bits (no overflow, an empty range gives its start);
// "randomFloat" and "randomDouble" give offsets from 0 (randomOffset above).
void registerMathUtils(lua_State* L)
{
    using Math::Utils;
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Math")
        .beginClass<Utils>("Utils")
        .addStaticFunction("randomInt", static_cast<int (*)(int, int)>(&Utils::random))
        .addStaticFunction("randomFloat", &randomOffset<float>)
        .addStaticFunction("randomDouble", &randomOffset<double>)
        .addStaticFunction("clampInt", static_cast<int (*)(const int&, int, int)>(&Utils::clamp))
        .addStaticFunction("clampFloat", static_cast<float (*)(const float&, float, float)>(&Utils::clamp))
        .addStaticFunction("clampDouble",
                           static_cast<double (*)(const double&, double, double)>(&Utils::clamp))
        .endClass()
        .endNamespace();
}

} // namespace Orva::Scripting
