#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

#include "SceneFixture.h"
#include "TestImages.h"
#include "graphics/FrameShader.h"
#include "graphics/Layer.h"
#include "graphics/SpriteComponent.h"
#include "graphics/Texture.h"
#include "graphics/TextureManager.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"

// Textures and sprites drawn on the renderer: pixels, flips, atlases, animation frames, and
// requesters that go away before their image arrives.

namespace {

using Orva::GameObject;
using Orva::GameObjectManager;
using Orva::Graphics::Color;
using Orva::Graphics::SpriteComponent;
using Orva::Graphics::Texture;
using Orva::Graphics::TextureManager;

constexpr Rgb BlackRgb{0, 0, 0};
constexpr Rgb RedRgb{255, 0, 0};
constexpr Rgb GreenRgb{0, 255, 0};
constexpr Rgb BlueRgb{0, 0, 255};
constexpr Rgb WhiteRgb{255, 255, 255};

// 64 x 64: red top-left, green top-right, blue bottom-left, white bottom-right.
std::string quadrantPng()
{
    return makePng(64, 64, [](unsigned x, unsigned y) {
        if (y < 32) {
            return x < 32 ? RedRgb : GreenRgb;
        }
        return x < 32 ? BlueRgb : WhiteRgb;
    });
}

class TexturePixelTest : public SceneTest
{
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        renderer->setClearColor({0.0f, 0.0f, 0.0f, 1.0f});
    }

    static TextureManager& textures() { return TextureManager::getInstance(); }

    void writeImage(const std::string& path, const std::string& png) const
    {
        writeResource(path, png, false);
    }

    // A sprite of the image on a new object at the origin.
    static SpriteComponent* spriteOf(const std::string& path)
    {
        SpriteComponent* sprite = makeOwner(0.0f, 0.0f)->addComponent<SpriteComponent>();
        sprite->initialize(path, Color());
        return sprite;
    }

    // Frames until the texture table holds the path and then until the loader has delivered
    // its animation file (asked for at the next frame's dispatch), then 60 more.
    bool loadedAfterFrames(const std::string& path)
    {
        const bool loaded = runFramesUntil([&] { return textures().getTexture(path) != nullptr; });
        runFrames(1);
        const bool answered =
            runFramesUntil([] { return Orva::Resources::ResourceManager::getInstance().isDone(); });
        runFrames(60);
        return loaded && answered;
    }
};

TEST_F(TexturePixelTest, AnImageIsDrawnExactlyAndFlipsAcross)
{
    writeImage("images/quad.png", quadrantPng());
    SpriteComponent* sprite = spriteOf("images/quad.png");
    ASSERT_TRUE(loadedAfterFrames("images/quad.png"));
    drawFrame();
    EXPECT_EQ(pixel(144, 104), RedRgb);
    EXPECT_EQ(pixel(176, 104), GreenRgb);
    EXPECT_EQ(pixel(144, 136), BlueRgb);
    EXPECT_EQ(pixel(176, 136), WhiteRgb);
    EXPECT_EQ(pixel(10, 10), BlackRgb);

    sprite->flipX();
    drawFrame();
    EXPECT_EQ(pixel(144, 104), GreenRgb);
    EXPECT_EQ(pixel(176, 136), BlueRgb);

    GLint width = 0;
    GLint height = 0;
    glBindTexture(GL_TEXTURE_2D, sprite->getTexture()->getId());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 64);
}

TEST_F(TexturePixelTest, AnAtlasRectangleShowsOnlyItsOwnPixels)
{
    writeImage("images/ui.png", makePng(256, 128, [](unsigned x, unsigned y) {
                   return x >= 64 && x < 96 && y >= 32 && y < 64 ? GreenRgb : RedRgb;
               }));
    writeResource("atlas/ui.xml",
                  R"(<TextureAtlas imagePath="ui.png" width="256" height="128">
                     <sprite n="button.png" x="64" y="32" w="32" h="32"/></TextureAtlas>)",
                  false);
    ASSERT_NE(textures().addAtlas("atlas/ui.xml"), nullptr);
    spriteOf("images/button.png");
    ASSERT_TRUE(runFramesUntil([&] { return textures().getTexture("images/button.png")->isLoaded(); }));
    drawFrame();
    for (unsigned y = 104; y < 136; ++y) {
        for (unsigned x = 144; x < 176; ++x) {
            ASSERT_EQ(pixel(x, y), GreenRgb) << "(" << x << ", " << y << ")";
        }
    }
    EXPECT_EQ(pixel(143, 120), BlackRgb);
    EXPECT_EQ(pixel(176, 120), BlackRgb);
}

TEST_F(TexturePixelTest, AnAnimatedSheetShowsItsFirstFrameUntilTheSeventhUpdate)
{
    writeImage("images/spin.png", makePng(256, 64, [](unsigned x, unsigned) {
                   const Rgb columns[] = {RedRgb, GreenRgb, BlueRgb, WhiteRgb};
                   return columns[x / 64];
               }));
    writeResource(
        "images/spin.xml",
        R"(<animation><frames x="4" y="1"/><names><name text="spin" frames="4"/></names></animation>)",
        false);
    SpriteComponent* sprite = spriteOf("images/spin.png");
    ASSERT_TRUE(loadedAfterFrames("images/spin.png"));
    ASSERT_EQ(sprite->getCurrentAnimation(), "spin");
    sprite->initAnimation(true, 0, 10, "spin");
    for (int update = 1; update <= 12; ++update) {
        sprite->update(0.016f);
        drawFrame();
        EXPECT_EQ(pixel(160, 120), update < 7 ? RedRgb : GreenRgb) << "update " << update;
    }
}

TEST_F(TexturePixelTest, AnUntexturedSpriteDrawsAOneUnitQuadInItsColour)
{
    SpriteComponent* sprite = spriteOf("images/never.png");
    sprite->setColor({0.0f, 0.0f, 1.0f, 1.0f});
    runFrames(1);
    drawFrame();
    EXPECT_EQ(pixel(160, 120), BlueRgb);
    EXPECT_EQ(pixel(129, 89), BlueRgb);
    EXPECT_EQ(pixel(126, 120), BlackRgb);
}

TEST_F(TexturePixelTest, ASpriteSitsInOneLayerAndWithoutAShaderDrawsNothing)
{
    viewport().addLayer("a");
    SpriteComponent* sprite = spriteOf("images/never.png");
    sprite->moveToLayer("a");
    sprite->initialize(false);
    EXPECT_EQ(sprite->getLayer(), viewport().getLayer("default"));
    EXPECT_TRUE(viewport().getLayer("a")->getSprites().empty()) << "initialize leaves the other layer";
    sprite->moveToLayer("a");
    sprite->addToViewport();
    EXPECT_TRUE(viewport().getLayer("a")->getSprites().empty());
    sprite->moveToLayer(7u);
    EXPECT_EQ(sprite->getLayer(), nullptr) << "past the last layer: in none";
    EXPECT_TRUE(viewport().getLayer("default")->getSprites().empty());

    SpriteComponent* bare = makeOwner(0.0f, 0.0f)->addComponent<SpriteComponent>();
    bare->moveToLayer("default");
    EXPECT_FALSE(bare->draw(viewport().getMatrix()));
    drawFrame();
    EXPECT_EQ(pixel(160, 120), BlackRgb);
}

TEST_F(TexturePixelTest, ASpriteDestroyedBeforeItsImageArrivesIsNotServed)
{
    writeImage("images/quad.png", quadrantPng());
    GameObject* asking = makeOwner(0.0f, 0.0f);
    asking->addComponent<SpriteComponent>()->changeTexture("images/quad.png");
    runFrames(1);
    GameObjectManager::getInstance().destroy(asking);
    SpriteComponent* untextured = makeOwner(0.0f, 0.0f)->addComponent<SpriteComponent>();
    ASSERT_TRUE(loadedAfterFrames("images/quad.png"));
    EXPECT_EQ(untextured->getTexture(), nullptr);
    EXPECT_EQ(textures().getTexture("images/quad.png")->getUseCount(), 0);
}

TEST_F(TexturePixelTest, AFrameShaderDeletedWithATexturePendingIsNotServed)
{
    writeImage("images/quad.png", quadrantPng());
    viewport().addFrameShader("glow", "shaders/none.vs|shaders/none.fs", 1,
                              Orva::Graphics::FrameShader::SCREEN);
    viewport().getFrameShader("glow").addTexture("images/quad.png");
    viewport().removeFrameShader("glow");
    viewport().addFrameShader("blur", "shaders/none.vs|shaders/none.fs", 1,
                              Orva::Graphics::FrameShader::SCREEN);
    ASSERT_TRUE(loadedAfterFrames("images/quad.png"));
    EXPECT_TRUE(viewport().getFrameShader("blur").getExtraTextures().empty());
    EXPECT_TRUE(textures().getPendingShaderRequests().empty());
}

TEST_F(TexturePixelTest, ATextureRemovedWhileItsAnimationFileIsReadIsLeftAlone)
{
    writeImage("images/quad.png", quadrantPng());
    writeImage("images/other.png", quadrantPng());
    writeResource(
        "images/quad.xml",
        R"(<animation><frames x="2" y="2"/><names><name text="all" frames="2"/></names></animation>)", false);
    textures().load("images/quad.png");
    ASSERT_TRUE(runFramesUntil([&] { return textures().getTexture("images/quad.png") != nullptr; }));
    textures().forceRemove(textures().getTexture("images/quad.png"));
    textures().load("images/other.png");
    ASSERT_TRUE(loadedAfterFrames("images/other.png"));
    Texture* other = textures().getTexture("images/other.png");
    EXPECT_TRUE(other->getAnimationData().empty()) << "the reply for images/quad.png is not applied to it";
    EXPECT_EQ(other->getMaxFramesX(), 1u);
    EXPECT_EQ(textures().getTexture("images/quad.png"), nullptr);
}

} // namespace
