#pragma once

// The engine as a game runs it, headless: started in a scratch folder, with a 640×480 window
// that is never opened and a renderer whose start fails on it, so that the window's size is
// known but no viewport exists, and the script interface registered as the program does.
// Stage and script files are written scrambled and set files plain, as games store them.

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "EngineFixture.h"
#include "WaitLimit.h"
#include "core/RC4Cipher.h"
#include "core/Vector.h"
#include "graphics/Renderer.h"
#include "window/Window.h"
#include "world/GameObject.h"
#include "world/GameObjectDeserializer.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/LuaScriptManager.h"
#include "world/SetManager.h"

class StageTest : public EngineTest
{
protected:
    static constexpr unsigned WindowWidth = 640;
    static constexpr unsigned WindowHeight = 480;

    void SetUp() override
    {
        EngineTest::SetUp();
        window_ = std::make_unique<Orva::Window>(
            nullptr, Orva::Math::Vector2D<unsigned>(WindowWidth, WindowHeight), nullptr);
        testing::internal::CaptureStderr(); // the renderer says why it cannot start
        engine().createRenderer(*window_);
        testing::internal::GetCapturedStderr();
        engine().initializeScriptEngine();
    }

    void TearDown() override
    {
        // The engine's shut-down destroys the objects while their managers exist; the
        // window's records live in the engine's memory pools.
        window_.reset();
        EngineTest::TearDown();
    }

    static Orva::GameObjectManager& objects() { return Orva::GameObjectManager::getInstance(); }
    static Orva::GameStateManager& states() { return Orva::GameStateManager::getInstance(); }
    static Orva::SetManager& sets() { return Orva::SetManager::getInstance(); }

    std::filesystem::path resources() const { return root() / "resources"; }

    // Stores the text scrambled at <resources>/<relativePath>, as stage files are stored.
    void writeStage(const std::string& relativePath, const std::string& xml) const
    {
        writeResource(relativePath, Orva::Crypto::RC4Cipher::encrypt(xml));
    }
    // Stores the script scrambled and lists it for loading.
    void writeScript(const std::string& relativePath, const std::string& source) const
    {
        writeStage(relativePath, source);
        Orva::LuaScriptManager::getInstance().addScriptPathToList(relativePath);
    }
    // Stores the set file as it is at <resources>/data/<fileName>.
    void writeSet(const std::string& fileName, const std::string& xml) const
    {
        writeResource("data/" + fileName, xml);
    }
    void writeResource(const std::string& relativePath, const std::string& contents) const
    {
        const std::filesystem::path path = resources() / relativePath;
        std::filesystem::create_directories(path.parent_path());
        writeFile(path, contents);
    }

    // Lists the stages of the resource folder and runs frames until every file answered;
    // returns what the listing printed on stderr.
    std::string listStages()
    {
        testing::internal::CaptureStderr();
        states().loadStateList("");
        const bool loaded = runFramesUntilLoaded();
        std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(loaded) << "the listing never finished";
        return printed;
    }

    // The loader reads on its own thread: frames are paced a little to let it, WaitLimit at most.
    static bool runFramesUntilLoaded()
    {
        const auto deadline = std::chrono::steady_clock::now() + WaitLimit;
        while (!states().isLoaded()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            runFrames(1, 1.0f / 60.0f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    // Builds the object of the first `obj` element of the text, as a stage's objects are.
    static Orva::GameObject* build(const std::string& xml)
    {
        tinyxml2::XMLDocument document;
        EXPECT_EQ(document.Parse(xml.c_str()), tinyxml2::XML_SUCCESS) << xml;
        return Orva::GameObjectDeserializer::execute(document.FirstChildElement("obj"), false);
    }

private:
    std::unique_ptr<Orva::Window> window_;
};
