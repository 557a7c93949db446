#pragma once

#include <string>
#include <vector>

#include "core/Export.h"
#include "core/LiveSerial.h"
#include "core/MemoryPoolManager.h"
#include "core/Vector.h"
#include "graphics/ObjectShader.h"
#include "graphics/ShaderValue.h"

namespace Orva::Graphics {

class Texture;

// One post-process pass of a layer: an ObjectShader that owns a framebuffer with colour
// textures of the viewport's size and a full-screen quad. Its named values are sent as
// uniforms each time its result is drawn. Scripts may keep a pass past its removal; a removed
// one is never read.
class ORVA_API FrameShader : public ObjectShader, public LiveHandle<FrameShader>
{
public:
    ORVA_POOLED_OPERATORS(FrameShader)

    // What a pass draws into its framebuffer before it is used.
    static const int PREVIOUS; // the previous pass's result
    static const int SCREEN;   // the layer's Screen pass result

    // Makes the framebuffer and its colour textures. The count is kept between 1 and what
    // the context can attach and draw to at once (a note on stderr when it is changed).
    FrameShader(const Math::Vector2D<unsigned>& size, unsigned textureCount, int dependency);
    // Withdraws its pending texture requests; deletes framebuffer, colour textures and quad;
    // the base deletes the program.
    ~FrameShader();

    // Remakes framebuffer, colour textures and quad at the new size; program and values stay.
    void recompile(const Math::Vector2D<unsigned>& size);

    void bind() const;
    // Binds the window's framebuffer.
    void unbind() const;
    // When ready: sends the values (floats, ints and 2-vectors; 3-vectors are only stored),
    // binds colour texture i to unit i and the extra textures to the units after them, and
    // draws the full-screen quad.
    void drawResult() const;

    void updateValue(const std::string& name, int value) { values_.update(name, value); }
    void updateValue(const std::string& name, float value) { values_.update(name, value); }
    void updateValue(const std::string& name, const Math::Vector2D<float>& value)
    {
        values_.update(name, value);
    }
    void updateValue(const std::string& name, const Math::Vector3D<float>& value)
    {
        values_.update(name, value);
    }

    // The stored bytes read as the asked type, whatever was stored; an absent name is first
    // inserted as the int 0, so it reads as zero.
    void getValue(const std::string& name, int& out) { out = values_.getInt(name); }
    void getValue(const std::string& name, float& out) { out = values_.getFloat(name); }
    void getValue(const std::string& name, Math::Vector2D<float>& out) { out = values_.getVector2(name); }
    void getValue(const std::string& name, Math::Vector3D<float>& out) { out = values_.getVector3(name); }
    int getIntValue(const std::string& name) { return values_.getInt(name); }
    float getFloatValue(const std::string& name) { return values_.getFloat(name); }
    Math::Vector2D<float> getVect2fValue(const std::string& name) { return values_.getVector2(name); }
    const ShaderValueMap& getValues() const noexcept { return values_; }

    // The colour texture's GL name; 0 past the last one.
    unsigned getTexture(unsigned index) const noexcept;
    unsigned getTextureCount() const noexcept { return textureCount_; }
    int getDependency() const noexcept { return dependency_; }
    unsigned getFramebuffer() const noexcept { return framebuffer_; }

    // Asks the texture manager for the texture; it is appended to the extra textures when it
    // has arrived.
    void addTexture(const std::string& path);
    void addTexture(Texture* texture);
    // Drops the first extra texture whose path is the given one.
    void removeTexture(const std::string& path);
    const std::vector<Texture*>& getExtraTextures() const noexcept { return extraTextures_; }

private:
    void createTargets(const Math::Vector2D<unsigned>& size);
    void deleteTargets() noexcept;

    unsigned quadBuffer_ = 0;
    unsigned framebuffer_ = 0;
    std::vector<unsigned> colorTextures_;
    int dependency_;
    ShaderValueMap values_;
    unsigned textureCount_;
    std::vector<Texture*> extraTextures_;
};

} // namespace Orva::Graphics
