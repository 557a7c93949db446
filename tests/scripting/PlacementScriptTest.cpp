#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "ScriptHarness.h"
#include "core/RC4Cipher.h"
#include "graphics/ParticleEmitterComponent.h"
#include "world/GameStateManager.h"
#include "world/SetManager.h"
#include "world/TransformComponent.h"

// Objects made in the middle of a step, by a script's Update or by a stage it enters, are
// where they were put from their first step on: colliders and emitters never start at the
// origin.

namespace {

// "Maker" makes what its instance's onUpdate says, once, in its first Update. "heard" counts
// collision events in self.calls.
const char* const MakerSource = R"(
function heard(self) self.calls = (self.calls or 0) + 1 end
function InitMaker(self) self.n = 0 end
function UpdateMaker(self) self.n = self.n + 1; if self.n == 1 and self.onUpdate then self:onUpdate() end end
function DeinitMaker() end
function UnloadMaker() end
)";

// A circle of radius 1 at (x, y), heard by the maker's instance on Enter and Exit.
const char* const CircleMaker = R"(
function circle(maker, x, y)
    local object = gameObjects:createGO()
    object:addTransform().LocalTranslation = Math.Vector3f.make(x, y, 0)
    local collider = object:addCircleCollider()
    collider.Radius = 1
    physics:listenToCollisionEnter(maker.handle, "heard", collider)
    physics:listenToCollisionExit(maker.handle, "heard", collider)
    return object
end
)";

class PlacementScriptTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        writeScript("scripts/Maker.lua", MakerSource);
        ASSERT_TRUE(loadScripts());
    }

    void writeResource(const std::string& path, const std::string& contents) const
    {
        std::filesystem::create_directories((root() / "resources" / path).parent_path());
        writeFile(root() / "resources" / path, contents);
    }

    static std::string stage(const std::string& name, const std::string& objects)
    {
        return Orva::Crypto::RC4Cipher::encrypt("<stage><info><name text=\"" + name + "\"/></info><objects>" +
                                                objects + "</objects></stage>");
    }

    static Orva::TransformComponent::Vector3 worldPlaceOf(const char* name)
    {
        Orva::GameObject* object = objects().find(name);
        return object && object->getTransform() ? object->getTransform()->getWorldTranslation()
                                                : Orva::TransformComponent::Vector3{-99, -99, -99};
    }
};

TEST_F(PlacementScriptTest, NewObjectsAreWhereTheyArePutFromTheirFirstStep)
{
    // Two circles 10 units apart, made by a script's Update: nothing touches, nothing moves.
    Orva::LuaScriptComponent* maker = objects().create("Maker")->addLuaScript("Maker");
    ASSERT_NE(maker, nullptr);
    expose(*maker, "maker");
    ASSERT_EQ(run(CircleMaker), "");
    ASSERT_EQ(run(R"(maker.onUpdate = function(self)
        left = circle(self, 0, 0)
        right = circle(self, 10, 0)
        -- A reader of world values in the same Update already sees the place.
        seenAt = right:getTransform():getWorldTranslation().x
    end)"),
              "");
    runFrames(5);
    EXPECT_TRUE(holds("seenAt == 10"));
    EXPECT_TRUE(holds("maker.calls == nil")) << "no Enter, no Exit";
    EXPECT_TRUE(holds("left:getTransform():getWorldTranslation():equal(Math.Vector3f.make(0, 0, 0))"));
    EXPECT_TRUE(holds("right:getTransform():getWorldTranslation():equal(Math.Vector3f.make(10, 0, 0))"));

    // A row of 300 circles 3 units apart, made in one Update: none touches another.
    ASSERT_EQ(
        run("maker.n = 0; maker.onUpdate = function(self) for i = 1, 300 do circle(self, 3 * i, 20) end end"),
        "");
    runFrames(3);
    EXPECT_TRUE(holds("maker.calls == nil"));
    objects().destroyAllObjects();

    // A stage entered through changeState from an Update: a body built from the set "Ball"
    // and placed by the stage, beside a wall at the origin, and a torch's emitter.
    writeResource("data/Ball.set", R"(<obj name="Ball">
        <comp type="0"><position x="0" y="0" z="0"/></comp>
        <comp type="5"><radius rad="0.5"/></comp>
        <comp type="7"><vel x="0" y="0" z="0"/></comp></obj>)");
    Orva::SetManager::getInstance().loadAllSets();
    writeResource("start.stg", stage("Start", R"(<obj name="Flow"><comp type="2">
        <source path="scripts/Maker.lua"/></comp></obj>)"));
    writeResource("room.stg", stage("Room", R"(
        <obj name="Wall"><comp type="0"><position x="0" y="0" z="0"/></comp>
            <comp type="6"><size x="3" y="3"/></comp></obj>
        <obj set="Ball"><comp type="0"><position x="0" y="-2.9" z="0"/></comp></obj>
        <obj name="Torch"><comp type="0"><position x="4" y="-3" z="0"/></comp>
            <comp type="9"><emission count="1" interval="0" active="1" max="4"/></comp></obj>)"));
    Orva::GameStateManager& states = Orva::GameStateManager::getInstance();
    states.loadStateList("");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!states.isLoaded() && std::chrono::steady_clock::now() < deadline) {
        runFrames(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(states.isLoaded());
    ASSERT_TRUE(loadScripts());
    states.changeState("Start");
    Orva::LuaScriptComponent* flow = objects().find("Flow")->getLuaScript("Maker");
    ASSERT_NE(flow, nullptr);
    expose(*flow, "flow");
    ASSERT_EQ(run("flow.onUpdate = function() gameState:changeState('Room') end"), "");
    for (int frame = 0; frame < 5 && states.getCurrentStateName() != "Room"; ++frame) {
        runFrames(1);
    }
    ASSERT_NE(objects().find("Ball"), nullptr);
    const auto* torch = objects().find("Torch")->getComponent<Orva::Graphics::ParticleEmitterComponent>();
    ASSERT_NE(torch, nullptr);
    EXPECT_EQ(torch->get()->position, (Orva::Math::Vector3D<float>{4, -3, 0})) << "its first burst";
    runFrames(5);
    EXPECT_EQ(worldPlaceOf("Ball"), (Orva::TransformComponent::Vector3{0, -2.9f, 0}));
    EXPECT_EQ(worldPlaceOf("Wall"), (Orva::TransformComponent::Vector3{0, 0, 0}));
}

} // namespace
