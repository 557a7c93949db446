#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "actions/ActionBase.h"
#include "actions/Ease.h"
#include "actions/TargetGuard.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Vector.h"

// Tweens: actions that move one value in memory over a time along an easing curve. A By
// tween adds a fixed amount over the time, whatever else changes the value meanwhile; a To
// tween moves the value from what it held at its first step to an end value. Classes
// ActionTween<By|To><Ease><T> for the ten eases and T = int, float, double, Vector2D<float>,
// Vector3D<float>: one implementation, ActionTween, under twenty thin class templates.
//
// A tween's target is not owned. When it lies in a component (a transform's rotation after
// pushRotation, a sprite's frame), the tween stops at its next step once that component is
// gone; anything else has to outlive the tween. A null target makes an inert tween that runs
// its time and writes nothing. A duration of 0 finishes at the first step, at the end value.
namespace Orva::Actions {

namespace detail {

template <class T>
concept TweenVector = std::is_same_v<T, Math::Vector2D<float>> || std::is_same_v<T, Math::Vector3D<float>>;

// The arithmetic below runs for every tween at every step: it is always inlined, so that
// a tween's update is one function without calls.
#define ORVA_TWEEN_ARITHMETIC [[gnu::always_inline]] inline

// Vectors are handled as their float components, read and written whole by memcpy, so any
// run of floats laid out alike (a colour's r, g, b) can be tweened as a vector.
template <TweenVector T, class Op>
ORVA_TWEEN_ARITHMETIC T eachComponent(const T& a, const T& b, Op op) noexcept
{
    constexpr std::size_t count = sizeof(T) / sizeof(float);
    std::array<float, count> x;
    std::array<float, count> y;
    std::memcpy(x.data(), &a, sizeof(T));
    std::memcpy(y.data(), &b, sizeof(T));
    for (std::size_t i = 0; i < count; ++i) {
        x[i] = op(x[i], y[i]);
    }
    T result;
    std::memcpy(static_cast<void*>(&result), x.data(), sizeof(T));
    return result;
}

template <class T> ORVA_TWEEN_ARITHMETIC T readTarget(const T* target) noexcept
{
    T value;
    std::memcpy(static_cast<void*>(&value), target, sizeof(T));
    return value;
}

template <class T> ORVA_TWEEN_ARITHMETIC void writeTarget(T* target, const T& value) noexcept
{
    std::memcpy(static_cast<void*>(target), &value, sizeof(T));
}

// int sums and differences wrap through unsigned; the others are plain.
template <class T> ORVA_TWEEN_ARITHMETIC T sum(const T& a, const T& b) noexcept
{
    if constexpr (TweenVector<T>) {
        return eachComponent(a, b, [](float x, float y) { return x + y; });
    } else {
        return Math::detail::add(a, b);
    }
}

template <class T> ORVA_TWEEN_ARITHMETIC T difference(const T& a, const T& b) noexcept
{
    if constexpr (TweenVector<T>) {
        return eachComponent(a, b, [](float x, float y) { return x - y; });
    } else {
        return Math::detail::sub(a, b);
    }
}

template <class T> ORVA_TWEEN_ARITHMETIC T negated(const T& value) noexcept
{
    return difference(T{}, value);
}

// start + (value × factor) × curve. int works in float and truncates, saturating at int's
// range (NaN gives 0); double widens the float factors.
template <class T>
ORVA_TWEEN_ARITHMETIC T scaledFrom(const T& start, const T& value, float factor, float curve) noexcept
{
    if constexpr (TweenVector<T>) {
        return eachComponent(start, value, [=](float s, float v) { return s + (v * factor) * curve; });
    } else if constexpr (std::is_same_v<T, int>) {
        const float moved = static_cast<float>(start) + (static_cast<float>(value) * factor) * curve;
        return Math::detail::fromDouble<int>(static_cast<double>(moved));
    } else if constexpr (std::is_same_v<T, double>) {
        return start + (value * static_cast<double>(factor)) * static_cast<double>(curve);
    } else {
        static_assert(std::is_same_v<T, float>);
        return start + (value * factor) * curve;
    }
}

// value × factor × curve, as a By tween scales its amount.
template <class T> ORVA_TWEEN_ARITHMETIC T scaled(const T& value, float factor, float curve) noexcept
{
    if constexpr (std::is_same_v<T, int>) {
        return Math::detail::fromDouble<int>(
            static_cast<double>((static_cast<float>(value) * factor) * curve));
    } else if constexpr (TweenVector<T>) {
        return eachComponent(value, value, [=](float v, float) { return (v * factor) * curve; });
    } else {
        return (value * static_cast<T>(factor)) * static_cast<T>(curve);
    }
}

// Moves a tween's clock by dt and gives its progress, at most 1; sets done once the progress
// passes 1 (a zero duration at once). Finishing needs progress strictly above 1: a step that
// lands on 1 writes the final value and finishes at the next one. Progress below 0 is not
// clamped.
ORVA_TWEEN_ARITHMETIC float advanceProgress(float& elapsed, float inverseDuration, bool instant, float dt,
                                            bool& done) noexcept
{
    elapsed += dt;
    if (instant) {
        done = true;
        return 1.0f;
    }
    const float t = inverseDuration * elapsed;
    if (t > 1.0f) {
        done = true;
        return 1.0f;
    }
    return t;
}

#undef ORVA_TWEEN_ARITHMETIC

} // namespace detail

enum class TweenMode {
    By,
    To,
};

// The fields of a By tween; its action operations come from each concrete class.
template <class T> class ORVA_API ActionTweenByBase : public ActionBase
{
public:
    ActionTweenByBase(T* target, const T& amount, float duration) noexcept
        : instant(duration == 0.0f), target(target), amount(amount),
          inverseDuration(duration == 0.0f ? 0.0f : 1.0f / duration), guard(TargetGuard::forAddress(target))
    {
    }

    // The flags first: they fill the room the base leaves after done, so that what a step
    // reads spans as few cache lines as it can.
    bool instant;
    T* target;
    // The whole change, and the part of it already added.
    T amount;
    T applied{};
    float inverseDuration;
    float elapsed = 0.0f;
    TargetGuard guard;
};

// The fields of a To tween; start and delta are taken at its first step.
template <class T> class ORVA_API ActionTweenToBase : public ActionBase
{
public:
    ActionTweenToBase(T* target, const T& end, float duration) noexcept
        : instant(duration == 0.0f), target(target), end(end),
          inverseDuration(duration == 0.0f ? 0.0f : 1.0f / duration), guard(TargetGuard::forAddress(target))
    {
    }

    // The flags first, as in the By tween.
    bool started = false;
    bool instant;
    T* target;
    T start{};
    T end;
    T delta{};
    float inverseDuration;
    float elapsed = 0.0f;
    TargetGuard guard;
};

template <TweenMode M, class T>
using ActionTweenModeBase =
    std::conditional_t<M == TweenMode::By, ActionTweenByBase<T>, ActionTweenToBase<T>>;

// The one implementation of every tween; Shell is the concrete class deriving from it.
template <class Shell, Ease E, TweenMode M, class T>
class ORVA_API ActionTween : public ActionTweenModeBase<M, T>
{
    using Base = ActionTweenModeBase<M, T>;

public:
    using Base::Base;

    bool update(float dt) final
    {
        if (!this->guard.isAlive()) {
            this->done = true;
            return true;
        }
        if constexpr (M == TweenMode::To) {
            if (!this->started) {
                if (this->target) {
                    this->start = detail::readTarget(this->target);
                    this->delta = detail::difference(this->end, this->start);
                }
                this->started = true;
            }
        }
        const float t =
            detail::advanceProgress(this->elapsed, this->inverseDuration, this->instant, dt, this->done);
        const float curve = easeCurve<E>(t);
        if constexpr (M == TweenMode::By) {
            const T moved = detail::scaled(this->amount, easeAmountFactor<E>, curve);
            if (this->target) {
                const T current = detail::readTarget(this->target);
                detail::writeTarget(this->target,
                                    detail::sum(current, detail::difference(moved, this->applied)));
            }
            this->applied = moved;
        } else if (this->target) {
            detail::writeTarget(this->target,
                                detail::scaledFrom(this->start, this->delta, easeAmountFactor<E>, curve));
        }
        return this->done;
    }

    // Every field copied, done included, with the clock back at the start.
    ActionBase* clone() const final
    {
        Shell* copy = new Shell(static_cast<const Shell&>(*this));
        copy->elapsed = 0.0f;
        if constexpr (M == TweenMode::By) {
            copy->applied = T{};
        } else {
            copy->started = false;
        }
        return copy;
    }

    // A By tween's copy moves by the negated amount; a To tween has no reverse.
    ActionBase* reversedCopy() const final
    {
        if constexpr (M == TweenMode::By) {
            ActionBase* copy = clone();
            static_cast<Shell*>(copy)->amount = detail::negated(this->amount);
            return copy;
        } else {
            return nullptr;
        }
    }
};

// The twenty class templates, e.g. ActionTweenByQuadIn<float>: each is its own pooled class,
// counted under its own name.
#define ORVA_TWEEN_CLASS(Mode, Name)                                                                         \
    template <class T>                                                                                       \
    class ORVA_API ActionTween##Mode##Name final                                                             \
        : public ActionTween<ActionTween##Mode##Name<T>, Ease::Name, TweenMode::Mode, T>                     \
    {                                                                                                        \
    public:                                                                                                  \
        ORVA_POOLED_OPERATORS(ActionTween##Mode##Name)                                                       \
        using ActionTween<ActionTween##Mode##Name<T>, Ease::Name, TweenMode::Mode, T>::ActionTween;          \
    };
#define ORVA_TWEEN_CLASSES(Name, prefix, ...) ORVA_TWEEN_CLASS(By, Name) ORVA_TWEEN_CLASS(To, Name)
ORVA_TWEEN_EASES(ORVA_TWEEN_CLASSES)
#undef ORVA_TWEEN_CLASSES
#undef ORVA_TWEEN_CLASS

// The 100 classes are instantiated once, in the engine.
#define ORVA_TWEEN_EXTERN(Mode, Suffix, T, Name, prefix) extern template class ActionTween##Mode##Name<T>;
ORVA_EVERY_TWEEN(ORVA_TWEEN_EXTERN)
#undef ORVA_TWEEN_EXTERN

} // namespace Orva::Actions
