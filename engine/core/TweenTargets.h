#pragma once

#include <type_traits>

#include "core/Export.h"

// The process-wide addresses that the next primitive tween made by a script animates. A
// "push" member of a value type (a vector component, a colour channel, a rotation, a frame
// counter) stores the address of its field here; the tween factories take whatever address
// is held. Null at load, overwritten by every push, never cleared by the tweens. They live in
// core so that value types can push without depending on the action system.
namespace Orva::Actions {

extern ORVA_API float* primitiveFloatTarget;
extern ORVA_API int* primitiveIntTarget;
// Nothing in the engine pushes a double; a double tween made from here has no target.
extern ORVA_API double* primitiveDoubleTarget;
// The float slot under the name the value types' own interface gives it: the same variable.
extern ORVA_API float*& floatTweenTarget;

// The value types whose tweens take their target from a slot above.
template <class T>
inline constexpr bool isPrimitiveTarget =
    std::is_same_v<T, float> || std::is_same_v<T, int> || std::is_same_v<T, double>;

// The address held for T's tweens now.
template <class T>
requires isPrimitiveTarget<T> T* primitiveTarget() noexcept
{
    if constexpr (std::is_same_v<T, float>) {
        return primitiveFloatTarget;
    } else if constexpr (std::is_same_v<T, int>) {
        return primitiveIntTarget;
    } else {
        return primitiveDoubleTarget;
    }
}

} // namespace Orva::Actions
