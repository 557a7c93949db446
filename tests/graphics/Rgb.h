#pragma once

#include <ostream>

// One pixel of a capture.
struct Rgb
{
    int r;
    int g;
    int b;

    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& pixel)
{
    return out << '(' << pixel.r << ',' << pixel.g << ',' << pixel.b << ')';
}
