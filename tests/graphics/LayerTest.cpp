#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "SceneFixture.h"
#include "graphics/EngineShaders.h"
#include "graphics/Renderer.h"
#include "graphics/SpriteComponent.h"

namespace {

using Orva::Graphics::BaseSpriteComponent;
using Orva::Graphics::Layer;

class PixelTest : public SceneTest
{
protected:
    // Row 120 of the last frame is red from column `first` to `last` and background
    // around them.
    void expectRedColumns(unsigned first, unsigned last)
    {
        EXPECT_EQ(pixel(first - 1, 120), Background) << "column " << first - 1;
        EXPECT_EQ(pixel(first, 120), RedPixel) << "column " << first;
        EXPECT_EQ(pixel(last, 120), RedPixel) << "column " << last;
        EXPECT_EQ(pixel(last + 1, 120), Background) << "column " << last + 1;
    }
};

TEST_F(PixelTest, AUnitQuadAtTheOriginCoversSixtyFourPixelsAroundTheCentre)
{
    addSprite("default", Red, makeOwner(0.0f, 0.0f));
    drawFrame();
    EXPECT_EQ(pixel(160, 120), RedPixel);
    EXPECT_EQ(pixel(5, 5), Background);
    expectRedColumns(128, 191);
    EXPECT_EQ(pixel(160, 87), Background);
    EXPECT_EQ(pixel(160, 88), RedPixel);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PixelTest, MovingUpInTheWorldMovesUpInTheCapture)
{
    addSprite("default", Red, makeOwner(0.0f, 0.78125f));
    drawFrame();
    EXPECT_EQ(pixel(160, 70), RedPixel);
    EXPECT_EQ(pixel(160, 170), Background);
}

TEST_F(PixelTest, TheCameraAndItsZoomMoveTheQuad)
{
    addSprite("default", Red, makeOwner(1.0f, 0.0f));
    viewport().getCameraPosition() = {1.0f, 0.0f};
    viewport().getCameraScale() = {2.0f, 2.0f};
    drawFrame();
    expectRedColumns(96, 223);
}

TEST_F(PixelTest, AHigherLayerCoversALowerOneUnlessItIsInvisible)
{
    addSprite("a", Red, makeOwner(0.0f, 0.0f));
    addSprite("b", Green, makeOwner(0.0f, 0.0f));
    drawFrame();
    EXPECT_EQ(pixel(160, 120), GreenPixel);
    EXPECT_EQ(pixel(5, 5), Background);

    viewport().getLayer("b")->setVisible(false);
    drawFrame();
    EXPECT_EQ(pixel(160, 120), RedPixel);

    // Only the top layer visible: the ones below do not reach the window.
    viewport().getLayer("b")->setVisible(true);
    viewport().getLayer("a")->setVisible(false);
    addSprite("default", Red, makeOwner(1.0f, 0.0f));
    viewport().getLayer("default")->setVisible(false);
    drawFrame();
    EXPECT_EQ(pixel(160, 120), GreenPixel);
    EXPECT_EQ(pixel(160 + 64, 120), Background);
}

TEST_F(PixelTest, ALoneInvisibleFirstLayerShowsOnlyTheClearColour)
{
    addSprite("default", Red, makeOwner(0.0f, 0.0f));
    viewport().getLayer("default")->setVisible(false);
    drawFrame();
    EXPECT_EQ(pixel(160, 120), Background);
    EXPECT_EQ(pixel(5, 5), Background);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PixelTest, WithinALayerTheListOrderIsTheDrawOrder)
{
    // The layer's target has no depth buffer: a lower z drawn later still covers.
    addSprite("default", Red, makeOwner(0.0f, 0.0f, -5.0f));
    addSprite("default", Green, makeOwner(0.0f, 0.0f, 5.0f));
    std::swap(sprites[0].color, sprites[1].color);
    drawFrame();
    EXPECT_EQ(pixel(160, 120), RedPixel);
}

class CullTest : public SceneTest
{
protected:
    // Whether a sprite of the given half width at x is drawn.
    template <class Sprite> int drawsAt(Sprite& sprite, float x)
    {
        moveOwner(sprite.owner, x, 0.0f);
        const int before = sprite.draws;
        drawFrame();
        return sprite.draws - before;
    }
};

TEST_F(CullTest, ASpriteTouchingTheViewEdgeIsDrawnAndOneAHairFurtherIsNot)
{
    TestSprite& sprite = addSprite("default", Red, makeOwner(0.0f, 0.0f));
    // The view is 2.5 units either side of the camera; the quad is 0.5 either side of x.
    EXPECT_EQ(drawsAt(sprite, -3.0f), 1);
    EXPECT_EQ(drawsAt(sprite, -3.0001f), 0);
    EXPECT_EQ(drawsAt(sprite, 3.0f), 1);
    EXPECT_EQ(drawsAt(sprite, 3.0001f), 0);
    moveOwner(sprite.owner, 0.0f, 2.375f);
    drawFrame();
    moveOwner(sprite.owner, 0.0f, -2.376f);
    drawFrame();
    EXPECT_EQ(sprite.draws, 3);
}

// A sprite component whose size widens what is culled; it counts the layer's calls.
struct SizedSprite : Orva::Graphics::SpriteComponent
{
    bool draw(const Orva::Math::Matrix44<float>&) override
    {
        ++draws;
        return false;
    }
    int draws = 0;
};

TEST_F(CullTest, ASpriteComponentsSizeScalesItsBox)
{
    SizedSprite sprite;
    sprite.owner = makeOwner(0.0f, 0.0f);
    sprite.setSize({2.0f, 1.0f});
    viewport().getLayer("default")->addSprite(&sprite);
    EXPECT_EQ(drawsAt(sprite, -3.5f), 1);
    EXPECT_EQ(drawsAt(sprite, -3.5001f), 0);
    // A negative size still makes a box of positive size.
    sprite.setSize({-2.0f, 1.0f});
    EXPECT_EQ(drawsAt(sprite, 3.5f), 1);
    sprite.removeFromLayer(false);
}

TEST_F(CullTest, InactiveOrUnplacedOwnersAreNotDrawnButStillSwitchTheShader)
{
    Orva::Graphics::ObjectShader second;
    second.evaluate(Orva::Graphics::ShaderSources::DefaultObjectVertex,
                    Orva::Graphics::ShaderSources::DefaultObjectFragment);
    ASSERT_TRUE(second.isReady());
    const auto projection = [&] {
        float values[16] = {};
        glGetUniformfv(second.getId(), second.getUniformLocation("projMtx"), values);
        return values[0];
    };

    Orva::GameObject* inactive = makeOwner(0.0f, 0.0f);
    inactive->active = false;
    TestSprite& sleeping = addSprite("default", Red, inactive, &second);
    drawFrame();
    EXPECT_EQ(sleeping.draws, 0);
    EXPECT_EQ(pixel(160, 120), Background);
    // projMtx is the viewport's matrix, sent transposed: element 0 is 2 / 320 × 64.
    EXPECT_FLOAT_EQ(projection(), 0.4f);

    viewport().getCameraScale() = {2.0f, 2.0f};
    Orva::GameObject* unplaced = Orva::GameObjectManager::getInstance().create();
    sleeping.owner = unplaced;
    drawFrame();
    EXPECT_EQ(sleeping.draws, 0);
    EXPECT_FLOAT_EQ(projection(), 0.8f);

    sleeping.owner = nullptr;
    viewport().getCameraScale() = {1.0f, 1.0f};
    drawFrame();
    EXPECT_FLOAT_EQ(projection(), 0.4f);
    sleeping.removeFromLayer(false);
}

TEST_F(CullTest, ANullShaderIsNeverMadeCurrent)
{
    // A sprite put into a layer before its shader exists: the layer leaves the shader alone,
    // and the sprite itself declines to draw.
    struct Unready : TestSprite
    {
        using TestSprite::TestSprite;
        bool draw(const Orva::Math::Matrix44<float>&) override
        {
            ++draws;
            return false;
        }
    };
    Unready unready(Red, nullptr);
    unready.owner = makeOwner(0.0f, 0.0f);
    viewport().getLayer("default")->addSprite(&unready);
    addSprite("default", Green, makeOwner(0.0f, 0.0f));
    drawFrame();
    EXPECT_EQ(unready.draws, 1);
    EXPECT_EQ(pixel(160, 120), GreenPixel);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    unready.removeFromLayer(false);
}

} // namespace
