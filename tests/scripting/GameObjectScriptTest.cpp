#include <stdexcept>
#include <string>

#include "ScriptHarness.h"
#include "core/GlobalManager.h"
#include "graphics/SpriteComponent.h"
#include "window/Window.h"
#include "world/TransformComponent.h"

// The game-object model as scripts see it, and the registration frame: the order, the
// globals, the unit size.

namespace {

using GameObjectScriptTest = ScriptHarness;
using HeadlessEngineTest = EngineTest;

TEST_F(HeadlessEngineTest, WithoutARendererTheScriptInterfaceStaysUnregistered)
{
    engine().initializeScriptEngine();
    lua_State* L = Orva::LuaScriptManager::getInstance().getLuaState();
    for (const char* name : {"Math", "Core", "gameObjects", "engine"}) {
        EXPECT_EQ(lua_getglobal(L, name), LUA_TNIL) << name;
        lua_pop(L, 1);
    }
    EXPECT_EQ(lua_getglobal(L, "Debug"), LUA_TTABLE) << "the script manager's own namespace";
    lua_pop(L, 1);
}

TEST_F(HeadlessEngineTest, AScriptComponentNeedsItsClassRegistered)
{
    writeFile(root() / "resources" / "Probe.lua",
              Orva::Crypto::RC4Cipher::encrypt("function UpdateProbe() end function InitProbe() end "
                                               "function DeinitProbe() end function UnloadProbe() end"));
    Orva::LuaScriptManager& scripts = Orva::LuaScriptManager::getInstance();
    scripts.addScriptPathToList("Probe.lua");
    ASSERT_TRUE(scripts.loadAllScripts());
    Orva::GameObject* object = Orva::GameObjectManager::getInstance().create();
    try {
        object->addLuaScript("Probe");
        ADD_FAILURE() << "an instance cannot hold a component of an unregistered class";
    } catch (const std::logic_error& error) {
        EXPECT_NE(std::string(error.what()).find("LuaScriptComponent' is not registered"), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(object->getComponentList().empty()) << "the half-made component is given back";
}

TEST_F(GameObjectScriptTest, TheWindowIsPublishedByPointerAndNullAsNil)
{
    Orva::Window window{nullptr, Orva::Math::Vector2D<unsigned>(640, 480), nullptr};
    scripts().exportWindowVariable(&window);
    EXPECT_TRUE(holds("getmetatable(window).__name == 'Window'"));
    scripts().exportWindowVariable(nullptr);
    EXPECT_TRUE(holds("window == nil"));
}

TEST_F(GameObjectScriptTest, TheUnitSizeIsWritableAndItsInverseIsNot)
{
    EXPECT_EQ(eval<double>("Graphics.ObjectUnitSize"), 64.0);
    EXPECT_EQ(run("Graphics.ObjectUnitSize = 32"), "");
    EXPECT_EQ(Orva::GlobalManager::ObjectUnitSize, 32.0f);
    EXPECT_EQ(Orva::GlobalManager::InverseObjectUnitSize, 0.015625f);
    EXPECT_TRUE(holds("engine.timeScale == 1"));
}

TEST_F(GameObjectScriptTest, PropertiesReadWriteAndReadOnly)
{
    Orva::GameObject* object = objects().create("hero");
    object->addComponent<Orva::TransformComponent>();
    ASSERT_EQ(run("o = gameObjects:find('hero'); t = o:getTransform()"), "");
    EXPECT_EQ(run("o.name = 'renamed'"), "");
    EXPECT_TRUE(holds("o.Name == 'renamed'"));
    EXPECT_EQ(run("o.Name = 'again'"), "");
    EXPECT_EQ(object->name, "again");
    EXPECT_EQ(run("t.UpVector = Math.Vector2f.zero()"), "test.lua:1: 'UpVector' is read-only");
    EXPECT_EQ(run("t.RightVector = Math.Vector2f.zero()"), "test.lua:1: 'RightVector' is read-only");
    EXPECT_EQ(run("t.componentID = 5"), "test.lua:1: 'componentID' is read-only");
    EXPECT_EQ(run("t.owner = nil"), "test.lua:1: 'owner' is read-only");
    EXPECT_TRUE(holds("t.owner == o and t.componentID == 1 and t.Active"));

    EXPECT_EQ(run("t.LocalRotationRad = math.pi / 2"), "");
    runFrames(1);
    EXPECT_NEAR(eval<double>("t.UpVector.x"), -1.0, 1e-6);
    EXPECT_NEAR(eval<double>("t.UpVector.y"), 0.0, 1e-6);
    EXPECT_NEAR(eval<double>("t.RightVector.y"), 1.0, 1e-6);

    EXPECT_EQ(run("o.objectID = 77; o.Active = false"), "");
    EXPECT_EQ(object->objectID, 77u);
    EXPECT_FALSE(object->active);
    EXPECT_EQ(run("o.transform = nil"), "");
    EXPECT_EQ(object->getTransform(), nullptr) << "writing it replaces the cache";
    EXPECT_EQ(run("o, t = nil, nil"), "");
}

TEST_F(GameObjectScriptTest, TransformValuesCrossAsCopies)
{
    ASSERT_EQ(run(R"(
        o = gameObjects:createGOWithName("mover")
        t = o:addTransform()
        local p = t.LocalTranslation
        p.x = 5
        assert(t.LocalTranslation.x == 0, "reading gives a copy")
        t.LocalTranslation = p
        t.LocalScale = Math.Vector3f.make(2, 2, 1)
        t:forceUpdate()
        assert(t:getWorldTranslation().x == 5 and t:getWorldScale().x == 2)
        t:setWorldRotationRad(1)
        t:forceUpdate()
        assert(math.abs(t:getWorldRotationRad() - 1) < 1e-6)
        t:pushRotation()
        o, t = nil, nil)"),
              "");
    Orva::TransformComponent* transform = objects().find("mover")->getTransform();
    EXPECT_EQ(Orva::Actions::primitiveFloatTarget, &transform->getLocalRotationRad());
    Orva::Actions::primitiveFloatTarget = nullptr;
}

TEST_F(GameObjectScriptTest, DestroyDefersToTheNextFrameAndDestroyNowActsAtOnce)
{
    objects().create("later");
    objects().create("now");
    objects().create("byName");
    EXPECT_EQ(run("gameObjects:destroy(gameObjects:find('later')); gameObjects:destroyName('byName')"), "");
    EXPECT_TRUE(holds("gameObjects:find('later') ~= nil and gameObjects:find('byName') ~= nil"));
    EXPECT_EQ(run("gameObjects:destroyNow(gameObjects:find('now'))"), "");
    EXPECT_TRUE(holds("gameObjects:find('now') == nil"));
    runFrames(1);
    EXPECT_TRUE(holds("gameObjects:find('later') == nil and gameObjects:find('byName') == nil"));
}

TEST_F(GameObjectScriptTest, LookupsThatFindNothingGiveNil)
{
    Orva::GameObject* object = objects().create("o");
    object->addComponent<Orva::TransformComponent>();
    ASSERT_EQ(run("o = gameObjects:find('o')"), "");
    for (const char* lookup :
         {"o:getChildByIndex(0)", "o:getChild('x')", "o:getLuaScript('x')", "o:getSprite()",
          "o:addRigidBody()", "gameObjects:find('none')", "o:getParent()", "o:getAudio()"}) {
        EXPECT_TRUE(holds(std::string(lookup) + " == nil")) << lookup;
    }
    EXPECT_TRUE(holds("o:getChildByIndex(-1) == nil")) << "a negative index wraps far past the end";
    EXPECT_EQ(run("box = o:addBoxCollider()"), "");
    EXPECT_TRUE(holds("o:getCollider() == o:getBoxCollider() and o:getCollider() == box"));
    EXPECT_TRUE(holds("getmetatable(o:getCollider()).__name == 'BoxCollider'")) << "by its dynamic class";
    EXPECT_TRUE(holds("o:addRigidBody() ~= nil and o:getRigidBody().owner == o"));
    EXPECT_EQ(run("o, box = nil, nil"), "");
}

TEST_F(GameObjectScriptTest, EveryComponentKindComesBackAsAUsableObject)
{
    ASSERT_EQ(run("o = gameObjects:createGOWithName('kit'); o:addTransform()"), "");
    const struct
    {
        const char* add;
        const char* get;
        const char* className;
    } kinds[] = {
        {"addSprite", "getSprite", "SpriteComponent"},
        {"addSpriteFont", "getSpriteFont", "SpriteFontComponent"},
        {"addParticle", "getParticle", "ParticleEmitterComponent"},
        {"addCircleCollider", "getCircleCollider", "CircleCollider"},
        {"addAABBCollider", "getAABBCollider", "AABBCollider"},
        {"addAction", "getAction", "ActionComponent"},
        {"addAudio", "getAudio", "AudioComponent"},
    };
    for (const auto& kind : kinds) {
        const std::string added = std::string("o:") + kind.add + "()";
        const std::string found = std::string("o:") + kind.get + "()";
        EXPECT_TRUE(holds(added + " == " + found)) << kind.add;
        EXPECT_TRUE(holds("getmetatable(" + found + ").__name == '" + kind.className + "'")) << kind.get;
    }
    EXPECT_TRUE(holds("o:getSprite().Active and o:getSprite().owner == o"))
        << "members of the base component";
    EXPECT_TRUE(holds("o:getAudio().Active == nil")) << "the audio component has no script base";
    EXPECT_TRUE(holds(
        "Graphics.SpriteComponent ~= nil and Physics.RigidBody ~= nil and Actions.ActionComponent ~= nil"));

    EXPECT_EQ(run("o:removeComponent('SpriteComponent')"), "");
    EXPECT_TRUE(holds("o:getSprite() == nil"));
    EXPECT_EQ(run("o:removeAudio(); o:removeTransform()"), "");
    EXPECT_TRUE(holds("o:getAudio() == nil and o:getTransform() == nil"));
    EXPECT_EQ(run("o = nil"), "");
}

TEST_F(GameObjectScriptTest, ScriptsArrangeTheHierarchy)
{
    ASSERT_EQ(run(R"(
        root = gameObjects:createGOWithName("root")
        a = gameObjects:createGOAndAttachWithName("a", root)
        b = gameObjects:createGOAndAttach(root)
        c = gameObjects:createGO()
        c:setParent(a)
        assert(root:getChildCount() == 2 and root:getChildByIndex(1) == b and a:getChild(c.name) == c)
        assert(c:getParent() == a)
        root:removeChildByName("a")
        assert(a:getParent() == nil and root:getChildCount() == 1)
        root:addChild(a)
        root:removeChildByPointer(b)
        c:setParentDecideMovement(root, true)
        assert(root:getChildCount() == 2 and c:getParent() == root)
        c:unparent()
        assert(c:getParent() == nil)
        a:setParent(c)
        c:setParent(a)
        assert(a:getParent() == c, "a cycle is refused")
        root, a, b, c = nil, nil, nil, nil)"),
              "");
    EXPECT_EQ(objects().find("root")->getChildCount(), 0);
}

} // namespace

namespace {

// What a script keeps of an object or a component that is gone: every use raises an error
// naming the class and touches nothing, also once its slot holds a newer object.
TEST_F(GameObjectScriptTest, KeptReferencesToWhatIsGoneRaiseInsteadOfReachingTheSlot)
{
    ASSERT_EQ(run(R"(
        o = gameObjects:createGOWithName("o")
        t = o:addTransform()
        s = o:addSprite()
        o:removeTransform()
        o:removeSprite()
        keep = gameObjects:createGOWithName("keep")
        dead = gameObjects:createGOWithName("dead")
        alias = gameObjects:find("dead")
        gameObjects:destroyNow(dead)
        heir = gameObjects:createGOWithName("heir")
        assert(dead == alias and dead ~= heir, "comparison still works")
        o:addTransform()
        assert(o:getTransform() ~= t))"),
              "");
    EXPECT_EQ(run("local x = t.LocalTranslation"), "test.lua:1: TransformComponent no longer exists");
    EXPECT_EQ(run("t.Active = false"), "test.lua:1: TransformComponent no longer exists");
    EXPECT_EQ(run("t:forceUpdate()"), "test.lua:1: TransformComponent no longer exists");
    EXPECT_EQ(run("local x = s.Active"), "test.lua:1: SpriteComponent no longer exists");
    EXPECT_EQ(run("local x = dead.name"), "test.lua:1: GameObject no longer exists");
    EXPECT_EQ(run("keep:addChild(dead)"), "test.lua:1: GameObject no longer exists");
    EXPECT_EQ(objects().find("keep")->getChildCount(), 0);
    EXPECT_TRUE(holds("o.transform.Active and keep:getChildCount() == 0"));

    // A script object that outlives the world itself: Unload runs after the pools are gone.
    writeScript("scripts/Late.lua", R"(
        function UpdateLate() end function InitLate() end function DeinitLate() end
        function UnloadLate() Debug.print(pcall(function() return keep.name end) and "read" or "refused") end)");
    ASSERT_TRUE(loadScripts());
    capturePrints();
    shutDown();
    EXPECT_EQ(printed(), std::vector<std::string>{"refused"});
}

} // namespace
