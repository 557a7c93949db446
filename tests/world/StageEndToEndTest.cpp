#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EngineFixture.h"
#include "WaitLimit.h"
#include "audio/AudioManager.h"
#include "core/Vector.h"
#include "graphics/FontManager.h"
#include "graphics/Renderer.h"
#include "graphics/SpriteComponent.h"
#include "graphics/Texture.h"
#include "graphics/Viewport.h"
#include "physics/CircleCollider.h"
#include "physics/PhysicsWorld.h"
#include "platform/Platform.h"
#include "window/InputKeys.h"
#include "window/InputManager.h"
#include "window/Window.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"
#include "world/SetManager.h"
#include "world/TextureRequests.h"
#include "world/TransformComponent.h"

// A game folder whose stages and script were scrambled at build time (tests/world/
// stage_fixture), entered on an engine with a real viewport on a hidden 640×480 window, as
// the program starts a game: list the stages, load the sets and the scripts, wait for the
// listing, enter a stage.

namespace {

using Orva::GameObject;
using Orva::Math::Vector2D;
using Orva::Math::Vector3D;
using StateList = Orva::GameStateManager::StateList;

class StageEndToEndTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display";
        }
        const char* built = std::getenv("ORVA_STAGE_RESOURCES");
        ASSERT_NE(built, nullptr) << "the build names the scrambled game folder";
        std::filesystem::copy(built, root() / "resources", std::filesystem::copy_options::recursive);
        installFont("fonts/title.ttf");

        window_ =
            std::make_unique<Orva::Window>(GetModuleHandleA(nullptr), Vector2D<unsigned>(640, 480), nullptr);
        window_->init("stage test", 0x000E0100, SW_HIDE);
        ASSERT_NE(window_->getHWnd(), nullptr) << Orva::Platform::LastError();
        ASSERT_TRUE(engine().createRenderer(*window_).isInitialized());
        engine().initializeScriptEngine();

        testing::internal::CaptureStderr();
        states().loadStateList("");
        sets().loadAllSets();
        const bool scriptsLoaded = Orva::LuaScriptManager::getInstance().loadAllScripts();
        const bool listed = runFramesUntilListed();
        listingErrors_ = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(scriptsLoaded);
        ASSERT_TRUE(listed) << "the listing never finished";
    }

    void TearDown() override
    {
        Orva::Graphics::FontManager::destroyInstance();
        Orva::Graphics::Renderer::destroyInstance();
        window_.reset();
        EngineTest::TearDown();
    }

    static Orva::GameStateManager& states() { return Orva::GameStateManager::getInstance(); }
    static Orva::SetManager& sets() { return Orva::SetManager::getInstance(); }
    static Orva::GameObjectManager& objects() { return Orva::GameObjectManager::getInstance(); }
    static Orva::Graphics::Viewport& viewport()
    {
        return Orva::Graphics::Renderer::getInstance().getViewport();
    }

    static void frame() { runFrames(1, 1.0f / 60.0f); }

    // The loader reads on its own thread; frames are paced a little to let it.
    static bool runFramesUntilListed()
    {
        const auto deadline = std::chrono::steady_clock::now() + WaitLimit;
        while (!states().isLoaded()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    static GameObject* findBySet(const std::string& setName)
    {
        for (GameObject* object : objects().getAllObjects()) {
            if (object->sourceSet == setName) {
                return object;
            }
        }
        return nullptr;
    }

    const std::string& listingErrors() const { return listingErrors_; }

private:
    std::unique_ptr<Orva::Window> window_;
    std::string listingErrors_;
};

TEST_F(StageEndToEndTest, TheListHoldsTheWellFormedStagesAndNamesEachSkippedFile)
{
    EXPECT_EQ(states().getStateList(), (StateList{{"Level1", "/Level1.stg"}, {"Menu", "/Menu.stg"}}));
    EXPECT_EQ(std::count(listingErrors().begin(), listingErrors().end(), '\n'), 2) << listingErrors();
    EXPECT_NE(listingErrors().find("/Broken.stg"), std::string::npos) << listingErrors();
    EXPECT_NE(listingErrors().find("/MenuTwin.stg"), std::string::npos) << listingErrors();
}

TEST_F(StageEndToEndTest, EnteringTheLevelBuildsItsObjectsFromTheStageAndTheSets)
{
    states().changeState("Level1");
    ASSERT_EQ(states().getCurrentStateName(), "Level1");

    GameObject* hero = objects().find("Hero");
    ASSERT_NE(hero, nullptr);
    EXPECT_EQ(hero->getTransform()->getLocalTranslation(), (Vector3D<float>{2, 3, 1}));
    EXPECT_EQ(hero->getTransform()->getLocalScale(), (Vector3D<float>{1.5f, 2, 1}));
    EXPECT_EQ(hero->getTransform()->getLocalRotationRad(), 0.25f);
    ASSERT_NE(hero->getChild("Weapon"), nullptr);
    const Orva::LuaScriptComponent* mover = hero->getLuaScript("Mover");
    ASSERT_NE(mover, nullptr);
    EXPECT_EQ(mover->getLuaObject()["speed"].get().type(), LUA_TSTRING);
    EXPECT_EQ(mover->getLuaObject()["speed"].cast<std::string>(), "3");

    // The element's own name gives way to the set's: the object is the set's instance.
    GameObject* enemy = findBySet("Enemy");
    ASSERT_NE(enemy, nullptr);
    EXPECT_EQ(enemy->name, "Enemy");
    ASSERT_NE(enemy->getComponent<Orva::Physics::CircleCollider>(), nullptr);
    EXPECT_EQ(enemy->getComponent<Orva::Physics::CircleCollider>()->radius, 0.75f);
    EXPECT_NE(enemy->getComponent<Orva::Graphics::SpriteComponent>(), nullptr);
    EXPECT_EQ(enemy->getTransform()->getLocalTranslation(), (Vector3D<float>{-4, 1, 0}))
        << "its own override";

    GameObject* loop = findBySet("Loop");
    ASSERT_NE(loop, nullptr);
    ASSERT_EQ(loop->getChildCount(), 1);
    EXPECT_EQ(loop->getChild(0u)->name, "Inner");

    const auto& world = Orva::Physics::PhysicsWorld::getInstance();
    ASSERT_EQ(world.getCollisionGroupCount(), 2);
    EXPECT_EQ(world.getCollisionGroupNames()[0], "Player");
    EXPECT_EQ(world.getCollisionGroupNames()[1], "Enemy");
}

TEST_F(StageEndToEndTest, TheLevelsResourcesAreRequestedByKind)
{
    states().changeState("Level1");
    EXPECT_EQ(viewport().getLayerNames(),
              (std::vector<std::string>{"default", "Background", "Actors", "UI"}));
    EXPECT_EQ(TextureRequests::atlasImagePaths(), std::vector<std::string>{"images/tiles.png"});
    // A stage is entered once the renderer has its context: the atlas has its GL name, which
    // its rectangles share.
    const Orva::Graphics::Texture* atlas = TextureRequests::textures().getAtlasData().begin()->second;
    EXPECT_NE(atlas->getId(), 0u);
    ASSERT_NE(TextureRequests::textures().getTexture("images/stone.png"), nullptr);
    EXPECT_EQ(TextureRequests::textures().getTexture("images/stone.png")->getId(), atlas->getId());

    const auto& sounds = Orva::Audio::AudioManager::getInstance().getSounds();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds.begin()->first, Orva::Resources::ResourceManager::getFullPath("sounds/theme.ogg"));
    const Orva::Graphics::FontManager& fonts = Orva::Graphics::FontManager::getInstance();
    ASSERT_EQ(fonts.getFonts().size(), 1u);
    EXPECT_EQ(fonts.getFonts().begin()->first, "fonts/title.ttf");
    EXPECT_NE(fonts.getFonts().begin()->second.sheet.getId(), 0u) << "uploaded on the renderer's context";
    const auto* sprite = objects().find("Hero")->getComponent<Orva::Graphics::SpriteComponent>();
    EXPECT_EQ(sprite->getLayer(), viewport().getLayer("Actors"));
    EXPECT_EQ(TextureRequests::waitingFor("images/hero.png"), (std::vector<const void*>{nullptr, sprite}))
        << "the preload first, then the hero's sprite";
}

TEST_F(StageEndToEndTest, TheMadeCameraCoversTheWindowOnceItsTransformIsStepped)
{
    states().changeState("Level1");
    GameObject* camera = objects().find("Camera");
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->getTransform()->getLocalScale().x, 10.0f);
    EXPECT_EQ(camera->getTransform()->getLocalScale().y, 7.5f);
    frame();
    states().update();
    EXPECT_EQ(viewport().getCameraScale(), (Vector2D<float>{1, 1}));
    EXPECT_EQ(viewport().getCameraPosition(), (Vector2D<float>{0, 0}));
}

TEST_F(StageEndToEndTest, TheMenuReplacesTheLevelAndItsCameraIsFollowed)
{
    states().changeState("Level1");
    states().changeState("Menu");
    for (const char* gone : {"Hero", "Weapon", "Camera", "Enemy", "Loop", "Inner"}) {
        EXPECT_EQ(objects().find(gone), nullptr) << gone;
    }
    GameObject* menuCamera = objects().find("MenuCamera");
    ASSERT_NE(menuCamera, nullptr);
    EXPECT_EQ(states().getCameraTransform(), menuCamera->getTransform());
    frame();
    states().update();
    EXPECT_EQ(viewport().getCameraPosition(), (Vector2D<float>{5, 6}));
    EXPECT_EQ(viewport().getCameraScale(), (Vector2D<float>{0.5f, 0.5f}));
}

TEST_F(StageEndToEndTest, F6ZoomsAgainWhenNothingChanged)
{
    states().changeState("Menu");
    frame();
    states().update();
    viewport().getCameraScale() = {3, 3};
    states().update();
    EXPECT_EQ(viewport().getCameraScale(), (Vector2D<float>{3, 3})) << "an unchanged scale is left alone";
    Orva::InputManager::getInstance().forceOverrideKeyState(Orva::InputKeys::ORVA_F6, Orva::ButtonTapped);
    states().update();
    EXPECT_EQ(viewport().getCameraScale(), (Vector2D<float>{0.5f, 0.5f}));
}

TEST_F(StageEndToEndTest, AStageAskedForTheNextFrameIsEnteredBeforeTheCameraIsFollowed)
{
    states().changeState("Level1");
    frame();
    states().changeStateNextFrame("Menu");
    states().update();
    EXPECT_EQ(states().getCurrentStateName(), "Menu");
    EXPECT_EQ(states().getCameraTransform(), objects().find("MenuCamera")->getTransform());
}

TEST_F(StageEndToEndTest, AnUnlistedStageLeavesNothingAndTheCameraIdle)
{
    states().changeState("Level1");
    frame();
    states().update();
    viewport().getCameraPosition() = {9, 9};
    states().changeState("Nope");
    EXPECT_EQ(objects().getObjectCount(), 0u);
    EXPECT_EQ(viewport().getCameraPosition(), (Vector2D<float>{0, 0}));
    EXPECT_EQ(viewport().getCameraScale(), (Vector2D<float>{1, 1}));
    for (int step = 0; step < 3; ++step) {
        frame();
        states().update();
    }
    EXPECT_EQ(states().getCameraTransform(), nullptr);
    EXPECT_EQ(viewport().getCameraPosition(), (Vector2D<float>{0, 0}));
}

} // namespace
