#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SceneFixture.h"
#include "TestImages.h"
#include "core/Matrix44.h"
#include "graphics/FontManager.h"
#include "graphics/FrameShader.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteBatch.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "graphics/Texture.h"
#include "graphics/TextureManager.h"
#include "luabridge/LuaBridge.h"
#include "world/LuaScriptManager.h"

// Text and particles drawn on the renderer: glyph pixels and alignment, their place in a
// layer's draw order among batched sprites, blending, emitters batched together, and a script
// setting a shader's uniform.

namespace {

using Orva::GameObject;
using Orva::Graphics::Color;
using Orva::Graphics::ParticleEmitterComponent;
using Orva::Graphics::SpriteFontComponent;

constexpr char Font[] = "fonts/DejaVuSans.ttf";
constexpr Rgb Black{0, 0, 0};
constexpr Rgb Yellow{255, 255, 0};
constexpr Color YellowColor{1, 1, 0, 1};

class TextParticleDrawTest : public SceneTest
{
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        renderer->setClearColor({0, 0, 0, 1});
        installFont(Font);
        Orva::Graphics::FontManager::getInstance().makeFont(Font, 40);
    }

    static SpriteFontComponent* textAt(float x, float y, const std::string& value)
    {
        auto* text = makeOwner(x, y)->addComponent<SpriteFontComponent>();
        text->initialize(value, Font);
        text->setColor(YellowColor);
        return text;
    }

    // An emitter at (x, y) with one still particle of the colour and size, emitted now.
    static ParticleEmitterComponent* particleAt(float x, float y, const Color& color, float size)
    {
        auto* component = makeOwner(x, y)->addComponent<ParticleEmitterComponent>();
        Orva::Graphics::ParticleEmitter& emitter = *component->get();
        emitter.active = true;
        emitter.randomAcceleration = {0, 0, 0};
        emitter.setSize({size, size}, {0, 0});
        emitter.addColor(color);
        emitter.update(0.016f);
        return component;
    }
};

TEST_F(TextParticleDrawTest, TextPixelsFollowTheGlyphsAndTheAlignment)
{
    SpriteFontComponent* text = textAt(0, 0, "Hi");
    drawFrame();
    EXPECT_EQ(pixel(165, 100), Yellow) << "the stem of H";
    EXPECT_EQ(pixel(174, 104), Yellow) << "its bar";
    EXPECT_EQ(pixel(174, 100), Black) << "between the stems";
    text->setAlignment(SpriteFontComponent::Centred);
    drawFrame();
    EXPECT_EQ(pixel(147, 100), Yellow);
    text->setAlignment(SpriteFontComponent::Right);
    drawFrame();
    EXPECT_EQ(pixel(129, 100), Yellow);
}

TEST_F(TextParticleDrawTest, TextAndEmittersKeepTheirPlaceAmongBatchedSprites)
{
    writeResource("images/quad.png",
                  makePng(64, 64,
                          [](unsigned x, unsigned y) {
                              return y < 32 ? (x < 32 ? Rgb{255, 0, 0} : Rgb{0, 255, 0}) : Rgb{0, 0, 255};
                          }),
                  false);
    Orva::Graphics::TextureManager::getInstance().load("images/quad.png");
    ASSERT_TRUE(runFramesUntil([] {
        return Orva::Graphics::TextureManager::getInstance().getTexture("images/quad.png") != nullptr;
    }));
    const auto sprite = [](float x) {
        makeOwner(x, 0)->addComponent<Orva::Graphics::SpriteComponent>()->initialize("images/quad.png",
                                                                                     Color());
    };
    sprite(-2);
    textAt(0, 1, "Hi");
    particleAt(0, -1, {0, 1, 1, 1}, 0.5f);
    sprite(2);
    ASSERT_EQ(viewport().getLayer("default")->getSprites().size(), 4u);

    drawFrame();
    const std::vector<unsigned char> batched = lastCapture();
    EXPECT_EQ(pixel(16, 104), (Rgb{255, 0, 0}));
    EXPECT_EQ(pixel(272, 104), (Rgb{255, 0, 0})) << "the last sprite shows its own texture";
    EXPECT_EQ(pixel(304, 104), (Rgb{0, 255, 0}));
    EXPECT_EQ(pixel(160, 184), (Rgb{0, 255, 255})) << "the particle";
    renderer->setSpriteBatching(false);
    drawFrame();
    EXPECT_TRUE(lastCapture() == batched) << "the same frame, sprite by sprite";
}

TEST_F(TextParticleDrawTest, ParticlesBlendAdditivelyOrByAlphaAndLeaveAlphaBlending)
{
    renderer->setClearColor({0, 0, 1, 1});
    ParticleEmitterComponent* emitter = particleAt(0, 0, {1, 0, 0, 1}, 1.0f);
    emitter->get()->setBlendMode(true);
    drawFrame();
    EXPECT_EQ(pixel(160, 120), (Rgb{255, 0, 255}));
    emitter->get()->setBlendMode(false);
    drawFrame();
    EXPECT_EQ(pixel(160, 120), (Rgb{255, 0, 0}));
    GLint blend[2] = {};
    glGetIntegerv(GL_BLEND_SRC_RGB, &blend[0]);
    glGetIntegerv(GL_BLEND_DST_RGB, &blend[1]);
    EXPECT_EQ(blend[0], GL_SRC_ALPHA) << "alpha blending again";
    EXPECT_EQ(blend[1], GL_ONE_MINUS_SRC_ALPHA);
}

// Emitters next to each other in a layer that share texture and blending draw as one run of
// the batch, whose vertex storage is written on from draw to draw and reused once the draws
// that read it are done; the frames match those drawn particle by particle.
TEST_F(TextParticleDrawTest, EmittersSharingTextureAndBlendingDrawAsOneRunWithTheSamePixels)
{
    // One colour: a texel boundary under a turned corner may round either way.
    writeResource("images/spark.png",
                  makePng(8, 8,
                          [](unsigned, unsigned) {
                              return Rgb{255, 160, 60};
                          }),
                  false);
    auto& textures = Orva::Graphics::TextureManager::getInstance();
    textures.load("images/spark.png");
    ASSERT_TRUE(runFramesUntil([&] { return textures.getTexture("images/spark.png") != nullptr; }));
    makeOwner(-2, 0)->addComponent<Orva::Graphics::SpriteComponent>()->initialize("images/spark.png",
                                                                                  Color());
    drawFrame();
    const std::vector<unsigned char> withoutParticles = lastCapture();

    // 1,500 turned particles of one colour spread over the view, emitted at once.
    const auto emitter = [](float x, const char* image, bool additive, const Color& color) {
        auto* component = makeOwner(x, 0)->addComponent<ParticleEmitterComponent>();
        Orva::Graphics::ParticleEmitter& particles = *component->get();
        particles.active = true;
        particles.setParticleCount(1500);
        particles.setEmissionCount(1500);
        particles.randomAcceleration = {0, 0, 0};
        particles.setPosition({0, 0, 0}, {2.5f, 1.9f, 0});
        particles.setSize({0.2f, 0.2f}, {0.1f, 0.1f});
        particles.setRotation(0, 3.0f);
        particles.addColor(color);
        particles.setTexture(image);
        particles.setBlendMode(additive);
        particles.update(0.016f);
        return component;
    };
    ParticleEmitterComponent* first = emitter(-1, "images/spark.png", true, {0.2f, 0.5f, 1, 0.5f});
    ParticleEmitterComponent* second = emitter(0, "images/spark.png", true, {0.5f, 0.2f, 0.1f, 1});
    ParticleEmitterComponent* alpha = emitter(1, "", false, {0, 1, 0.5f, 0.4f});
    makeOwner(2, 0)->addComponent<Orva::Graphics::SpriteComponent>()->initialize("images/spark.png", Color());
    emitter(0, "images/spark.png", true, {1, 1, 0, 0.3f});

    Orva::Graphics::SpriteBatch& batch = *renderer->getSpriteBatch();
    first->drawInto(batch);
    second->drawInto(batch);
    EXPECT_EQ(batch.getQueuedCount(), 3000u - 2048u) << "one run: a full draw's worth went, the rest waits";
    alpha->drawInto(batch);
    EXPECT_EQ(batch.getQueuedCount(), 1500u) << "other blending: the run is drawn first";
    batch.flush();

    renderer->setSpriteBatching(false);
    drawFrame();
    const std::vector<unsigned char> oneByOne = lastCapture();
    EXPECT_FALSE(oneByOne == withoutParticles);
    renderer->setSpriteBatching(true);
    // Five regions of the vertex storage a frame: the second frame goes round to the first.
    for (int frame = 0; frame < 3; ++frame) {
        drawFrame();
        EXPECT_TRUE(lastCapture() == oneByOne) << "frame " << frame;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextParticleDrawTest, AScriptSetsAUniformInItsShadersOwnProgram)
{
    Orva::Graphics::FrameShader shader({Width, Height}, 1, Orva::Graphics::FrameShader::SCREEN);
    shader.evaluate(
        "#version 330 core\nlayout(location = 0) in vec3 p; void main() { gl_Position = vec4(p, 1); }",
        "#version 330 core\nuniform float level; out vec4 color; void main() { color = vec4(level); }");
    ASSERT_TRUE(shader.isReady());
    engine().initializeScriptEngine();
    Orva::LuaScriptManager& scripts = Orva::LuaScriptManager::getInstance();
    luabridge::setGlobal(scripts.getLuaState(), &shader, "probeShader");
    writeResource("scripts/Probe.lua", R"(
        function InitProbe(self) end
        function UpdateProbe(self, dt) probeShader:setUniform1f("level", 0.25) end
        function DeinitProbe(self) end
        function UnloadProbe() end)");
    scripts.addScriptPathToList("scripts/Probe.lua");
    ASSERT_TRUE(scripts.loadAllScripts());
    makeOwner(0, 0)->addLuaScript("Probe");

    const unsigned inUse = renderer->getDefaultObjectShader()->getId();
    glUseProgram(inUse);
    while (glGetError() != GL_NO_ERROR) {
    }
    runFrames(3);
    GLfloat level = 0.0f;
    glGetUniformfv(shader.getId(), shader.getUniformLocation("level"), &level);
    EXPECT_EQ(level, 0.25f);
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<unsigned>(current), inUse);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextParticleDrawTest, AScriptKeepingARemovedLayerOrPassIsRefused)
{
    engine().initializeScriptEngine();
    lua_State* L = Orva::LuaScriptManager::getInstance().getLuaState();
    const auto run = [L](const char* code) {
        const std::string error = luaL_dostring(L, code) == LUA_OK ? "" : lua_tostring(L, -1);
        lua_settop(L, 0);
        return error;
    };
    ASSERT_EQ(run("vp = graphics:getViewport(); layer = vp:addLayer('kept')"
                  "vp:addFrameShader('pass', 'shaders/a.vs|shaders/a.fs', 1, Graphics.FrameShader_SCREEN)"
                  "pass = vp:getFrameShader('pass'); vp:removeLayer('kept'); vp:removeFrameShader('pass')"),
              "");
    EXPECT_NE(run("layer.Visible = false").find("Layer no longer exists"), std::string::npos);
    EXPECT_NE(run("pass:updateFloat('k', 1)").find("FrameShader no longer exists"), std::string::npos);
    EXPECT_NE(run("pass:setUniform1f('k', 1)").find("FrameShader no longer exists"), std::string::npos);
    EXPECT_EQ(run("vp:getLayer('default').Visible = false; vp, layer, pass = nil"), "");
}

} // namespace
