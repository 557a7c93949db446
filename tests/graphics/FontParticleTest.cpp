#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "core/Random.h"
#include "graphics/FontManager.h"
#include "graphics/ParticleEmitterComponent.h"
#include "world/EngineFixture.h"

// Fonts without a context, measured in DejaVuSans at size 40; particles stepped by hand.

namespace {

using Orva::Graphics::Color;
using Orva::Graphics::FontManager;
using Orva::Graphics::ParticleEmitter;

// Counts the sheets it is given; names count up from 1.
class CountingGlyphUploader final : public Orva::Graphics::GlyphUploader
{
public:
    explicit CountingGlyphUploader(int& uploads) : uploads_(uploads) {}
    unsigned upload(const unsigned char*, unsigned, unsigned) override
    {
        return static_cast<unsigned>(++uploads_);
    }
    void deleteName(unsigned) override {}

private:
    int& uploads_;
};

class FontParticleTest : public EngineTest
{
protected:
    static constexpr char Font[] = "fonts/DejaVuSans.ttf";

    void SetUp() override
    {
        EngineTest::SetUp();
        installFont(Font);
        FontManager::createInstance();
    }

    static FontManager& fonts() { return FontManager::getInstance(); }

    // An emitter that is simulated, drawing no random acceleration.
    static std::unique_ptr<ParticleEmitter> stillEmitter()
    {
        auto emitter = std::make_unique<ParticleEmitter>();
        emitter->active = true;
        emitter->randomAcceleration = {0.0f, 0.0f, 0.0f};
        return emitter;
    }
};

TEST_F(FontParticleTest, MetricsAreHalvedAndLengthsMeasuredWithoutAContext)
{
    fonts().makeFont(Font, 40);
    ASSERT_EQ(fonts().getFonts().count(Font), 1u);
    const Orva::Graphics::Font& font = fonts().getFonts().at(Font);
    EXPECT_FALSE(fonts().getShader()->isReady()) << "no context, no GL call";
    EXPECT_EQ(font['H'].textureId, 0u);
    EXPECT_EQ(font['H'].size, (Orva::Math::Vector2D<unsigned>{23, 29}));
    EXPECT_EQ(font['H'].bearing, (Orva::Math::Vector2D<int>{3, 29}));
    EXPECT_EQ(font['H'].advance >> 6, 30u);
    EXPECT_EQ(font['J'].bearing.x, -2);
    EXPECT_EQ(font[255].size.x, 0u) << "never loaded";

    EXPECT_EQ(fonts().getLength("ab", 1.0f), 29.0f);
    EXPECT_EQ(fonts().getLength("Hello", 1.0f), 89.0f);
    EXPECT_EQ(fonts().getLength("Hello\n", 1.0f), 113.0f);
    EXPECT_EQ(fonts().getLength("'", 2.0f), 22.0f);
    EXPECT_EQ(fonts().getLength("\xC3\xA9", 1.0f), 32.0f) << "UTF-8 bytes index past 127, not before 0";
    const std::vector<Orva::Graphics::GlyphQuad>& apostrophe =
        fonts().layoutText("''", {0, 0}, {2, 2}, 0, {0, 0});
    ASSERT_EQ(apostrophe.size(), 2u);
    EXPECT_FLOAT_EQ((apostrophe[1].mvp.m[0][3] - apostrophe[0].mvp.m[0][3]) * 64.0f, 12.0f)
        << "drawn, the apostrophe moves the pen by 6 a scale";

    int uploads = 0;
    fonts().destroyAllFonts();
    fonts().setGlyphUploader(std::make_unique<CountingGlyphUploader>(uploads));
    fonts().makeFont(Font, 40);
    fonts().makeFont(Font, 20);
    EXPECT_EQ(uploads, 1) << "a font is made once per name";
    EXPECT_EQ(fonts().getFonts().at(Font)['H'].textureId, 1u) << "every glyph in the one sheet";

    fonts().destroyAllFonts();
    fonts().selectFont("");
    EXPECT_EQ(fonts().getCurrentFont(), Font);
    fonts().makeFont(Font, 40);
    fonts().selectFont("fonts/unknown.ttf");
    EXPECT_EQ(fonts().getLength("Hello", 1.0f), 0.0f);
    testing::internal::CaptureStderr();
    fonts().makeFont("fonts/missing.ttf", 40);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(fonts().getFonts().size(), 1u) << "looked up, never inserted";
    EXPECT_EQ(fonts().getCurrentFont(), "fonts/unknown.ttf");
    EXPECT_NE(printed.find("fonts: "), std::string::npos);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1);
}

TEST_F(FontParticleTest, EmissionSimulationAndColoursFollowTheGeneratorAndTheClock)
{
    constexpr float Step = 0.016f;
    Orva::srand(1);
    ParticleEmitter defaults;
    defaults.active = true;
    defaults.update(Step);
    defaults.update(Step);
    ASSERT_EQ(defaults.getLiveParticles().size(), 2u);
    const Orva::Math::Vector3D<float>& first = defaults.getLiveParticles()[0]->acceleration;
    EXPECT_NEAR(first.x, -99.750f, 1e-3f);
    EXPECT_NEAR(first.y, 12.717f, 1e-3f);
    EXPECT_NEAR(first.z, -0.613f, 1e-3f);
    EXPECT_NEAR(defaults.getLiveParticles()[1]->acceleration.x, -39.201f, 1e-3f) << "14 draws a particle";

    testing::internal::CaptureStderr();
    defaults.setParticleCount(4'000'000'000u);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("particles: "), std::string::npos);
    EXPECT_EQ(defaults.getParticleCount(), ParticleEmitter::MaxParticleCount)
        << "a budget beyond any game's is cut";
    EXPECT_EQ(defaults.getFreeParticles().size(), ParticleEmitter::MaxParticleCount);

    auto bursts = stillEmitter();
    bursts->setParticleCount(10);
    bursts->setEmissionCount(4);
    std::vector<std::size_t> live;
    for (int update = 0; update < 3; ++update) {
        bursts->update(Step);
        live.push_back(bursts->getLiveParticles().size());
    }
    EXPECT_EQ(live, (std::vector<std::size_t>{4, 8, 8})) << "a burst is all or nothing";
    auto paced = stillEmitter();
    paced->setEmissionInterval(0.5f);
    paced->setLife(100.0f, 0.0f);
    std::vector<int> burstUpdates;
    for (int update = 1; update <= 70; ++update) {
        const std::size_t before = paced->getLiveParticles().size();
        paced->update(Step);
        if (paced->getLiveParticles().size() > before) {
            burstUpdates.push_back(update);
        }
    }
    EXPECT_EQ(burstUpdates, (std::vector<int>{33, 64}));

    auto fading = stillEmitter();
    fading->setParticleCount(1);
    for (const Color& color : {Color(1, 0, 0, 1), Color(0, 1, 0, 1), Color(0, 0, 1, 1)}) {
        fading->addColor(color);
    }
    fading->update(0.5f);
    EXPECT_EQ(fading->getLiveParticles().front()->color, Color(0, 1, 0, 1));
    fading->update(0.25f);
    EXPECT_EQ(fading->getLiveParticles().front()->color, Color(0, 0.5f, 0.5f, 1));
    testing::internal::CaptureStderr();
    fading->removeColor(99);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "particles: removeColor (99) ignored: the colour list holds 3\n");
    EXPECT_EQ(fading->getColorList().size(), 3u);

    auto turning = stillEmitter();
    turning->setOrientToVelocity(true);
    turning->setVelocity({0, 1, 0}, {0, 0, 0});
    turning->update(Step);
    EXPECT_FLOAT_EQ(turning->getLiveParticles().front()->rotation, std::numbers::pi_v<float> / 2);
    turning->setParticleCount(10);
    turning->setVelocity({0, 0, 0}, {0, 0, 0});
    turning->setRotation(0.75f, 0.0f);
    turning->update(Step);
    EXPECT_EQ(turning->getLiveParticles().front()->rotation, 0.75f) << "standing still keeps the rotation";

    auto instant = stillEmitter();
    for (const Color& color : {Color(1, 0, 0, 1), Color(0, 1, 0, 1), Color(0, 0, 1, 1)}) {
        instant->addColor(color);
    }
    instant->setLife(0.0f, 0.0f);
    instant->update(Step);
    EXPECT_TRUE(instant->getLiveParticles().empty());
    EXPECT_EQ(instant->getFreeParticles().back()->color, Color(0, 0, 1, 1))
        << "no life shows the last colour";
}

} // namespace
