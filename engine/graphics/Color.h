#pragma once

#include "core/Export.h"

namespace Orva::Graphics {

// The engine's RGBA colour: four floats, nominally 0 to 1, never clamped except by lerp.
// Packed forms: the constructor and assignment from an integer read 0xAARRGGBB, while
// toHexARGB writes 0xRRGGBBAA (red highest, alpha lowest).
struct ORVA_API Color
{
    float r;
    float g;
    float b;
    float a;

    // Opaque white.
    constexpr Color() noexcept : r(1.0f), g(1.0f), b(1.0f), a(1.0f) {}
    constexpr Color(float r, float g, float b, float a) noexcept : r(r), g(g), b(b), a(a) {}
    // Reads the low 32 bits as 0xAARRGGBB.
    Color(unsigned long argb) noexcept;
    Color& operator=(unsigned long argb) noexcept;

    // Packs 0xRRGGBBAA from each component × 255, truncated, low 8 bits kept; a negative,
    // NaN or infinite component packs as 0.
    unsigned long toHexARGB() const noexcept;
    explicit operator unsigned long() const noexcept { return toHexARGB(); }

    void setRGB(float red, float green, float blue) noexcept;
    void setAlpha(float alpha) noexcept { a = alpha; }

    // from + (to − from) × t per component, then clamped to [0, 1] (NaN gives 0).
    static Color lerp(const Color& from, const Color& to, float t) noexcept;

    Color operator*(float s) const noexcept { return {r * s, g * s, b * s, a * s}; }
    Color operator+(const Color& c) const noexcept { return {r + c.r, g + c.g, b + c.b, a + c.a}; }
    Color& operator+=(const Color& c) noexcept;

    // Exact comparison: a NaN component makes a colour unequal to every colour.
    bool operator==(const Color& c) const noexcept { return r == c.r && g == c.g && b == c.b && a == c.a; }
    bool operator!=(const Color& c) const noexcept { return !(*this == c); }

    // Make one component the target of the next float tween a script creates; the colour
    // has to outlive that tween.
    void LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSr() noexcept;
    void LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSg() noexcept;
    void LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSb() noexcept;
    void LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSa() noexcept;
};

} // namespace Orva::Graphics
