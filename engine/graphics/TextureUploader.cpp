#include "graphics/TextureUploader.h"

#include <GL/glew.h>
#include <SOIL/SOIL.h>

#include <cstddef>
#include <vector>

// The image library of SOIL exports older decoder functions under the same names; this
// copy stays private to the engine so that decoding runs the code it was built against.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "graphics/Renderer.h"

namespace Orva::Graphics {

DecodedImage::DecodedImage(const std::string& fileContents)
{
    if (fileContents.empty()) {
        failure_ = "the file is missing or empty";
        return;
    }
    pixels_ = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(fileContents.data()),
                                    static_cast<int>(fileContents.size()), &width_, &height_, &channels_, 0);
    if (pixels_ == nullptr) {
        failure_ = stbi_failure_reason();
    }
}

DecodedImage::~DecodedImage()
{
    stbi_image_free(pixels_);
}

TextureUploader::~TextureUploader() = default;

bool rasterizesInSoftware()
{
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (renderer == nullptr) {
        return false;
    }
    const std::string name(renderer);
    return name.find("llvmpipe") != std::string::npos || name.find("softpipe") != std::string::npos;
}

void storeDecoded(unsigned name)
{
    glBindTexture(GL_TEXTURE_2D, name);
    GLint compressed = GL_FALSE;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED, &compressed);
    if (compressed == GL_FALSE) {
        return;
    }
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<unsigned char> texels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
}

namespace {

class GLTextureUploader final : public TextureUploader
{
public:
    unsigned generateName() override
    {
        GLuint name = 0;
        if (hasContext()) {
            glGenTextures(1, &name);
        }
        return name;
    }

    void deleteName(unsigned name) override
    {
        if (name != 0 && hasContext()) {
            glDeleteTextures(1, &name);
        }
    }

    bool upload(unsigned name, const DecodedImage& image) override
    {
        if (!hasContext() || !image.isValid()) {
            return false;
        }
        // Rows of odd-width RGB images are not 4-byte aligned; should compression be
        // unavailable, the uncompressed path would otherwise skew them.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        if (SOIL_create_OGL_texture(image.getPixels(), image.getWidth(), image.getHeight(),
                                    image.getChannels(), name, SOIL_FLAG_COMPRESS_TO_DXT) == 0) {
            return false;
        }
        if (rasterizesInSoftware()) {
            storeDecoded(name);
        }
        return true;
    }

    Math::Vector2D<unsigned> prepare(unsigned name, int wrapMode) override
    {
        if (!hasContext()) {
            return {0, 0};
        }
        glBindTexture(GL_TEXTURE_2D, name);
        GLint width = 0;
        GLint height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        setWrap(wrapMode);
        return {static_cast<unsigned>(width), static_cast<unsigned>(height)};
    }

    void setWrapMode(unsigned name, int wrapMode) override
    {
        if (!hasContext()) {
            return;
        }
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glBindTexture(GL_TEXTURE_2D, name);
        setWrap(wrapMode);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    }

    void activateUnit(unsigned unit) override
    {
        if (hasContext()) {
            glActiveTexture(GL_TEXTURE0 + unit);
        }
    }

    void bind(unsigned name) override
    {
        if (hasContext()) {
            glBindTexture(GL_TEXTURE_2D, name);
        }
    }

private:
    static bool hasContext() noexcept
    {
        return Renderer::hasInstance() && Renderer::getInstance().isInitialized();
    }

    static void setWrap(int wrapMode)
    {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapMode);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapMode);
    }
};

} // namespace

std::unique_ptr<TextureUploader> makeGLTextureUploader()
{
    return std::make_unique<GLTextureUploader>();
}

} // namespace Orva::Graphics
