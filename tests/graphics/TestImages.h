#pragma once

#include <functional>
#include <string>

#include "graphics/Rgb.h"

// The bytes of an RGB PNG file, each pixel coloured by colorAt(x, y), y from the top row.
std::string makePng(unsigned width, unsigned height,
                    const std::function<Rgb(unsigned x, unsigned y)>& colorAt);
