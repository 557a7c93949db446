#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>

#include "core/TweenTargets.h"

namespace Orva::Math {

// π as the engine's angle conversions have always written it: the double nearest
// 3.14159265359, not the full-precision value. Degree results depend on it bit for bit.
inline constexpr double Pi = 3.14159265359;

namespace detail {

template <class T>
concept VectorComponent =
    std::is_same_v<T, float> || std::is_same_v<T, int> || std::is_same_v<T, unsigned int>;

template <class T> inline constexpr bool isReal = std::is_floating_point_v<T>;

// One formula serves all three component types; only T's arithmetic differs. Integer sums,
// differences and products wrap modulo 2^32 (signed ones computed through unsigned), so the
// int and unsigned instances agree bit for bit and nothing overflows.
template <class T> constexpr T add(T a, T b) noexcept
{
    if constexpr (isReal<T>) {
        return a + b;
    } else {
        return static_cast<T>(static_cast<unsigned>(a) + static_cast<unsigned>(b));
    }
}

template <class T> constexpr T sub(T a, T b) noexcept
{
    if constexpr (isReal<T>) {
        return a - b;
    } else {
        return static_cast<T>(static_cast<unsigned>(a) - static_cast<unsigned>(b));
    }
}

template <class T> constexpr T mul(T a, T b) noexcept
{
    if constexpr (isReal<T>) {
        return a * b;
    } else {
        return static_cast<T>(static_cast<unsigned>(a) * static_cast<unsigned>(b));
    }
}

// Integer quotients truncate; a zero divisor gives 0 and INT_MIN / -1 gives INT_MIN.
template <class T> constexpr T div(T a, T b) noexcept
{
    if constexpr (isReal<T>) {
        return a / b;
    } else {
        if (b == 0) {
            return 0;
        }
        if constexpr (std::is_signed_v<T>) {
            if (b == -1) {
                return sub<T>(0, a);
            }
        }
        return a / b;
    }
}

// A double brought back to T: rounded once for float; for the integers truncated towards
// zero and saturated at T's range, NaN giving 0.
template <class T> constexpr T fromDouble(double value) noexcept
{
    if constexpr (isReal<T>) {
        return static_cast<T>(value);
    } else {
        if (value != value) {
            return 0;
        }
        if (value <= static_cast<double>(std::numeric_limits<T>::min())) {
            return std::numeric_limits<T>::min();
        }
        if (value >= static_cast<double>(std::numeric_limits<T>::max())) {
            return std::numeric_limits<T>::max();
        }
        return static_cast<T>(value);
    }
}

template <class T> constexpr double toDouble(T value) noexcept
{
    return static_cast<double>(value);
}

template <class T> T squareRoot(T value) noexcept
{
    return fromDouble<T>(std::sqrt(toDouble(value)));
}

// Float dot products are formed in double, where the products of floats are exact, and
// rounded once at the end.
template <class T, std::size_t N> T dot(const std::array<T, N>& a, const std::array<T, N>& b) noexcept
{
    if constexpr (isReal<T>) {
        double sum = toDouble(a[0]) * toDouble(b[0]);
        for (std::size_t i = 1; i < N; ++i) {
            sum += toDouble(a[i]) * toDouble(b[i]);
        }
        return static_cast<T>(sum);
    } else {
        T sum = mul(a[0], b[0]);
        for (std::size_t i = 1; i < N; ++i) {
            sum = add(sum, mul(a[i], b[i]));
        }
        return sum;
    }
}

// Squared distance from a to b. The integer instances square each (wrapped) difference as a
// double and add y's square first.
template <class T, std::size_t N> T distanceSq(const std::array<T, N>& a, const std::array<T, N>& b) noexcept
{
    if constexpr (isReal<T>) {
        T sum = (b[0] - a[0]) * (b[0] - a[0]);
        for (std::size_t i = 1; i < N; ++i) {
            sum += (b[i] - a[i]) * (b[i] - a[i]);
        }
        return sum;
    } else {
        std::array<double, N> squares{};
        for (std::size_t i = 0; i < N; ++i) {
            squares[i] = std::pow(toDouble(sub(b[i], a[i])), 2.0);
        }
        double sum = squares[1] + squares[0];
        for (std::size_t i = 2; i < N; ++i) {
            sum += squares[i];
        }
        return fromDouble<T>(sum);
    }
}

// Float components extrapolate freely; the integer instances truncate t first, so
// 0 <= t < 1 stays at a.
template <class T> T lerp(T a, T b, float t) noexcept
{
    if constexpr (isReal<T>) {
        return (b - a) * t + a;
    } else {
        return add(a, mul(fromDouble<T>(t), sub(b, a)));
    }
}

// Radians to degrees through the product r * 180 formed in T.
template <class T> T degreesFromRadians(T radians) noexcept
{
    return fromDouble<T>(toDouble(mul(radians, T(180))) / Pi);
}

// Float components feed float tweens; int and unsigned components feed the int tweens.
template <class T> void pushTweenTarget(T& component) noexcept
{
    if constexpr (isReal<T>) {
        Actions::primitiveFloatTarget = &component;
    } else {
        Actions::primitiveIntTarget = reinterpret_cast<int*>(&component);
    }
}

} // namespace detail

// A 2-D vector value. Instances: float, int, unsigned int. Every operation evaluates one
// formula in T's own arithmetic, with float intermediates rounded exactly where noted, so
// results match bit for bit everywhere; integer instances never trap (see detail above).
template <detail::VectorComponent T> class ORVA_API Vector2D
{
public:
    T x;
    T y;

    constexpr Vector2D() noexcept : x(0), y(0) {}
    constexpr Vector2D(T x, T y) noexcept : x(x), y(y) {}

    Vector2D& operator+=(const Vector2D& v) noexcept { return combine(v, detail::add<T>); }
    Vector2D& operator-=(const Vector2D& v) noexcept { return combine(v, detail::sub<T>); }
    Vector2D& operator*=(const Vector2D& v) noexcept { return combine(v, detail::mul<T>); }
    Vector2D& operator/=(const Vector2D& v) noexcept { return combine(v, detail::div<T>); }
    Vector2D& operator*=(T s) noexcept { return combine({s, s}, detail::mul<T>); }
    // One division per component, not a multiplication by 1 / s.
    Vector2D& operator/=(T s) noexcept { return combine({s, s}, detail::div<T>); }

    // Exact comparison: 0 equals -0, and a NaN component makes a vector unequal to itself.
    bool operator==(const Vector2D& v) const noexcept { return x == v.x && y == v.y; }
    bool operator!=(const Vector2D& v) const noexcept { return x != v.x || y != v.y; }

    void addX(T s) noexcept { x = detail::add(x, s); }
    void addY(T s) noexcept { y = detail::add(y, s); }

    // Makes this component the target of the next primitive tween a script creates; the
    // vector has to outlive that tween.
    void pushX() noexcept { detail::pushTweenTarget(x); }
    void pushY() noexcept { detail::pushTweenTarget(y); }

    Vector2D copy() const noexcept { return *this; }

    T dot(const Vector2D& v) const noexcept { return detail::dot(components(), v.components()); }
    T lengthSq() const noexcept { return detail::add(detail::mul(x, x), detail::mul(y, y)); }
    T length() const noexcept { return detail::squareRoot(lengthSq()); }
    T distanceSq(const Vector2D& v) const noexcept
    {
        return detail::distanceSq(components(), v.components());
    }
    T distance(const Vector2D& v) const noexcept { return detail::squareRoot(distanceSq(v)); }

    // A zero float vector becomes NaN; an integer one of truncated length 0 becomes (0, 0).
    Vector2D& normalize() noexcept { return *this /= length(); }
    Vector2D normalized() const noexcept { return copy().normalize(); }

    Vector2D projectOn(const Vector2D& v) const noexcept
    {
        const T k = detail::div(dot(v), v.lengthSq());
        return {detail::mul(v.x, k), detail::mul(v.y, k)};
    }
    T projectOnLength(const Vector2D& v) const noexcept { return detail::div(dot(v), v.length()); }

    // Direction from +x towards +y, -π to π.
    T toAngleRad() const noexcept
    {
        return detail::fromDouble<T>(std::atan2(detail::toDouble(y), detail::toDouble(x)));
    }
    T toAngleDeg() const noexcept
    {
        if constexpr (detail::isReal<T>) {
            return detail::degreesFromRadians(toAngleRad());
        } else {
            return detail::fromDouble<T>(std::atan2(detail::toDouble(y), detail::toDouble(x)) * 180.0 / Pi);
        }
    }

    bool isOnRightOf(const Vector2D& v) const noexcept { return sideOf(v) > T(0); }
    bool isOnLeftOf(const Vector2D& v) const noexcept
    {
        if constexpr (std::is_unsigned_v<T>) {
            return false;
        } else {
            return sideOf(v) < T(0);
        }
    }

    // The component-wise reciprocal, not the negation.
    Vector2D inverse() const noexcept { return {detail::div(T(1), x), detail::div(T(1), y)}; }

    // Turned from +x towards +y; this vector is left as it is.
    Vector2D rotateByRad(T radians) const noexcept
    {
        const T c = detail::fromDouble<T>(std::cos(detail::toDouble(radians)));
        const T s = detail::fromDouble<T>(std::sin(detail::toDouble(radians)));
        return {detail::sub(detail::mul(x, c), detail::mul(y, s)),
                detail::add(detail::mul(y, c), detail::mul(x, s))};
    }
    Vector2D rotateByDeg(T degrees) const noexcept
    {
        return rotateByRad(detail::fromDouble<T>(detail::toDouble(degrees) * Pi / 180.0));
    }

    static Vector2D zero() noexcept { return {}; }
    static Vector2D make(T x, T y) noexcept { return {x, y}; }
    // t is not clamped: values outside [0, 1] extrapolate.
    static Vector2D lerp(const Vector2D& a, const Vector2D& b, float t) noexcept
    {
        return {detail::lerp(a.x, b.x, t), detail::lerp(a.y, b.y, t)};
    }
    static Vector2D fromAngleRad(T radians) noexcept
    {
        return {detail::fromDouble<T>(std::cos(detail::toDouble(radians))),
                detail::fromDouble<T>(std::sin(detail::toDouble(radians)))};
    }
    static Vector2D fromAngleDeg(T degrees) noexcept
    {
        const double angle = detail::toDouble(detail::div(degrees, T(180))) * Pi;
        return {detail::fromDouble<T>(std::cos(angle)), detail::fromDouble<T>(std::sin(angle))};
    }
    // Unsigned, 0 to π; NaN for a zero-length float argument. The cosine is not clamped.
    static T angleBetweenRad(const Vector2D& a, const Vector2D& b) noexcept
    {
        const T n = detail::add(detail::mul(b.x, a.x), detail::mul(b.y, a.y));
        const T q = detail::div(n, detail::mul(b.length(), a.length()));
        return detail::fromDouble<T>(std::acos(detail::toDouble(q)));
    }
    static T angleBetweenDeg(const Vector2D& a, const Vector2D& b) noexcept
    {
        return detail::degreesFromRadians(angleBetweenRad(a, b));
    }

    std::array<T, 2> components() const noexcept { return {x, y}; }

private:
    template <class Op> Vector2D& combine(const Vector2D& v, Op op) noexcept
    {
        x = op(x, v.x);
        y = op(y, v.y);
        return *this;
    }

    T sideOf(const Vector2D& v) const noexcept
    {
        return detail::sub(detail::mul(x, v.y), detail::mul(y, v.x));
    }
};

// A 3-D vector value; xy reads and writes x and y together as a Vector2D.
template <detail::VectorComponent T> class ORVA_API Vector3D
{
public:
    union {
        struct
        {
            T x;
            T y;
        };
        Vector2D<T> xy;
    };
    T z;

    constexpr Vector3D() noexcept : x(0), y(0), z(0) {}
    constexpr Vector3D(T x, T y, T z) noexcept : x(x), y(y), z(z) {}

    Vector3D& operator+=(const Vector3D& v) noexcept { return combine(v, detail::add<T>); }
    Vector3D& operator-=(const Vector3D& v) noexcept { return combine(v, detail::sub<T>); }
    Vector3D& operator*=(const Vector3D& v) noexcept { return combine(v, detail::mul<T>); }
    Vector3D& operator/=(const Vector3D& v) noexcept { return combine(v, detail::div<T>); }
    Vector3D& operator*=(T s) noexcept { return combine({s, s, s}, detail::mul<T>); }
    Vector3D& operator/=(T s) noexcept { return combine({s, s, s}, detail::div<T>); }

    bool operator==(const Vector3D& v) const noexcept { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const Vector3D& v) const noexcept { return x != v.x || y != v.y || z != v.z; }

    void addX(T s) noexcept { x = detail::add(x, s); }
    void addY(T s) noexcept { y = detail::add(y, s); }
    void addZ(T s) noexcept { z = detail::add(z, s); }

    void pushX() noexcept { detail::pushTweenTarget(x); }
    void pushY() noexcept { detail::pushTweenTarget(y); }
    void pushZ() noexcept { detail::pushTweenTarget(z); }

    Vector3D copy() const noexcept { return *this; }

    T dot(const Vector3D& v) const noexcept { return detail::dot(components(), v.components()); }
    T lengthSq() const noexcept
    {
        return detail::add(detail::add(detail::mul(x, x), detail::mul(y, y)), detail::mul(z, z));
    }
    T length() const noexcept { return detail::squareRoot(lengthSq()); }
    T distanceSq(const Vector3D& v) const noexcept
    {
        return detail::distanceSq(components(), v.components());
    }
    T distance(const Vector3D& v) const noexcept { return detail::squareRoot(distanceSq(v)); }

    Vector3D& normalize() noexcept { return *this /= length(); }
    Vector3D normalized() const noexcept { return copy().normalize(); }

    Vector3D projectOn(const Vector3D& v) const noexcept
    {
        const T k = detail::div(dot(v), v.lengthSq());
        return {detail::mul(v.x, k), detail::mul(v.y, k), detail::mul(v.z, k)};
    }
    T projectOnLength(const Vector3D& v) const noexcept { return detail::div(dot(v), v.length()); }

    Vector3D cross(const Vector3D& v) const noexcept
    {
        return {detail::sub(detail::mul(y, v.z), detail::mul(z, v.y)),
                detail::sub(detail::mul(z, v.x), detail::mul(x, v.z)),
                detail::sub(detail::mul(x, v.y), detail::mul(y, v.x))};
    }

    static Vector3D zero() noexcept { return {}; }
    static Vector3D make(T x, T y, T z) noexcept { return {x, y, z}; }
    static Vector3D makeFromVector2D(const Vector2D<T>& w) noexcept { return {w.x, w.y, T(0)}; }
    static Vector3D lerp(const Vector3D& a, const Vector3D& b, float t) noexcept
    {
        return {detail::lerp(a.x, b.x, t), detail::lerp(a.y, b.y, t), detail::lerp(a.z, b.z, t)};
    }

    std::array<T, 3> components() const noexcept { return {x, y, z}; }

private:
    template <class Op> Vector3D& combine(const Vector3D& v, Op op) noexcept
    {
        x = op(x, v.x);
        y = op(y, v.y);
        z = op(z, v.z);
        return *this;
    }
};

using Vector2f = Vector2D<float>;
using Vector2i = Vector2D<int>;
using Vector2u = Vector2D<unsigned int>;
using Vector3f = Vector3D<float>;
using Vector3i = Vector3D<int>;
using Vector3u = Vector3D<unsigned int>;

// Scripts, tweens and the renderer rely on the plain layout: the components in order, with
// nothing between or after them, and xy overlaying x and y.
static_assert(sizeof(Vector2f) == 8 && sizeof(Vector2i) == 8 && sizeof(Vector2u) == 8);
static_assert(sizeof(Vector3f) == 12 && sizeof(Vector3i) == 12 && sizeof(Vector3u) == 12);
static_assert(offsetof(Vector3f, xy) == 0 && offsetof(Vector3f, z) == 8);
static_assert(std::is_trivially_copyable_v<Vector2f> && std::is_trivially_copyable_v<Vector3f>);

} // namespace Orva::Math
