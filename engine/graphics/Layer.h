#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/LiveSerial.h"
#include "core/Matrix44.h"
#include "core/MemoryPoolManager.h"
#include "core/Vector.h"

namespace Orva::Graphics {

class BaseSpriteComponent;
class FrameShader;
class Viewport;

// What orders two sprites of a layer: their owners' world depth, then whether each owner
// has a sprite component, whether that sprite has a texture, and the texture's GL name.
struct SpriteSortKey
{
    float z = 0.0f;
    bool hasSprite = false;
    bool hasTexture = false;
    unsigned textureId = 0;
};

// True when `a` is drawn before `b`: lower z first when the depths differ by more than
// 0.00001; otherwise owners with a sprite before those without, textured before untextured,
// lower texture names first. Not a strict weak ordering (ties are not transitive, NaN
// compares as a tie), so it is only ever given to a stable sort.
ORVA_API bool drawsBefore(const SpriteSortKey& a, const SpriteSortKey& b) noexcept;

// The key of a sprite from its owner: the transform's world z (0 without an owner or a
// transform), and the owner's first SpriteComponent (asked of the owner, not of the sprite)
// with its texture.
ORVA_API SpriteSortKey spriteSortKey(const BaseSpriteComponent& sprite);

// One named layer of the viewport: the sprites drawn on it, in draw order, and its chain of
// frame shaders, the first of which is always its Screen pass, the off-screen target the
// sprites are drawn into. Sprites are not owned: a sprite leaves the layer when it is
// destroyed, and a layer destroyed first queues its sprites' owners for destruction. Scripts
// may keep a layer past its removal; a removed one is never read.
class ORVA_API Layer : public LiveHandle<Layer>
{
public:
    ORVA_POOLED_OPERATORS(Layer)

    // The name every layer gives its Screen pass.
    static constexpr char ScreenPassName[] = "Screen";

    // Makes the Screen pass at the viewport's size.
    explicit Layer(Viewport& viewport);
    // Deletes every frame shader; clears each sprite's layer and queues its owner for
    // destruction at the next frame.
    ~Layer();

    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // Appends the sprite unless it is already here and makes this its layer, taking it out
    // of any other layer first. Null is ignored.
    void addSprite(BaseSpriteComponent* sprite);
    // Takes the sprite out of the list; it then has no layer if this was its layer.
    void removeSprite(BaseSpriteComponent* sprite);
    const std::vector<BaseSpriteComponent*>& getSprites() const noexcept { return sprites_; }

    // A new pass at the viewport's size that starts loading "vertex|fragment" paths, unless a
    // pass of that name exists (which then stays as it is).
    void addFrameShader(const std::string& name, const std::string& paths, unsigned textureCount,
                        int dependency);
    // The pass of that name, or the Screen pass.
    FrameShader& getFrameShader(const std::string& name) const;
    void removeFrameShader(const std::string& name);
    // Deletes the pass with that name hash; the Screen pass is never removed.
    void removeFrameShader(std::uint32_t nameHash);
    const std::vector<FrameShader*>& getFrameShaders() const noexcept { return frameShaders_; }
    FrameShader& getScreenPass() const noexcept { return *screenPass_; }

    // Binds the Screen pass framebuffer and clears it: the targets the Screen pass can show.
    // The second is left out of the pass (not cleared, not drawn into) unless the Screen pass
    // is told to show it, since nothing else reads it.
    void bind() const;
    // Draws the visible sprites into the Screen pass with the projection-view matrix, lists
    // every target of the Screen pass again, then runs the frame-shader chain; leaves the
    // window's framebuffer bound.
    void draw(const Math::Matrix44<float>& projectionView) const;
    // Draws the last pass's result into the framebuffer that is bound. When nothing reads
    // that framebuffer's draw buffers after the first, a colour target shown as it is goes
    // without blending and depth test: the same pixels, for less work.
    void drawResult(bool onlyFirstBufferRead = false) const;
    // The Screen pass shows its first target, so nothing reads the others.
    bool showsFirstTarget() const;
    // The result is a target shown as it is (no pass but the Screen pass, showing one of its
    // targets): opaque, drawn onward without blending or the depth test.
    bool showsTargetAsIs() const;
    // No sprites and no pass but the Screen pass, showing its first target: drawing the
    // layer would only copy what lies beneath it.
    bool isPassThrough() const;
    // Orders the sprites by drawsBefore; equal sprites keep their order.
    void sort();
    // Remakes every pass's targets at the new size.
    void resize(const Math::Vector2D<unsigned>& size);

    bool isVisible() const noexcept { return visible_; }
    void setVisible(bool visible) noexcept { visible_ = visible; }

private:
    void drawSprites(const Math::Matrix44<float>& projectionView) const;
    void runFrameShaderChain() const;
    void drawPassResult(const FrameShader& pass, bool onlyFirstBufferRead) const;

    std::vector<std::uint32_t> frameShaderHashes_;
    std::vector<FrameShader*> frameShaders_;
    FrameShader* screenPass_;
    std::vector<BaseSpriteComponent*> sprites_;
    Viewport* viewport_;
    bool visible_ = true;
};

} // namespace Orva::Graphics
