#include <algorithm>

#include "SceneFixture.h"
#include "ShaderFiles.h"
#include "core/BaseEvent.h"
#include "graphics/FrameShader.h"
#include "graphics/Layer.h"
#include "world/LoadEvent.h"

namespace {

using Orva::Graphics::FrameShader;
using Orva::Graphics::ObjectShader;

constexpr char InvertPaths[] = "shaders/invert.vert|shaders/invert.frag";

class FrameShaderTest : public SceneTest
{
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        writeResource("shaders/invert.vert", ShaderFiles::PassVertex);
        writeResource("shaders/invert.frag", ShaderFiles::InvertFragment);
    }

    static bool isListening(ObjectShader& shader)
    {
        return !shader.getEventCallbackObject().subscriptions().empty();
    }

    // Frames until the shader is built or has given up its load.
    bool loadSettles(ObjectShader& shader)
    {
        return runFramesUntil([&] { return shader.isReady() || !isListening(shader); });
    }

    static GLint maxTargets()
    {
        GLint attachments = 0;
        GLint drawBuffers = 0;
        glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS, &attachments);
        glGetIntegerv(GL_MAX_DRAW_BUFFERS, &drawBuffers);
        return std::min(attachments, drawBuffers);
    }
};

TEST_F(FrameShaderTest, ShaderFromScrambledFilesBecomesReadyAndInvertsTheWindow)
{
    addSprite("default", Red, makeOwner(0.0f, 0.0f));
    viewport().addFrameShader("invert", InvertPaths, 1, FrameShader::SCREEN);
    FrameShader& invert = viewport().getFrameShader("invert");
    EXPECT_FALSE(invert.isReady());
    EXPECT_TRUE(isListening(invert));
    // Until the sources arrive the pass draws nothing: the window keeps its clear colour.
    drawFrame();
    EXPECT_EQ(pixel(5, 5), Background);

    ASSERT_TRUE(loadSettles(invert));
    EXPECT_TRUE(invert.isReady());
    EXPECT_FALSE(isListening(invert));
    drawFrame();
    EXPECT_EQ(pixel(160, 120), (Rgb{0, 255, 255}));
    EXPECT_EQ(pixel(5, 5), (Rgb{217, 217, 217}));
    EXPECT_EQ(pixel(Width - 1, Height - 1), (Rgb{217, 217, 217}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    viewport().removeFrameShader("invert");
    EXPECT_EQ(&viewport().getFrameShader("invert"), &viewport().getLayer(0u)->getScreenPass());
    drawFrame();
    EXPECT_EQ(pixel(160, 120), RedPixel);
    EXPECT_EQ(pixel(5, 5), Background);
}

TEST_F(FrameShaderTest, PassesChainOnThePreviousResult)
{
    viewport().addFrameShader("first", InvertPaths, 1, FrameShader::SCREEN);
    viewport().addFrameShader("second", InvertPaths, 1, FrameShader::PREVIOUS);
    ASSERT_TRUE(loadSettles(viewport().getFrameShader("first")));
    ASSERT_TRUE(loadSettles(viewport().getFrameShader("second")));
    drawFrame();
    EXPECT_EQ(pixel(5, 5), Background) << "inverted twice";

    // Depending on the Screen pass instead, the second pass ignores the first.
    viewport().removeFrameShader("second");
    viewport().addFrameShader("second", InvertPaths, 1, FrameShader::SCREEN);
    ASSERT_TRUE(loadSettles(viewport().getFrameShader("second")));
    drawFrame();
    EXPECT_EQ(pixel(5, 5), (Rgb{217, 217, 217}));
}

TEST_F(FrameShaderTest, AnEmptyFileEndsTheLoadForGood)
{
    writeResource("shaders/empty.frag", "", false);
    viewport().addFrameShader("empty", "shaders/invert.vert|shaders/empty.frag", 1, FrameShader::SCREEN);
    FrameShader& shader = viewport().getFrameShader("empty");
    ASSERT_TRUE(loadSettles(shader));
    EXPECT_FALSE(shader.isReady());
    EXPECT_FALSE(isListening(shader));
    runFrames(12);
    EXPECT_FALSE(shader.isReady());
    drawFrame();
    EXPECT_EQ(pixel(5, 5), Background) << "a pass that is not ready draws nothing";
}

TEST_F(FrameShaderTest, AMissingFileEndsTheLoadToo)
{
    viewport().addFrameShader("missing", "shaders/nothing.vert|shaders/invert.frag", 1, FrameShader::SCREEN);
    FrameShader& shader = viewport().getFrameShader("missing");
    ASSERT_TRUE(loadSettles(shader));
    EXPECT_FALSE(shader.isReady());
    EXPECT_FALSE(isListening(shader));
}

TEST_F(FrameShaderTest, ABuildLogIsPrintedWithThePathsAndLeavesTheShaderListening)
{
    writeResource("shaders/broken.frag", ShaderFiles::BrokenFragment);
    const std::string paths = "shaders/invert.vert|shaders/broken.frag";
    viewport().addFrameShader("broken", paths, 1, FrameShader::SCREEN);
    FrameShader& shader = viewport().getFrameShader("broken");
    const auto linked = [&] {
        GLint logLength = 0;
        glGetProgramiv(shader.getId(), GL_INFO_LOG_LENGTH, &logLength);
        return logLength > 1;
    };
    ::testing::internal::CaptureStderr();
    const bool built = runFramesUntil(linked);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(built);
    EXPECT_FALSE(shader.isReady());
    EXPECT_TRUE(isListening(shader));
    EXPECT_NE(errors.find("renderer: shader " + paths + ": fragment shader log:"), std::string::npos)
        << errors;
    EXPECT_NE(errors.find("link log:"), std::string::npos) << errors;
}

TEST_F(FrameShaderTest, RepliesToAnotherRequestAreIgnored)
{
    FrameShader* first = new FrameShader({Width, Height}, 1, FrameShader::SCREEN);
    first->init("shaders/invert.vert|shaders/nothing.frag");
    delete first;
    // The pools hand the freed block out again: the new shader lives at the old address, and
    // the first request's reply (a missing file) is addressed to it.
    FrameShader* second = new FrameShader({Width, Height}, 1, FrameShader::SCREEN);
    EXPECT_EQ(second, first);
    second->init(InvertPaths);

    // A reply that names the shader as its sender but carries another request id, as the
    // texture manager's replies to a frame shader do, is not taken for the sources either.
    Orva::Events::LoadEvent foreign(second, &Orva::EventManager::getInstance());
    foreign.entries.emplace_back("shaders/invert.vert", 0);
    foreign.entries.back().contents = Orva::Crypto::RC4Cipher::encrypt(ShaderFiles::PassVertex);
    foreign.entries.emplace_back("shaders/invert.frag", 1);
    foreign.entries.back().contents = Orva::Crypto::RC4Cipher::encrypt(ShaderFiles::InvertFragment);
    second->onResourceLoadComplete(&foreign);
    EXPECT_FALSE(second->isReady());

    EXPECT_TRUE(loadSettles(*second));
    EXPECT_TRUE(second->isReady());
    delete second;
}

TEST_F(FrameShaderTest, ValuesAreSentInDrawResultExceptThreeVectors)
{
    writeResource("shaders/values.frag", ShaderFiles::ValuesFragment);
    viewport().addFrameShader("values", "shaders/invert.vert|shaders/values.frag", 1, FrameShader::SCREEN);
    FrameShader& shader = viewport().getFrameShader("values");
    ASSERT_TRUE(loadSettles(shader));
    ASSERT_TRUE(shader.isReady());
    shader.updateValue("red", 1.0f);
    shader.updateValue("greenBlue", Orva::Math::Vector2D<float>(0.0f, 1.0f));
    shader.updateValue("alpha", 255);
    shader.updateValue("never", Orva::Math::Vector3D<float>(0.0f, 0.0f, 0.0f));
    drawFrame();
    EXPECT_EQ(pixel(160, 120), (Rgb{255, 0, 255}));
    EXPECT_EQ(shader.getVect2fValue("greenBlue"), Orva::Math::Vector2D<float>(0.0f, 1.0f));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FrameShaderTest, TextureCountIsKeptWithinWhatTheContextCanDrawTo)
{
    ::testing::internal::CaptureStderr();
    const FrameShader huge({Width, Height}, 100000, FrameShader::PREVIOUS);
    const FrameShader none({Width, Height}, 0, FrameShader::PREVIOUS);
    const std::string notes = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(huge.getTextureCount(), static_cast<unsigned>(maxTargets()));
    EXPECT_NE(huge.getTexture(huge.getTextureCount() - 1), 0u);
    EXPECT_EQ(huge.getTexture(huge.getTextureCount()), 0u) << "past the last texture";
    EXPECT_EQ(none.getTextureCount(), 1u);
    EXPECT_NE(notes.find("asked for 100000 colour textures"), std::string::npos) << notes;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FrameShaderTest, AddingANameInUseKeepsTheFirstPass)
{
    viewport().addFrameShader("pass", InvertPaths, 1, FrameShader::SCREEN);
    FrameShader* first = &viewport().getFrameShader("pass");
    viewport().addFrameShader("pass", "shaders/other.vert|shaders/other.frag", 3, FrameShader::PREVIOUS);
    EXPECT_EQ(&viewport().getFrameShader("pass"), first);
    EXPECT_EQ(first->getTextureCount(), 1u);
    EXPECT_EQ(viewport().getLayer(0u)->getFrameShaders().size(), 2u);
}

// A frame made by hand: the lowest layer holds a red unit quad left of the centre and is
// inverted by a frame shader, the middle layer is empty, the top one holds a green unit quad
// overlapping the red by a quarter. Every pixel, on two frames running.
TEST_F(FrameShaderTest, LayersAroundAnEmptyOneMatchAFrameMadeByHand)
{
    addSprite("default", Red, makeOwner(-0.5f, 0.0f));
    viewport().addLayer("empty");
    addSprite("top", Green, makeOwner(0.25f, 0.0f));
    viewport().addFrameShader("invert", InvertPaths, 1, FrameShader::SCREEN);
    ASSERT_TRUE(loadSettles(viewport().getFrameShader("invert")));

    std::vector<unsigned char> expected;
    for (unsigned y = 0; y < Height; ++y) {
        for (unsigned x = 0; x < Width; ++x) {
            const bool quadRow = y >= 88 && y < 152;
            Rgb colour{217, 217, 217};
            if (quadRow && x >= 144 && x < 208) {
                colour = GreenPixel;
            } else if (quadRow && x >= 96 && x < 160) {
                colour = Rgb{0, 255, 255};
            }
            expected.insert(expected.end(),
                            {static_cast<unsigned char>(colour.r), static_cast<unsigned char>(colour.g),
                             static_cast<unsigned char>(colour.b)});
        }
    }
    for (int frame = 0; frame < 2; ++frame) {
        drawFrame();
        ASSERT_EQ(lastCapture().size(), expected.size());
        const auto mismatch = std::mismatch(expected.begin(), expected.end(), lastCapture().begin());
        const std::size_t at = static_cast<std::size_t>(mismatch.first - expected.begin()) / 3;
        EXPECT_EQ(mismatch.first, expected.end())
            << "frame " << frame << " differs first at (" << at % Width << ", " << at / Width << ")";
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A layer's targets have no alpha: the window shows a visible layer opaque, also one that
// drew nothing, while with no visible layer it keeps the clear colour's alpha. A layer told
// to show its second target shows that one, cleared every frame. (Where a program without a
// second output draws, that target's content is undefined.)
TEST_F(FrameShaderTest, ShownTargetsDecideTheWindowsAlphaAndWhatIsCleared)
{
    const auto windowAlpha = [&] {
        renderer->beginDraw();
        unsigned char rgba[4] = {};
        glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        renderer->endDraw();
        return static_cast<int>(rgba[3]);
    };
    EXPECT_EQ(windowAlpha(), 255);
    viewport().getLayer(0u)->setVisible(false);
    EXPECT_EQ(windowAlpha(), 0);

    viewport().getLayer(0u)->setVisible(true);
    addSprite("default", Red, makeOwner(0.0f, 0.0f));
    viewport().getLayer(0u)->getScreenPass().updateValue("screenTexture", 1);
    for (int frame = 0; frame < 2; ++frame) {
        drawFrame();
        EXPECT_EQ(pixel(5, 5), Background);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FrameShaderTest, TheScreenPassIsNeverRemoved)
{
    Orva::Graphics::Layer& layer = *viewport().getLayer(0u);
    FrameShader* screen = &layer.getScreenPass();
    layer.removeFrameShader(Orva::Graphics::Layer::ScreenPassName);
    layer.removeFrameShader(Orva::EventNameDetails::EventToHash("Screen"));
    EXPECT_EQ(layer.getFrameShaders(), std::vector<FrameShader*>{screen});
    EXPECT_EQ(&layer.getFrameShader("Screen"), screen);
    EXPECT_EQ(screen->getIntValue("screenTexture"), 0);
    drawFrame();
    EXPECT_EQ(pixel(5, 5), Background);
}

} // namespace
