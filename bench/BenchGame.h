#pragma once

// The engine as the frame benchmarks run it: an 800 × 600 window unless told otherwise (run
// them under an X server whose screen holds it, e.g. `xvfb-run -a -s "-screen 0 1024x768x24"
// build/bin/<bench>`) in a scratch folder laid out as a game (<root>/work, the working
// directory, beside <root>/resources), with the renderer and the script interface. A frame is what the game
// program runs: drawing (beginDraw, endDraw), then the engine step with its one fixed step. Frame times go
// through the frame-time seam, so nothing waits for the 60 fps pace.

#include <benchmark/benchmark.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "core/RC4Cipher.h"
#include "graphics/FontManager.h"
#include "graphics/Renderer.h"
#include "graphics/SpriteComponent.h"
#include "graphics/Texture.h"
#include "platform/Platform.h"
#include "window/Window.h"
#include "world/Engine.h"
#include "world/FramerateController.h"
#include "world/LuaScriptManager.h"

class BenchGame
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr unsigned Width = 800;
    static constexpr unsigned Height = 600;
    static constexpr float FrameTime = 1.0f / 60.0f;

    explicit BenchGame(const std::string& name, Orva::Math::Vector2D<unsigned> size = {Width, Height})
    {
        setenv("SDL_VIDEODRIVER", "x11", 0);
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("orva-" + name + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("no scratch folder");
        }
        root_ = pattern;
        std::filesystem::create_directories(root_ / "work");
        std::filesystem::create_directories(root_ / "resources");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(root_ / "work");

        // Each pool names its type on standard output when it is made; not in the table.
        std::streambuf* const output = std::cout.rdbuf(nullptr);
        engine().initializeEngine();
        std::cout.rdbuf(output);
        window_ = std::make_unique<Orva::Window>(GetModuleHandleA(nullptr), size, nullptr);
        window_->init(name, 0x000E0100, SW_SHOWNORMAL);
        renderer_ = &engine().createRenderer(*window_);
        if (!renderer_->isInitialized()) {
            throw std::runtime_error("no renderer: " + renderer_->getInitFailure());
        }
        engine().initializeScriptEngine();
    }

    // The GL objects go while the window's context exists.
    ~BenchGame()
    {
        Orva::Debug::FramerateProfiler::stopSupplyingTimes();
        Orva::Graphics::FontManager::destroyInstance();
        Orva::Graphics::Renderer::destroyInstance();
        window_.reset();
        Orva::Engine::destroy();
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(root_);
    }

    BenchGame(const BenchGame&) = delete;
    BenchGame& operator=(const BenchGame&) = delete;

    static Orva::Engine& engine() { return Orva::Engine::getInstance(); }
    std::filesystem::path resources() const { return root_ / "resources"; }
    Orva::Graphics::Renderer& renderer() const { return *renderer_; }
    Orva::Window& window() const { return *window_; }

    // Stores the script scrambled under the resource folder and loads it with every script
    // listed before.
    void loadScript(const std::string& file, const char* source) const
    {
        std::ofstream(resources() / file, std::ios::binary) << Orva::Crypto::RC4Cipher::encrypt(source);
        Orva::LuaScriptManager& scripts = Orva::LuaScriptManager::getInstance();
        scripts.addScriptPathToList(file);
        if (!scripts.loadAllScripts()) {
            throw std::runtime_error(file + " did not load");
        }
    }

    // Writes an RGBA PNG of width × height under the resource folder, each pixel from
    // colorAt(x, y) as 0xRRGGBBAA, y from the top row.
    void writeImage(const std::string& relativePath, int width, int height,
                    const std::function<unsigned(int x, int y)>& colorAt) const
    {
        std::vector<unsigned char> rgba;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned color = colorAt(x, y);
                rgba.insert(rgba.end(),
                            {static_cast<unsigned char>(color >> 24), static_cast<unsigned char>(color >> 16),
                             static_cast<unsigned char>(color >> 8), static_cast<unsigned char>(color)});
            }
        }
        const std::filesystem::path path = resources() / relativePath;
        std::filesystem::create_directories(path.parent_path());
        if (stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4) == 0) {
            throw std::runtime_error(relativePath + " was not written");
        }
    }

    void runFrame()
    {
        bool drawn = false;
        Clock::time_point drawEnd;
        engine().run([&] {
            if (drawn) {
                return false;
            }
            const Clock::time_point drawStart = Clock::now();
            renderer_->beginDraw();
            renderer_->endDraw();
            drawEnd = Clock::now();
            drawSeconds_ += seconds(drawEnd - drawStart);
            Orva::Debug::FramerateProfiler::supplyTime(Orva::Engine::FrameSection, FrameTime);
            drawn = true;
            return true;
        });
        updateSeconds_ += seconds(Clock::now() - drawEnd);
    }

    // The loader reads on its own thread: frames run, a little paced, until done() holds.
    void runFramesUntil(const std::function<bool()>& done, const std::string& what)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (Clock::now() > deadline) {
                throw std::runtime_error(what + " never happened");
            }
            runFrame();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Frames until the sprite, if there is one, has its texture, then ten more: the scripts'
    // Awake and Init, the first sort and the sprite batch's first growth stay out of the table.
    void settle(const Orva::Graphics::SpriteComponent* sprite)
    {
        runFramesUntil(
            [sprite] {
                return sprite == nullptr ||
                       (sprite->getTexture() != nullptr && sprite->getTexture()->isLoaded());
            },
            "the sprites' texture");
        for (int frame = 0; frame < 10; ++frame) {
            runFrame();
        }
    }

    // Forgets the time of the frames so far.
    void resetTimes()
    {
        drawSeconds_ = 0.0;
        updateSeconds_ = 0.0;
    }

    // Counters update_ms and draw_ms, the two parts of frame_ms, each per frame.
    void reportTimes(benchmark::State& state) const
    {
        const auto perFrame = [](double total) {
            return benchmark::Counter(total * 1000.0, benchmark::Counter::kAvgIterations);
        };
        state.counters["update_ms"] = perFrame(updateSeconds_);
        state.counters["draw_ms"] = perFrame(drawSeconds_);
        state.counters["frame_ms"] = perFrame(updateSeconds_ + drawSeconds_);
    }

private:
    static double seconds(Clock::duration duration)
    {
        return std::chrono::duration<double>(duration).count();
    }

    std::filesystem::path root_;
    std::filesystem::path previous_;
    std::unique_ptr<Orva::Window> window_;
    Orva::Graphics::Renderer* renderer_ = nullptr;
    double drawSeconds_ = 0.0;
    double updateSeconds_ = 0.0;
};
