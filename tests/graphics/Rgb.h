#pragma once

#include <cstddef>
#include <ostream>
#include <vector>

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

// A frame read back, three bytes a pixel, rows from the top.
struct Capture
{
    unsigned width = 0;
    std::vector<unsigned char> bytes;

    // (-1, -1, -1) outside the frame.
    Rgb pixel(unsigned x, unsigned y) const
    {
        const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
        if (x >= width || bytes.size() < at + 3) {
            return {-1, -1, -1};
        }
        return {bytes[at], bytes[at + 1], bytes[at + 2]};
    }
};
