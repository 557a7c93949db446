#pragma once

// What the frame benchmarks share: the engine on a window in a scratch folder laid out as a
// game (<root>/work, the working directory, beside <root>/resources), its scripts stored
// scrambled and textures written in code. Needs an X server (SDL's x11 driver).

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
#include "graphics/Renderer.h"
#include "platform/Platform.h"
#include "window/Window.h"
#include "world/Engine.h"
#include "world/FramerateController.h"
#include "world/LuaScriptManager.h"

class BenchGame
{
public:
    BenchGame(const char* title, unsigned width, unsigned height)
    {
        setenv("SDL_VIDEODRIVER", "x11", 0);
        std::string pattern = (std::filesystem::temp_directory_path() / "orva-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("no scratch folder");
        }
        root_ = pattern;
        std::filesystem::create_directories(root_ / "work");
        std::filesystem::create_directories(resources() / "images");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(root_ / "work");

        // Each pool names its type on standard output when it is made; not in the table.
        std::streambuf* const output = std::cout.rdbuf(nullptr);
        engine().initializeEngine();
        std::cout.rdbuf(output);
        window_ = std::make_unique<Orva::Window>(GetModuleHandleA(nullptr),
                                                 Orva::Math::Vector2D<unsigned>(width, height), nullptr);
        window_->init(title, 0x000E0100, SW_SHOWNORMAL);
        renderer_ = &engine().createRenderer(*window_);
        if (!renderer_->isInitialized()) {
            throw std::runtime_error("no renderer: " + renderer_->getInitFailure());
        }
        engine().initializeScriptEngine();
    }

    ~BenchGame()
    {
        Orva::Debug::FramerateProfiler::stopSupplyingTimes();
        Orva::Graphics::Renderer::destroyInstance();
        window_.reset();
        Orva::Engine::destroy();
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(root_);
    }

    BenchGame(const BenchGame&) = delete;
    BenchGame& operator=(const BenchGame&) = delete;

    static Orva::Engine& engine() { return Orva::Engine::getInstance(); }
    Orva::Graphics::Renderer& renderer() const { return *renderer_; }
    Orva::Window& window() const { return *window_; }
    std::filesystem::path resources() const { return root_ / "resources"; }

    // Stores the script scrambled under the resource folder and loads it with every script
    // added before.
    void loadScript(const std::string& file, const char* source) const
    {
        std::ofstream(resources() / file, std::ios::binary) << Orva::Crypto::RC4Cipher::encrypt(source);
        Orva::LuaScriptManager& scripts = Orva::LuaScriptManager::getInstance();
        scripts.addScriptPathToList(file);
        if (!scripts.loadAllScripts()) {
            throw std::runtime_error(file + " did not load");
        }
    }

    // A size × size PNG under the resource folder of four quadrants, blue, magenta, cyan and
    // white.
    void writeTexture(const std::string& relativePath, int size) const
    {
        std::vector<unsigned char> rgba;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const bool right = x >= size / 2;
                const bool bottom = y >= size / 2;
                rgba.insert(rgba.end(), {static_cast<unsigned char>(right ? 255 : 0),
                                         static_cast<unsigned char>(bottom ? 255 : 0), 255, 255});
            }
        }
        const std::string path = (resources() / relativePath).string();
        if (stbi_write_png(path.c_str(), size, size, 4, rgba.data(), size * 4) == 0) {
            throw std::runtime_error("the texture was not written");
        }
    }

    // Runs frames until done() holds; the loader reads on its own thread, so frames run with
    // a short sleep between them.
    static void runFramesUntil(const std::function<void()>& frame, const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                throw std::runtime_error("the scene did not finish loading");
            }
            frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    std::filesystem::path root_;
    std::filesystem::path previous_;
    std::unique_ptr<Orva::Window> window_;
    Orva::Graphics::Renderer* renderer_ = nullptr;
};
