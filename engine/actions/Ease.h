#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <iterator>

// The easing curves of tweens and of the scripts' easing functions. Every curve is single
// precision: sine and cosine are taken in double on the widened float argument and rounded
// back, cubes are formed as (x * x) * x, and the constants are fixed by their bits, so the
// results are the same bit for bit on every build (the engine compiles without contraction).
// Every ease once, in the order of Ease: X(Ease, name, args...), where name is both the
// curve of its tweens in Easing and the first word of its tween factories and script
// functions ("quadInTo...", "Actions.Tween.quadIn").
#define ORVA_TWEEN_EASES(X, ...)                                                                             \
    X(Linear, linear, __VA_ARGS__)                                                                           \
    X(SineIn, sineIn, __VA_ARGS__)                                                                           \
    X(SineOut, sineOut, __VA_ARGS__)                                                                         \
    X(SineInOut, sineInOut, __VA_ARGS__)                                                                     \
    X(QuadIn, quadIn, __VA_ARGS__)                                                                           \
    X(QuadOut, quadOut, __VA_ARGS__)                                                                         \
    X(QuadInOut, quadInOut, __VA_ARGS__)                                                                     \
    X(CubicIn, cubicIn, __VA_ARGS__)                                                                         \
    X(CubicOut, cubicOut, __VA_ARGS__)                                                                       \
    X(CubicInOut, cubicInOut, __VA_ARGS__)

namespace Orva::Actions {

#define ORVA_EASE_ENUMERATOR(Name, ...) Name,
enum class Ease { ORVA_TWEEN_EASES(ORVA_EASE_ENUMERATOR) };
#undef ORVA_EASE_ENUMERATOR

namespace Easing {

// π / 2 and π as floats, and 1.5874, the cube root of 4 rounded.
inline constexpr float HalfPi = std::bit_cast<float>(0x3FC90FDBu);
inline constexpr float Pi = std::bit_cast<float>(0x40490FDBu);
inline constexpr float CubeRootOfFour = std::bit_cast<float>(0x3FCB2FECu);

inline float cosine(float x) noexcept
{
    return static_cast<float>(std::cos(static_cast<double>(x)));
}

inline float sine(float x) noexcept
{
    return static_cast<float>(std::sin(static_cast<double>(x)));
}

inline float cube(float x) noexcept
{
    return (x * x) * x;
}

inline float linear(float t) noexcept
{
    return t;
}

inline float sineIn(float t) noexcept
{
    return 1.0f - cosine(t * HalfPi);
}

inline float sineOut(float t) noexcept
{
    return sine(t * HalfPi);
}

// Twice the in-out sine curve: tweens halve the amount they move before scaling it by this.
// Scripts get sineInOutPercent below instead.
inline float sineInOut(float t) noexcept
{
    return 1.0f - cosine(t * Pi);
}

// The scripts' own in-out sine: 0.5 − 0.5 cos(t π), in double with π as the double
// 3.14159265359, rounded to float at the end. Tweens use the single-precision curve above.
inline float sineInOutPercent(float t) noexcept
{
    constexpr double ScriptPi = std::bit_cast<double>(0x400921FB54442EEAull);
    return static_cast<float>(0.5 - 0.5 * std::cos(static_cast<double>(t) * ScriptPi));
}

inline float quadIn(float t) noexcept
{
    return t * t;
}

inline float quadOut(float t) noexcept
{
    return -(t - 2.0f) * t;
}

// The halves meet at 0.5, which takes the second branch.
inline float quadInOut(float t) noexcept
{
    if (t < 0.5f) {
        return (2.0f * t) * t;
    }
    return (2.0f * (1.0f - t)) * (t - 1.0f) + 1.0f;
}

inline float cubicIn(float t) noexcept
{
    return cube(t);
}

inline float cubicOut(float t) noexcept
{
    return cube(t - 1.0f) + 1.0f;
}

inline float cubicInOut(float t) noexcept
{
    if (t < 0.5f) {
        return 4.0f * cube(t);
    }
    return cube(t * CubeRootOfFour - CubeRootOfFour) + 1.0f;
}

} // namespace Easing

// The curve of each ease, in the order of Ease.
#define ORVA_EASE_CURVE(Name, name, ...) Easing::name,
inline constexpr float (*EaseCurves[])(float) noexcept = {ORVA_TWEEN_EASES(ORVA_EASE_CURVE)};
#undef ORVA_EASE_CURVE
static_assert(std::size(EaseCurves) == static_cast<std::size_t>(Ease::CubicInOut) + 1);

// The curve a tween of ease E scales its amount by at progress t, and the factor the amount
// is multiplied by first (0.5 for the in-out sine, whose curve above is doubled; 1 otherwise).
template <Ease E> float easeCurve(float t) noexcept
{
    return EaseCurves[static_cast<std::size_t>(E)](t);
}

template <Ease E> inline constexpr float easeAmountFactor = E == Ease::SineInOut ? 0.5f : 1.0f;

} // namespace Orva::Actions
