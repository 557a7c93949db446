#include "graphics/Color.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/TweenTargets.h"

namespace Orva::Graphics {

namespace {

float channel(std::uint32_t packed, int shift) noexcept
{
    return static_cast<float>((packed >> shift) & 0xFFu) / 255.0f;
}

// The low 8 bits of trunc(component × 255), computed without an out-of-range conversion.
unsigned long packedByte(float component) noexcept
{
    const float scaled = component * 255.0f;
    if (!std::isfinite(scaled) || scaled < 0.0f) {
        return 0;
    }
    return static_cast<unsigned long>(std::fmod(std::trunc(static_cast<double>(scaled)), 256.0));
}

float clampUnit(float value) noexcept
{
    return value > 1.0f ? 1.0f : std::max(0.0f, value);
}

} // namespace

Color::Color(unsigned long argb) noexcept
{
    *this = argb;
}

Color& Color::operator=(unsigned long argb) noexcept
{
    const auto packed = static_cast<std::uint32_t>(argb);
    r = channel(packed, 16);
    g = channel(packed, 8);
    b = channel(packed, 0);
    a = channel(packed, 24);
    return *this;
}

unsigned long Color::toHexARGB() const noexcept
{
    return packedByte(r) << 24 | packedByte(g) << 16 | packedByte(b) << 8 | packedByte(a);
}

void Color::setRGB(float red, float green, float blue) noexcept
{
    r = red;
    g = green;
    b = blue;
}

Color Color::lerp(const Color& from, const Color& to, float t) noexcept
{
    return {clampUnit(from.r + (to.r - from.r) * t), clampUnit(from.g + (to.g - from.g) * t),
            clampUnit(from.b + (to.b - from.b) * t), clampUnit(from.a + (to.a - from.a) * t)};
}

Color& Color::operator+=(const Color& c) noexcept
{
    return *this = *this + c;
}

void Color::LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSr() noexcept
{
    Actions::primitiveFloatTarget = &r;
}

void Color::LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSg() noexcept
{
    Actions::primitiveFloatTarget = &g;
}

void Color::LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSb() noexcept
{
    Actions::primitiveFloatTarget = &b;
}

void Color::LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSa() noexcept
{
    Actions::primitiveFloatTarget = &a;
}

} // namespace Orva::Graphics
