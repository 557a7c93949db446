#include "graphics/TestImages.h"

#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

void appendBytes(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<std::size_t>(size));
}

} // namespace

std::string makePng(unsigned width, unsigned height,
                    const std::function<Rgb(unsigned x, unsigned y)>& colorAt)
{
    std::vector<unsigned char> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height * 3);
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            const Rgb color = colorAt(x, y);
            pixels.push_back(static_cast<unsigned char>(color.r));
            pixels.push_back(static_cast<unsigned char>(color.g));
            pixels.push_back(static_cast<unsigned char>(color.b));
        }
    }
    std::string file;
    stbi_write_png_to_func(&appendBytes, &file, static_cast<int>(width), static_cast<int>(height), 3,
                           pixels.data(), static_cast<int>(width * 3));
    return file;
}
