#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "StageFixture.h"
#include "audio/AudioManager.h"
#include "core/EventCallbackObject.h"
#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "graphics/FontManager.h"
#include "physics/PhysicsWorld.h"
#include "platform/AudioOutput.h"
#include "window/InputManager.h"
#include "world/CameraComponent.h"
#include "world/DataAnalyticManager.h"
#include "world/LoadEvent.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"
#include "world/TextureRequests.h"
#include "world/TransformComponent.h"

// Game states, headless: listing, entering, collision groups, the camera object, renaming.

namespace {

using Orva::GameObject;
using Orva::TransformComponent;
using StateList = Orva::GameStateManager::StateList;

// Keeps the paths of every load request and every load reply.
class LoadWatcher
{
public:
    LoadWatcher()
    {
        auto& events = Orva::EventManager::getInstance();
        events.ListenToEvent("LoadResource", Orva::FunctionHolder(this, &LoadWatcher::onRequest));
        events.ListenToEvent("OnResourceLoadComplete", Orva::FunctionHolder(this, &LoadWatcher::onReply));
    }

    Orva::EventCallbackObject& getEventCallbackObject() noexcept { return callbacks_; }

    std::vector<std::string> requested;
    std::vector<std::string> replied;

private:
    void onRequest(Orva::BaseEvent* event) { record(event, requested); }
    void onReply(Orva::BaseEvent* event) { record(event, replied); }
    static void record(Orva::BaseEvent* event, std::vector<std::string>& paths)
    {
        for (const auto& entry : static_cast<Orva::Events::LoadEvent*>(event)->entries) {
            paths.push_back(entry.path);
        }
    }

    Orva::EventCallbackObject callbacks_;
};

std::string stage(const std::string& name, const std::string& body = "")
{
    return "<stage><info><name text=\"" + name + "\"/></info>" + body + "</stage>";
}

int lineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

Orva::Physics::PhysicsWorld& physics()
{
    return Orva::Physics::PhysicsWorld::getInstance();
}

std::vector<std::string> groupNamesInUse()
{
    const std::string* names = physics().getCollisionGroupNames();
    return {names, names + physics().getCollisionGroupCount()};
}

class GameStateManagerTest : public StageTest
{
protected:
    // Lists the given stages (file name -> XML) and enters none.
    void listOnly(const std::map<std::string, std::string>& files)
    {
        for (const auto& [file, xml] : files) {
            writeStage(file, xml);
        }
        listStages();
    }
};

TEST_F(GameStateManagerTest, AFileIsRequestedRelativeAnsweredInFullAndListedRelative)
{
    writeStage("x.stg", stage("X"));
    LoadWatcher watcher;
    listStages();
    EXPECT_EQ(watcher.requested, (std::vector<std::string>{"/x.stg"}));
    EXPECT_EQ(watcher.replied, (std::vector<std::string>{
                                   Orva::Resources::ResourceManager::getResourceDirectory() + "/x.stg"}));
    EXPECT_EQ(states().getStateList(), (StateList{{"X", "/x.stg"}}));
}

TEST_F(GameStateManagerTest, EveryReplyCountsAndEachSkippedFileSaysWhy)
{
    writeStage("a.stg", stage("A"));
    writeStage("B.STG", stage("B"));
    writeStage("broken.stg", "<stage><info>");
    writeStage("nameless.stg", "<stage><info><name/></info></stage>");
    writeStage("other.stg", "<level/>");
    writeStage("twin.stg", stage("A"));
    writeResource("plain.stg", "");
    std::filesystem::create_directories(resources() / "folder.stg");
    const std::string printed = listStages();

    EXPECT_EQ(states().getStateList(), (StateList{{"A", "/a.stg"}, {"B", "/B.STG"}}));
    EXPECT_EQ(states().getPendingCount(), 0);
    EXPECT_EQ(lineCount(printed), 5) << printed;
    for (const char* file : {"/broken.stg", "/nameless.stg", "/other.stg", "/twin.stg", "/plain.stg"}) {
        EXPECT_NE(printed.find(file), std::string::npos) << file << " in:\n" << printed;
    }
    EXPECT_NE(printed.find("\"A\""), std::string::npos) << "the repeated name is named";
}

TEST_F(GameStateManagerTest, ListingFindsTheScriptsAnewAfterUnloadingEveryClass)
{
    Orva::LuaScriptManager& scripts = Orva::LuaScriptManager::getInstance();
    writeScript("scripts/Old.lua", "function UpdateOld() end function InitOld() end "
                                   "function DeinitOld() end function UnloadOld() end");
    ASSERT_TRUE(scripts.loadAllScripts());
    scripts.addScriptPathToList("elsewhere/Kept.lua");
    writeResource("scripts/b.LUA", "");
    writeResource("scripts/notes.txt", "");
    std::filesystem::create_directories(resources() / "scripts" / "folder.lua");
    listStages();

    EXPECT_EQ(scripts.getScriptClassCount(), 0u);
    EXPECT_EQ(scripts.getScriptPaths(), (std::vector<std::string>{"scripts/Old.lua", "scripts/b.LUA"}));
}

TEST_F(GameStateManagerTest, AStagesScriptsJoinTheListOnce)
{
    listOnly(
        {{"a.stg", stage("A", R"(<resources><luascript src="scripts/A.lua"/><luascript src="levels/B.lua"/>
        <luascript/><luascript src="levels/B.lua"/></resources>)")}});
    writeResource("scripts/A.lua", "");
    listStages();
    states().changeState("A");
    EXPECT_EQ(Orva::LuaScriptManager::getInstance().getScriptPaths(),
              (std::vector<std::string>{"scripts/A.lua", "levels/B.lua"}));
}

TEST_F(GameStateManagerTest, WhatAStageCannotBuildIsNamedOnStderrOnceEach)
{
    writeSet("Crate.set", "<obj name=\"Crate\"/>");
    sets().loadAllSets();
    listOnly({{"a.stg", stage("A", R"(<resources><luascript src="scripts/Gone.lua"/></resources>
        <objects><obj name="Box" set="Crate"/><obj name="Ghost" set="Phantom"/>
        <obj name="Walker"><comp type="2"><source path="scripts/Walk.lua"/></comp></obj></objects>)")}});
    testing::internal::CaptureStderr();
    states().changeState("A");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "game states: stage \"A\": no script file \"scripts/Gone.lua\" (" +
                  Orva::Resources::ResourceManager::getResourceDirectory() +
                  "scripts/Gone.lua)\n"
                  "game states: stage \"A\", object \"Ghost\": no object set \"Phantom\"\n"
                  "game states: stage \"A\", object \"Walker\": no script class \"Walk\" loaded\n");
    EXPECT_NE(objects().find("Ghost"), nullptr) << "built from its own element all the same";

    testing::internal::CaptureStderr();
    build(R"(<obj name="Loose" set="Phantom"/>)");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "reported only while a stage is built";
}

TEST_F(GameStateManagerTest, AChangeWhileFilesArePendingChangesNothing)
{
    listOnly({{"a.stg", stage("A", "<objects><obj name=\"Hero\"/></objects>")}});
    states().changeState("A");
    ASSERT_NE(objects().find("Hero"), nullptr);

    writeStage("b.stg", stage("B", "<objects><obj name=\"Villain\"/></objects>"));
    testing::internal::CaptureStderr();
    states().loadStateList("");
    EXPECT_FALSE(states().isLoaded());
    states().changeState("B");
    EXPECT_EQ(states().getCurrentStateName(), "A");
    EXPECT_NE(objects().find("Hero"), nullptr);
    states().changeStateNextFrame("B");
    states().update();
    EXPECT_EQ(states().getCurrentStateName(), "A") << "not deferred either";
    testing::internal::GetCapturedStderr();

    ASSERT_TRUE(runFramesUntilLoaded());
    states().changeState("B");
    EXPECT_EQ(states().getCurrentStateName(), "B");
    EXPECT_EQ(objects().find("Hero"), nullptr);
    EXPECT_NE(objects().find("Villain"), nullptr);
}

TEST_F(GameStateManagerTest, AnUnlistedOrEmptyNameLeavesTheGameEmpty)
{
    listOnly({{"a.stg", stage("A", "<objects><obj name=\"Hero\"><comp/></obj></objects>")}});
    states().changeState("A");
    ASSERT_NE(states().getCameraTransform(), nullptr);

    states().changeState("Nope");
    EXPECT_EQ(states().getCurrentState(), nullptr);
    EXPECT_EQ(states().getCurrentStateName(), "");
    EXPECT_EQ(objects().getObjectCount(), 0u);
    EXPECT_EQ(states().getCameraTransform(), nullptr);
    states().update();
    states().focusCamera();
    runFrames(2, 1.0f / 60.0f);

    states().changeState("A");
    states().changeState("");
    EXPECT_EQ(states().getCurrentState(), nullptr);
    EXPECT_EQ(objects().getObjectCount(), 0u);
}

TEST_F(GameStateManagerTest, AStageWithoutACameraGetsOneSizedToTheWindow)
{
    listOnly({{"a.stg", stage("A", "<objects><obj name=\"Hero\"><comp/></obj></objects>")},
              {"b.stg", stage("B", "<resources/>")}});
    states().changeState("A");
    GameObject* camera = objects().find("Camera");
    ASSERT_NE(camera, nullptr);
    ASSERT_NE(camera->getComponent<Orva::CameraComponent>(), nullptr);
    EXPECT_EQ(camera->getTransform()->getLocalScale().x, 10.0f);
    EXPECT_EQ(camera->getTransform()->getLocalScale().y, 7.5f);
    EXPECT_EQ(states().getCameraTransform(), camera->getTransform());

    states().changeState("B");
    EXPECT_EQ(objects().find("Camera"), nullptr) << "a stage without objects gets no camera";
    EXPECT_EQ(states().getCameraTransform(), nullptr);
}

TEST_F(GameStateManagerTest, TheLastCameraObjectInTheManagersOrderIsFollowed)
{
    listOnly({{"a.stg", stage("A", "<objects><obj name=\"Plain\"><comp type=\"8\"/></obj></objects>")}});
    GameObject* first = objects().create("First");
    first->addComponent<TransformComponent>();
    first->addComponent<Orva::CameraComponent>();
    GameObject* second = objects().create("Second");
    second->addComponent<TransformComponent>();
    second->addComponent<Orva::CameraComponent>();
    states().changeState("A");

    EXPECT_EQ(objects().find("Plain")->getComponent<Orva::CameraComponent>(), nullptr);
    GameObject* last = nullptr;
    for (GameObject* object : objects().getAllObjects()) {
        if (object == first || object == second) {
            last = object;
        }
    }
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(states().getCameraTransform(), last->getTransform());
}

TEST_F(GameStateManagerTest, ACameraDestroyedByAScriptIsNoLongerFollowedEvenInAReusedSlot)
{
    listOnly({{"a.stg", stage("A", "<objects><obj name=\"Cam\"><comp/><comp type=\"8\"/></obj></objects>")}});
    states().changeState("A");
    GameObject* camera = objects().find("Cam");
    ASSERT_EQ(states().getCameraTransform(), camera->getTransform());

    objects().destroy(camera);
    EXPECT_EQ(states().getCameraTransform(), nullptr);
    GameObject* reused = objects().create("Reused");
    ASSERT_EQ(reused, camera) << "the freed slot is handed out next";
    reused->addComponent<TransformComponent>();
    EXPECT_EQ(states().getCameraTransform(), nullptr);
    states().update();
    states().focusCamera();
}

TEST_F(GameStateManagerTest, CollisionGroupsAreResetOnlyByDataAndNewNamesAppendedOnce)
{
    listOnly({{"a.stg", stage("A", R"(<collision>
        <data name="Player" a="0" b="1" detect="1"/><data name="Wall" a="2" b="3" detect="true"/>
        <data name="Player" a="1" b="1" detect="0"/><data a="4" b="5" detect="1"/>
        <data name="Far" a="40" b="-1" detect="0"/></collision>)")},
              {"b.stg", stage("B", "<collision/>")}});
    Orva::Physics::PhysicsWorld& world = physics();
    world.addCollisionGroup("Old");
    world.setCollisionGroupFlag(0, 1, false);
    world.setCollisionGroupFlag(4, 5, false);
    states().changeState("A");

    EXPECT_EQ(groupNamesInUse(), (std::vector<std::string>{"Player", "Wall", "Far"}));
    auto& flags = world.getCollisionFlagField();
    EXPECT_TRUE(flags[0][1]);
    EXPECT_TRUE(flags[1][0]);
    EXPECT_TRUE(flags[2][3]);
    EXPECT_TRUE(flags[3][2]);
    EXPECT_FALSE(flags[1][1]);
    EXPECT_FALSE(flags[4][5]) << "a data without a name is skipped whole";

    states().changeState("B");
    EXPECT_EQ(groupNamesInUse(), (std::vector<std::string>{"Player", "Wall", "Far"})) << "no data: no reset";
}

TEST_F(GameStateManagerTest, MoreThanThirtyTwoGroupNamesStopAtThirtyTwo)
{
    std::string body = "<collision>";
    for (int index = 0; index < 40; ++index) {
        body += "<data name=\"G" + std::to_string(index) + "\" a=\"31\" b=\"31\" detect=\"1\"/>";
    }
    listOnly({{"a.stg", stage("A", body + "</collision>")}});
    states().changeState("A");
    const std::vector<std::string> names = groupNamesInUse();
    ASSERT_EQ(names.size(), 32u);
    EXPECT_EQ(names.back(), "G31");
}

TEST_F(GameStateManagerTest, ResourcesLoadByKindInDocumentOrderAndElementsWithoutTheirAttributeAreSkipped)
{
    listOnly({{"a.stg", stage("A", R"(<resources>
        <font src="fonts/a.ttf"/><img src="images/1.png"/><sound src="s/1.ogg"/><atlas src="atlas/a.xml"/>
        <img src="images/2.png"/><img/><sound/><font/><atlas/><layer/></resources>)")}});
    writeResource("atlas/a.xml", TextureRequests::atlasFile("sheet.png"));
    installFont("fonts/a.ttf");
    states().changeState("A");

    EXPECT_EQ(TextureRequests::atlasImagePaths(), std::vector<std::string>{"images/sheet.png"});
    EXPECT_EQ(TextureRequests::pendingPaths(), (std::vector<std::string>{"images/1.png", "images/2.png"}));
    const auto& sounds = Orva::Audio::AudioManager::getInstance().getSounds();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds.begin()->first, Orva::Resources::ResourceManager::getFullPath("s/1.ogg"));
    const Orva::Graphics::FontManager::FontTable& fonts =
        Orva::Graphics::FontManager::getInstance().getFonts();
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(fonts.begin()->first, "fonts/a.ttf");
    EXPECT_EQ(fonts.begin()->second['H'].size.y, 29u) << "made at size 40";
}

TEST_F(GameStateManagerTest, EachChangeResetsAudioGroupsAndRecordsInputAfresh)
{
    listOnly({{"a.stg", stage("A")}});
    Orva::InputManager& input = Orva::InputManager::getInstance();
    ASSERT_FALSE(input.isTrackingInput());
    // Outlives the engine, whose sound system mixes into it.
    static Orva::Platform::RenderOutput output;
    Orva::Platform::Test::setAudioOutput(&output);
    Orva::Audio::AudioManager& audio = Orva::Audio::AudioManager::getInstance();
    audio.initialize(36, 0);
    Orva::Platform::Test::setAudioOutput(nullptr);
    audio.createGroup("Before");
    ASSERT_NE(audio.getGroup("Before"), nullptr);
    states().changeState("A");
    EXPECT_TRUE(input.isTrackingInput());
    EXPECT_FALSE(input.isReplayingInput());
    EXPECT_EQ(input.getReplayPath(), "");
    EXPECT_EQ(audio.getGroup("Before"), nullptr);
    EXPECT_NE(audio.getGroup("sfx"), nullptr);
}

TEST_F(GameStateManagerTest, AChangeAskedForTheNextFrameIsEnteredByUpdate)
{
    listOnly({{"a.stg", stage("A")}, {"b.stg", stage("B")}});
    states().changeState("A");
    states().changeStateNextFrame("B");
    EXPECT_EQ(states().getCurrentStateName(), "A");
    states().update();
    EXPECT_EQ(states().getCurrentStateName(), "B");
    states().update();
    EXPECT_EQ(states().getCurrentStateName(), "B");
}

TEST_F(GameStateManagerTest, EnteringAStageTellsAnalyticsEachTime)
{
    listOnly({{"a.stg", stage("A", "<objects><obj/><obj/></objects>")}});
    auto& analytics = Orva::Analytic::DataAnalyticManager::getInstance();
    analytics.enableLevelTracking();
    states().changeState("A");
    states().changeState("A");
    EXPECT_EQ(analytics.getCurrentStage(), "A");
    EXPECT_EQ(analytics.levelRecord("A").loadCount, 2u);
    EXPECT_EQ(analytics.levelRecord("A").created, 3u) << "two objects and the camera object";
    states().changeState("Nope");
    EXPECT_EQ(analytics.getCurrentStage(), "A") << "an unlisted name is not a visit";
}

TEST_F(GameStateManagerTest, AFileThatNoLongerParsesGivesANamelessEmptyState)
{
    listOnly({{"a.stg", stage("A", "<objects><obj name=\"Hero\"/></objects>")}});
    writeStage("a.stg", "<stage><objects>");
    states().changeState("A");
    ASSERT_NE(states().getCurrentState(), nullptr);
    EXPECT_EQ(states().getCurrentStateName(), "");
    EXPECT_EQ(states().getCurrentState()->getPath(), "/a.stg");
    EXPECT_EQ(objects().getObjectCount(), 0u);
}

TEST_F(GameStateManagerTest, RenamingRewritesTheScrambledFileUnderTheNewName)
{
    listOnly({{"Menu.stg", stage("Menu", "<objects><obj name=\"Title\"/></objects>")}});
    std::filesystem::rename(resources() / "Menu.stg", resources() / "Title.stg");
    states().renameState("Menu", "Title");

    EXPECT_EQ(states().getStateList(), (StateList{{"Title", "/Title.stg"}}));
    const std::string text = Orva::Crypto::RC4Cipher::decrypt(readFile(resources() / "Title.stg"));
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse(text.c_str()), tinyxml2::XML_SUCCESS) << text;
    EXPECT_STREQ(
        document.FirstChildElement("stage")->FirstChildElement("info")->FirstChildElement("name")->Attribute(
            "text"),
        "Title");
    EXPECT_NE(document.FirstChildElement("stage")->FirstChildElement("objects"), nullptr);
    states().changeState("Title");
    EXPECT_EQ(states().getCurrentStateName(), "Title");
    EXPECT_NE(objects().find("Title"), nullptr);
}

TEST_F(GameStateManagerTest, RenamingRefusesPathsEmptyAndTakenNames)
{
    listOnly({{"a.stg", stage("A")}, {"b.stg", stage("B")}});
    const StateList before = states().getStateList();
    for (const char* refused : {"a/b", "../x", "..", "x\\y", "", "B"}) {
        states().renameState("A", refused);
        EXPECT_EQ(states().getStateList(), before) << refused;
    }
    EXPECT_FALSE(std::filesystem::exists(root() / "x.stg"));
    states().renameState("A", "Gone");
    EXPECT_EQ(states().getStateList(), (StateList{{"B", "/b.stg"}, {"Gone", "/Gone.stg"}}))
        << "listed even when no file has the new name";
    EXPECT_FALSE(std::filesystem::exists(resources() / "Gone.stg"));
}

TEST_F(GameStateManagerTest, ClearingAndRemovingEmptyTheList)
{
    listOnly({{"a.stg", stage("A", "<objects><obj name=\"Hero\"/></objects>")}, {"b.stg", stage("B")}});
    states().changeState("A");
    states().removeState("B");
    states().removeState("Unknown");
    EXPECT_EQ(states().getStateList(), (StateList{{"A", "/a.stg"}}));
    states().clearStateList();
    EXPECT_TRUE(states().getStateList().empty());
    EXPECT_EQ(states().getCurrentState(), nullptr);
    EXPECT_EQ(objects().getObjectCount(), 0u);
    EXPECT_TRUE(states().isLoaded());
}

// Lines scripts print, marked when the sets were already gone.
std::vector<std::string> printedLines;

// A Deinit that makes an explosion and asks for a stage, as a dying enemy might.
TEST_F(GameStateManagerTest, WhatALeavingObjectsDeinitMakesOrAsksForGoesWithItsStage)
{
    writeScript("scripts/Boom.lua",
                "function AwakeBoom() end function InitBoom() end function UpdateBoom() end\n"
                "function UnloadBoom() end function DeinitBoom(self)\n"
                "  Debug.print(sets:create('Spark').Name .. ' in ' .. gameState.currentState)\n"
                "  gameState:changeStateNextFrame('A') end");
    writeSet("Spark.set", R"(<obj name="Spark"><comp type="0"/></obj>)");
    sets().loadAllSets();
    const std::string bomb =
        R"(<obj name="Bomb"><comp type="2"><source path="scripts/Boom.lua"/></comp></obj>)";
    listOnly({{"a.stg", stage("A", "<objects>" + bomb + bomb + bomb + "</objects>")},
              {"b.stg", stage("B", "<objects><obj name=\"Hero\"/>" + bomb + "</objects>")}});
    ASSERT_TRUE(Orva::LuaScriptManager::getInstance().loadAllScripts());
    printedLines.clear();
    Orva::LuaScriptManager::getInstance().setPrintFunction([](const std::string& line) {
        printedLines.push_back(line + (Orva::SetManager::hasInstance() ? "" : " (no sets)"));
    });
    states().changeState("A");
    runFrames(3, 1.0f / 60.0f);
    states().changeStateNextFrame("B");
    states().update();
    states().update();
    EXPECT_EQ(states().getCurrentStateName(), "B") << "the request of a leaving Deinit went with A";
    EXPECT_EQ(objects().getObjectCount(), 3u) << "the hero, the bomb and the camera: no spark";
    runFrames(3, 1.0f / 60.0f);
    Orva::Engine::destroy(); // the bomb of B goes while the sets are still there
    EXPECT_EQ(printedLines,
              (std::vector<std::string>{"Spark in A", "Spark in A", "Spark in A", "Spark in B"}));
}

TEST(PhysicsGroupTable, AFreshWorldNamesEveryGroupAndLetsEveryPairDetect)
{
    Orva::MemoryPoolManager::createInstance();
    {
        Orva::Physics::PhysicsWorld world;
        EXPECT_EQ(world.getCollisionGroupCount(), 0);
        EXPECT_EQ(world.getCollisionGroupNames()[0], "CollisionGroup 0");
        EXPECT_EQ(world.getCollisionGroupNames()[31], "CollisionGroup 31");
        EXPECT_EQ(world.getCollisionGroupIndex("CollisionGroup 3"), 3);
        bool allDetect = true;
        for (const auto& row : world.getCollisionFlagField()) {
            allDetect =
                allDetect && std::all_of(std::begin(row), std::end(row), [](bool flag) { return flag; });
        }
        EXPECT_TRUE(allDetect);
    }
    Orva::MemoryPoolManager::destroyInstance();
}

} // namespace
