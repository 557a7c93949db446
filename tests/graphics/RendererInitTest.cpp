#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "graphics/Renderer.h"
#include "platform/Platform.h"
#include "window/Window.h"
#include "world/Engine.h"
#include "world/ScratchDirectory.h"

// A renderer whose init fails: nothing to draw on, or no usable OpenGL. It says why on stderr,
// and everything that would draw does nothing. Runs on SDL's offscreen driver, whose contexts
// GLEW cannot load from.

namespace {

class RendererInitTest : public ScratchDirectoryTest
{
protected:
    void SetUp() override
    {
        ScratchDirectoryTest::SetUp();
        engine().initializeEngine();
    }

    void TearDown() override
    {
        // The window's subscriptions live in the engine's memory pools.
        window.reset();
        Orva::Engine::destroy();
        Orva::Platform::Test::reset();
        ScratchDirectoryTest::TearDown();
    }

    static Orva::Engine& engine() { return Orva::Engine::getInstance(); }

    // createRenderer with stderr captured; returns what was printed.
    std::string createRendererCapturing()
    {
        ::testing::internal::CaptureStderr();
        renderer = &engine().createRenderer(*window);
        std::string printed = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(printed, "renderer: " + renderer->getInitFailure() + "\n")
            << "the kept reason is the printed one";
        return printed;
    }

    void expectInert()
    {
        EXPECT_FALSE(renderer->isInitialized());
        renderer->update(1.0f);
        renderer->beginDraw();
        renderer->endDraw();
        renderer->setClearColor({1.0f, 0.0f, 0.0f, 1.0f});
        EXPECT_TRUE(renderer->screenCapture().empty());
        EXPECT_EQ(renderer->getDefaultObjectShader(), nullptr);
        EXPECT_EQ(renderer->createUnitQuad(), nullptr);
        EXPECT_EQ(renderer->createUnitLine(), nullptr);
    }

    std::unique_ptr<Orva::Window> window;
    Orva::Graphics::Renderer* renderer = nullptr;
};

TEST_F(RendererInitTest, AWindowThatWasNeverOpenedHasNothingToDrawOn)
{
    window = std::make_unique<Orva::Window>(nullptr, Orva::Math::Vector2D<unsigned>(320, 240), nullptr);
    const std::string errors = createRendererCapturing();
    EXPECT_EQ(errors, "renderer: the window has no surface to draw on\n");
    EXPECT_EQ(renderer->getWindow(), window.get());
    expectInert();
}

TEST_F(RendererInitTest, WithoutALoadableOpenGLInitStopsAndSaysWhy)
{
    window = std::make_unique<Orva::Window>(GetModuleHandleA(nullptr),
                                            Orva::Math::Vector2D<unsigned>(320, 240), nullptr);
    window->init("headless", 0x000E0100, SW_HIDE);
    ASSERT_NE(window->getHWnd(), nullptr) << Orva::Platform::LastError();
    const std::string errors = createRendererCapturing();
    // Either the driver has no context to give or GLEW cannot load from the one it gives.
    EXPECT_EQ(errors.rfind("renderer: ", 0), 0u) << errors;
    EXPECT_TRUE(errors.find("GLEW: ") != std::string::npos || errors.find("no OpenGL 3.1 context: ") == 10)
        << errors;
    expectInert();
}

} // namespace
