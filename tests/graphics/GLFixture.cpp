#include "GLFixture.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <iostream>

void GLTest::saveLastCapture() const
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path file =
        outputDirectory_ / (std::string(test->test_suite_name()) + "." + test->name() + ".png");
    if (stbi_write_png(file.c_str(), Width, Height, 3, lastCapture_.data(), Width * 3) != 0) {
        std::cerr << "capture written to " << file << '\n';
    }
}
