#pragma once

#include <type_traits>

#include "audio/AudioChannel.h"
#include "core/Vector.h"
#include "graphics/Color.h"
#include "graphics/ShaderValue.h"
#include "luabridge/Userdata.h"
#include "physics/CollisionEvent.h"

// The engine types that cross into scripts by value: each script copy lives in its own
// userdata, owned by the interpreter. Every binding file that passes one includes this
// header, so that no binding instantiates the by-pointer form first.
namespace luabridge {

template <Orva::Math::detail::VectorComponent T> struct ByValue<Orva::Math::Vector2D<T>> : std::true_type
{
};
template <Orva::Math::detail::VectorComponent T> struct ByValue<Orva::Math::Vector3D<T>> : std::true_type
{
};
// A collision listener's "collisionEvent" is its own copy.
template <> struct ByValue<Orva::Physics::CollisionEvent> : std::true_type
{
};

template <> struct ByValue<Orva::Graphics::Color> : std::true_type
{
};
template <> struct ByValue<Orva::Graphics::ShaderValue> : std::true_type
{
};
template <> struct ByValue<Orva::Audio::AudioChannel> : std::true_type
{
};

} // namespace luabridge
