#include "actions/ActionTween.h"

#include <cstddef>

#include "graphics/Color.h"

namespace Orva::Actions {

// Vector tweens copy whole vectors of packed floats; a colour's r, g, b lie the same way, so
// they can be handed to a Vector3D<float> tween.
static_assert(sizeof(Math::Vector2D<float>) == 2 * sizeof(float) &&
              offsetof(Math::Vector2D<float>, y) == sizeof(float));
static_assert(sizeof(Math::Vector3D<float>) == 3 * sizeof(float) &&
              offsetof(Math::Vector3D<float>, z) == 2 * sizeof(float));
static_assert(offsetof(Graphics::Color, g) == offsetof(Graphics::Color, r) + sizeof(float) &&
              offsetof(Graphics::Color, b) == offsetof(Graphics::Color, r) + 2 * sizeof(float));

#define ORVA_TWEEN_INSTANCE(Mode, Suffix, T, Name, prefix) template class ActionTween##Mode##Name<T>;
ORVA_EVERY_TWEEN(ORVA_TWEEN_INSTANCE)
#undef ORVA_TWEEN_INSTANCE

} // namespace Orva::Actions
