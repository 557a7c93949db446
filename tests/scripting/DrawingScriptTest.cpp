#include <string>

#include "ScriptHarness.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "graphics/Texture.h"
#include "window/Window.h"
#include "world/TextureRequests.h"
#include "world/TransformComponent.h"

// The drawing pipeline, sprites, text and particles as scripts see them, without a display.

namespace {

using DrawingScriptTest = ScriptHarness;

TEST_F(DrawingScriptTest, ValuesConstantsEmittersSpritesAndTextAsScriptsSeeThem)
{
    EXPECT_EQ(run("Graphics.FrameShader_SCREEN = 0"), "test.lua:1: 'FrameShader_SCREEN' is read-only");
    EXPECT_TRUE(holds("Graphics.FrameShader_SCREEN == 1 and Graphics.FrameShader_PREVIOUS == 0"));
    EXPECT_TRUE(holds("Graphics.Color(1, 0, 0).g == 1 and Graphics.Color(1, 0, 0).a == 1"))
        << "arguments ignored";
    EXPECT_EQ(run("v = Graphics.ShaderValue(); v.f = 1"), "");
    EXPECT_TRUE(holds("v.i == 1065353216 and v.type == 1"));

    Orva::GameObject* object = objects().create("thing");
    object->addComponent<Orva::TransformComponent>();
    ASSERT_EQ(run("o = gameObjects:find('thing'); p = o:addParticle(); e = p:get()"), "");
    EXPECT_EQ(run("p.Emitter = nil"), "test.lua:1: 'Emitter' is read-only");
    EXPECT_TRUE(holds("p.Emitter == e"));
    EXPECT_EQ(run("e:addColor(Graphics.Color()); e:removeColor(99); e.Enable = true"), "");
    const Orva::Graphics::ParticleEmitter& emitter =
        *object->getComponent<Orva::Graphics::ParticleEmitterComponent>()->get();
    EXPECT_EQ(emitter.getColorList().size(), 1u);
    runFrames(3);
    EXPECT_FALSE(emitter.getLiveParticles().empty()) << "an emitter a script adds is simulated";

    testing::internal::CaptureStderr();
    EXPECT_EQ(run(R"(s = o:addSprite(); s:init("..\\x.png"); s:changeTexture("/x.png"))"), "");
    const std::string refused = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(TextureRequests::pendingPaths().empty()) << "nothing is sent";
    EXPECT_NE(refused.find("..\\x.png"), std::string::npos) << refused;
    EXPECT_NE(refused.find("/x.png"), std::string::npos) << refused;

    Orva::Graphics::Texture sheet(0, "images/sheet.png");
    sheet.setMaxFrames(4, 1);
    sheet.addAnimationData("spin", {4, 0});
    sheet.setLoaded(true);
    auto* sprite = object->getComponent<Orva::Graphics::SpriteComponent>();
    sprite->setTexture(&sheet);
    ASSERT_EQ(run("s.HasAnimation = true; s.FPS = 10"), "");
    for (int update = 0; update < 7; ++update) {
        sprite->update(0.016f);
    }
    EXPECT_TRUE(holds("s.CurrFrame == 1"));
    EXPECT_EQ(run("s.CurrFrame = 3"), "");
    EXPECT_TRUE(holds("s.CurrFrame == 3"));
    sprite->update(0.016f);
    EXPECT_TRUE(holds("s.CurrFrame == 1")) << "the next step works the frame out again";
    sprite->setTexture(nullptr);

    EXPECT_EQ(run("t = o:addSpriteFont(); c = Graphics.Color(); c.g = 0.5; t.Color = c"), "");
    EXPECT_TRUE(holds("t.Color.g == 0.5 and t.Color.r == 1"));

    EXPECT_TRUE(holds("graphics == nil")) << "no renderer when the interface was registered";
    Orva::Window window{nullptr, Orva::Math::Vector2D<unsigned>(640, 480), nullptr};
    testing::internal::CaptureStderr();
    engine().createRenderer(window);
    testing::internal::GetCapturedStderr();
    Orva::Scripting::registerDrawingPipeline(L);
    EXPECT_TRUE(holds("graphics ~= nil and graphics:getViewport() == nil"))
        << "a renderer that did not start";
    EXPECT_EQ(run("o:removeParticle()"), "");
    EXPECT_EQ(run("e.Enable = false"), "test.lua:1: ParticleEmitter no longer exists")
        << "an emitter kept past its component is never reached";
    EXPECT_EQ(run("o, p, e, s, t, v, c = nil"), "");
    objects().destroy(object);
}

} // namespace
