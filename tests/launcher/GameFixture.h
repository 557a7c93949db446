#pragma once

// Games run in the test process, through the launcher's own start-up, frame function and
// shut-down, with the built sample as the starting point. Frames are timed through the
// frame-time seam: every frame lasts 1/60 s, one fixed step each, and nothing waits.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "GameFolder.h"
#include "Launcher.h"
#include "WaitLimit.h"
#include "graphics/Renderer.h"
#include "graphics/Rgb.h"
#include "platform/Platform.h"
#include "window/Window.h"
#include "world/Engine.h"
#include "world/FramerateController.h"

// Copies a built sample game into the folder: bin/ with its program and files, resources/.
// The demo is laid out at the top of the build tree, the others in a folder of their name.
inline void copySampleGame(const std::filesystem::path& bin, const std::filesystem::path& resources,
                           const std::string& sample = {})
{
    const std::filesystem::path built = std::filesystem::path(ORVA_SAMPLE_TREE) / sample;
    const auto overwrite = std::filesystem::copy_options::overwrite_existing;
    for (const char* file : {"Executable", "config.ini", "component.config"}) {
        if (std::filesystem::exists(built / "bin" / file)) {
            std::filesystem::copy_file(built / "bin" / file, bin / file, overwrite);
        }
    }
    std::filesystem::copy(built / "resources", resources,
                          overwrite | std::filesystem::copy_options::recursive);
}

class GameTest : public GameFolderTest
{
protected:
    // The game played: the demo, or the sample of that name.
    explicit GameTest(std::string sample = {}) : sample_(std::move(sample)) {}

    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display";
        }
        GameFolderTest::SetUp();
        copySampleGame(bin(), resources(), sample_);
    }

    void TearDown() override
    {
        if (Orva::Engine::hasInstance()) {
            Orva::Launcher::shutDown();
        }
        Orva::Debug::FramerateProfiler::stopSupplyingTimes();
        if (std::getenv("DISPLAY") != nullptr) {
            GameFolderTest::TearDown();
        }
    }

    // start-up with the given arguments after the program name.
    static int startUp(std::vector<std::string> arguments = {})
    {
        std::vector<char*> argv{const_cast<char*>("Executable")};
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const int result = Orva::Launcher::startUp(static_cast<int>(argv.size() - 1), argv.data());
        Orva::Debug::FramerateProfiler::supplyTime(Orva::Engine::FrameSection, 1.0f / 60.0f);
        return result;
    }

    // Engine::run with the frame function until the game ends it.
    static void runToTheEnd() { engine().run(Orva::Launcher::runFrame); }

    // `count` frames, each the frame function and then the engine step, as run does them;
    // false when the game ended earlier.
    static bool runFrames(int count)
    {
        int left = count;
        bool running = true;
        engine().run([&] {
            if (left-- == 0) {
                return false;
            }
            running = Orva::Launcher::runFrame();
            return running;
        });
        return running && left < 0;
    }

    // One frame whose check runs between the frame function and the engine step.
    template <class Check> static void runFrameCheckingBeforeTheStep(Check check)
    {
        bool framed = false;
        engine().run([&] {
            if (framed) {
                return false;
            }
            framed = true;
            Orva::Launcher::runFrame();
            check();
            return true;
        });
    }

    // Frames until the condition holds; false if it still does not after WaitLimit. The loader
    // reads on its own thread, so frames are paced a little to let it.
    template <class Condition> static bool runFramesUntil(Condition done)
    {
        const auto deadline = std::chrono::steady_clock::now() + WaitLimit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline || !runFrames(1)) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    // Draws once more and reads the frame back.
    static Capture drawnFrame()
    {
        Orva::Graphics::Renderer& renderer = *engine().getRenderer();
        renderer.beginDraw();
        return {window().getWidth(), renderer.screenCapture()};
    }

    // Draws once more and reads the pixel, from the top-left corner.
    static Rgb drawnPixel(unsigned x, unsigned y)
    {
        const Rgb pixel = drawnFrame().pixel(x, y);
        if (pixel.r < 0) {
            ADD_FAILURE() << "the capture holds no pixel (" << x << ", " << y << ")";
        }
        return pixel;
    }

    // Queues a message for the game window, as the platform layer delivers them.
    static void post(UINT message, WPARAM wParam = 0)
    {
        ASSERT_TRUE(Orva::Platform::Test::postMessage(window().getHWnd(), message, wParam, 0));
    }

    // Down in one frame, up before the next: the frame after the press sees the key tapped.
    static void tapKey(int virtualKey)
    {
        post(WM_KEYDOWN, static_cast<WPARAM>(virtualKey));
        runFrames(1);
        post(WM_KEYUP, static_cast<WPARAM>(virtualKey));
    }

    static Orva::Engine& engine() { return Orva::Engine::getInstance(); }
    static Orva::Window& window() { return *engine().getWindow(); }

private:
    std::string sample_;
};
