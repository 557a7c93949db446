#pragma once

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "WaitLimit.h"
#include "core/EventManager.h"
#include "core/RC4Cipher.h"
#include "core/Vector.h"
#include "graphics/FontManager.h"
#include "graphics/Renderer.h"
#include "graphics/Rgb.h"
#include "graphics/Viewport.h"
#include "platform/Platform.h"
#include "window/Window.h"
#include "world/Engine.h"
#include "world/FramerateController.h"
#include "world/ResourceManager.h"
#include "world/ScratchDirectory.h"

// The engine started in a scratch folder with a hidden 320×240 window and the renderer on
// it. Skips without an X display. A test that fails writes its last capture as a PNG next to
// the test program.
class GLTest : public ScratchDirectoryTest
{
protected:
    static constexpr unsigned Width = 320;
    static constexpr unsigned Height = 240;
    // The window style the launcher passes.
    static constexpr unsigned long LauncherStyle = 0x000E0100;
    // The default clear colour, 0.15 in every channel.
    static constexpr Rgb Background{38, 38, 38};

    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display";
        }
        outputDirectory_ = std::filesystem::current_path();
        ScratchDirectoryTest::SetUp();
        started_ = true;
        Orva::Resources::ResourceManager::resetDeliveryCounter();
        engine().initializeEngine();
        window = std::make_unique<Orva::Window>(GetModuleHandleA(nullptr),
                                                Orva::Math::Vector2D<unsigned>(Width, Height), nullptr);
        window->init("graphics test", LauncherStyle, SW_HIDE);
        ASSERT_NE(window->getHWnd(), nullptr) << "no window: " << Orva::Platform::LastError();
        renderer = &engine().createRenderer(*window);
        ASSERT_TRUE(renderer->isInitialized());
    }

    void TearDown() override
    {
        if (!started_) {
            return;
        }
        if (HasFailure() && !lastCapture_.empty()) {
            saveLastCapture();
        }
        // The renderer's GL objects go while the window's context exists; the window's
        // subscriptions live in the engine's memory pools. SDL video stays up: stopping it
        // unloads the X libraries, whose leftovers LeakSanitizer could then no longer
        // attribute to them.
        Orva::Graphics::FontManager::destroyInstance();
        Orva::Graphics::Renderer::destroyInstance();
        window.reset();
        Orva::Engine::destroy();
        ScratchDirectoryTest::TearDown();
    }

    static Orva::Engine& engine() { return Orva::Engine::getInstance(); }
    Orva::Graphics::Viewport& viewport() { return renderer->getViewport(); }

    // Draws a frame and captures it before the swap, after which the back buffer is undefined.
    void drawFrame()
    {
        renderer->beginDraw();
        lastCapture_ = renderer->screenCapture();
        renderer->endDraw();
    }

    // A pixel of the last frame, from the top-left corner.
    Rgb pixel(unsigned x, unsigned y) const
    {
        const std::size_t at = (static_cast<std::size_t>(y) * Width + x) * 3;
        if (lastCapture_.size() < at + 3) {
            ADD_FAILURE() << "no capture holds pixel (" << x << ", " << y << ")";
            return {-1, -1, -1};
        }
        return {lastCapture_[at], lastCapture_[at + 1], lastCapture_[at + 2]};
    }

    const std::vector<unsigned char>& lastCapture() const { return lastCapture_; }

    // Runs engine frames through the frame-time seam: loads, events, input, the sort timer.
    void runFrames(int count)
    {
        int left = count;
        engine().run([&] {
            if (left-- == 0) {
                return false;
            }
            Orva::Debug::FramerateProfiler::supplyTime(Orva::Engine::FrameSection, 1.0f / 60.0f);
            return true;
        });
        Orva::Debug::FramerateProfiler::stopSupplyingTimes();
    }

    // Runs frames until the predicate holds; false if it still does not after WaitLimit. The
    // loader reads on its own thread, so frames are paced a little to let it.
    template <class Predicate> bool runFramesUntil(Predicate done)
    {
        const auto deadline = std::chrono::steady_clock::now() + WaitLimit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            runFrames(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    static void dispatchEvents() { Orva::EventManager::PushAllEvents(); }

    // Writes a file under the resource directory, scrambled as game data is stored.
    void writeResource(const std::string& relativePath, const std::string& text, bool scrambled = true) const
    {
        const std::filesystem::path path = root() / "resources" / relativePath;
        std::filesystem::create_directories(path.parent_path());
        writeFile(path, scrambled ? Orva::Crypto::RC4Cipher::encrypt(text) : text);
    }

    std::unique_ptr<Orva::Window> window;
    Orva::Graphics::Renderer* renderer = nullptr;

private:
    void saveLastCapture() const;

    std::filesystem::path outputDirectory_;
    std::vector<unsigned char> lastCapture_;
    bool started_ = false;
};
