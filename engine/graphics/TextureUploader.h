#pragma once

#include <memory>
#include <string>

#include "core/Export.h"
#include "core/Vector.h"

namespace Orva::Graphics {

// The pixels of an image file, decoded with the image's own channel count.
class ORVA_API DecodedImage
{
public:
    explicit DecodedImage(const std::string& fileContents);
    ~DecodedImage();

    DecodedImage(const DecodedImage&) = delete;
    DecodedImage& operator=(const DecodedImage&) = delete;

    bool isValid() const noexcept { return pixels_ != nullptr; }
    const unsigned char* getPixels() const noexcept { return pixels_; }
    int getWidth() const noexcept { return width_; }
    int getHeight() const noexcept { return height_; }
    int getChannels() const noexcept { return channels_; }
    // Why decoding failed; empty when it did not.
    const std::string& getFailure() const noexcept { return failure_; }

private:
    unsigned char* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int channels_ = 0;
    std::string failure_;
};

// Every OpenGL call that textures make, so that the texture manager's bookkeeping runs the
// same against a stand-in without a context.
class ORVA_API TextureUploader
{
public:
    virtual ~TextureUploader();

    // A new texture name; 0 when there is no context to make one in.
    virtual unsigned generateName() = 0;
    // Nothing for 0, or once the context is gone (its names went with it).
    virtual void deleteName(unsigned name) = 0;
    // Stores the image in the named texture (DXT-compressed where the driver can, with the
    // compression's losses); false when no texture could be made.
    virtual bool upload(unsigned name, const DecodedImage& image) = 0;
    // Binds the texture, sets nearest filtering and the wrap mode on both axes, and returns
    // the size of its level 0 as the driver reports it.
    virtual Math::Vector2D<unsigned> prepare(unsigned name, int wrapMode) = 0;
    // Sets the wrap mode on both axes, leaving the bound texture as it was.
    virtual void setWrapMode(unsigned name, int wrapMode) = 0;
    virtual void activateUnit(unsigned unit) = 0;
    virtual void bind(unsigned name) = 0;
};

// Whether the current context rasterises on the CPU (Mesa's llvmpipe or softpipe), which
// decodes a compressed texture at every sample: sprite drawing then spends about half its time
// decoding.
ORVA_API bool rasterizesInSoftware();
// Stores level 0 of the named texture, when compressed, as its decoded 8-bit RGBA texels: the
// same image, sampled without decoding. Leaves the texture bound to GL_TEXTURE_2D.
ORVA_API void storeDecoded(unsigned name);

// The uploader on the renderer's context; every call is skipped while there is none. Images
// are DXT-compressed, then, on a software rasteriser, stored decoded.
ORVA_API std::unique_ptr<TextureUploader> makeGLTextureUploader();

} // namespace Orva::Graphics
