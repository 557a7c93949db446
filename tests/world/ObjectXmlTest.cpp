#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StageFixture.h"
#include "audio/AudioComponent.h"
#include "graphics/Color.h"
#include "graphics/FontManager.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "physics/AABBCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "world/CameraComponent.h"
#include "world/LuaScriptComponent.h"
#include "world/TextureRequests.h"
#include "world/TransformComponent.h"

// Object and component XML: one `obj` element into a game object.

namespace {

using Orva::GameObject;
using Orva::TransformComponent;
using Orva::Graphics::Color;
using Orva::Graphics::SpriteComponent;

template <class T> int countOf(const GameObject& object)
{
    int count = 0;
    for (const auto& [pool, component] : object.getComponentList()) {
        count += pool->isType(typeid(T)) ? 1 : 0;
    }
    return count;
}

using ObjectXmlTest = StageTest;

constexpr char MoverScript[] = R"(
function UpdateMover(self, dt) end
function InitMover(self) end
function DeinitMover(self) end
function UnloadMover() end
)";

TEST_F(ObjectXmlTest, ATransformIsAddedThenChangedAndAZeroAngleKeepsTheEarlierOne)
{
    GameObject* hero = build(R"(<obj name="Hero">
        <comp><position x="1" y="2" z="3"/><scale x="2" y="4"/><rotation angle="0.5"/></comp>
        <comp type="0"><position x="7" y="8" z="9"/><rotation angle="0"/></comp>
    </obj>)");
    ASSERT_NE(hero, nullptr);
    EXPECT_EQ(hero->name, "Hero");
    EXPECT_EQ(countOf<TransformComponent>(*hero), 1) << "a type-less comp is a transform, read twice";
    TransformComponent& transform = *hero->getTransform();
    EXPECT_EQ(transform.getLocalTranslation(), (Orva::Math::Vector3D<float>{7, 8, 9}));
    EXPECT_EQ(transform.getLocalScale(), (Orva::Math::Vector3D<float>{2, 4, 0})) << "a missing axis reads 0";
    EXPECT_EQ(transform.getLocalRotationRad(), 0.5f);
}

TEST_F(ObjectXmlTest, AChangedTransformIsWrittenRawAndSeenByTheNextStep)
{
    GameObject* hero = build(R"(<obj name="Hero"><comp type="0"><position x="1" y="1"/></comp></obj>)");
    runFrames(1, 1.0f / 60.0f);
    ASSERT_EQ(hero->getTransform()->getWorldTranslation().x, 1.0f);

    tinyxml2::XMLDocument change;
    change.Parse(R"(<comp type="0"><position x="5" y="6"/></comp>)");
    Orva::TransformComponentDeserializer::execute(hero, change.FirstChildElement("comp"));
    EXPECT_EQ(hero->getTransform()->getWorldTranslation().x, 1.0f) << "no recomputation on reading";
    runFrames(1, 1.0f / 60.0f);
    EXPECT_EQ(hero->getTransform()->getWorldTranslation().x, 5.0f);
    EXPECT_EQ(hero->getTransform()->getWorldTranslation().y, 6.0f);
}

TEST_F(ObjectXmlTest, AnObjectWithoutANameGetsTheDefaultNameAndActiveIsReadOnlyWhenItParses)
{
    GameObject* nameless = build(R"(<obj active="false"/>)");
    ASSERT_NE(nameless, nullptr);
    EXPECT_EQ(nameless->name.rfind("GameObject", 0), 0u) << nameless->name;
    EXPECT_FALSE(nameless->active);
    EXPECT_TRUE(build(R"(<obj name="A" active="maybe"/>)")->active)
        << "an unparsable value leaves the default";
    EXPECT_FALSE(build(R"(<obj name="B" active="0"/>)")->active);
}

TEST_F(ObjectXmlTest, UnknownComponentNumbersAddNothing)
{
    GameObject* object = build(R"(<obj name="X"><comp type="4"/><comp type="11"/><comp type="-1"/></obj>)");
    EXPECT_TRUE(object->getComponentList().empty());
}

TEST_F(ObjectXmlTest, ChildObjectsAreBuiltInOrderUnderTheirParent)
{
    GameObject* hero = build(R"(<obj name="Hero"><comp/>
        <obj name="Weapon"><comp><position x="1"/></comp></obj><obj name="Shield"/></obj>)");
    ASSERT_EQ(hero->getChildCount(), 2);
    EXPECT_EQ(hero->getChild(0u)->name, "Weapon");
    EXPECT_EQ(hero->getChild(1u)->name, "Shield");
    EXPECT_EQ(hero->getChild(0u)->getParent(), hero);
    EXPECT_EQ(hero->getChild(0u)->getTransform()->getLocalTranslation().x, 1.0f) << "positions stay local";
}

TEST_F(ObjectXmlTest, OnlyOneCameraIsEverMade)
{
    GameObject* first = build(R"(<obj name="A"><comp type="8"/></obj>)");
    GameObject* second = build(R"(<obj name="B"><comp type="8"/></obj>)");
    EXPECT_NE(first->getComponent<Orva::CameraComponent>(), nullptr);
    EXPECT_EQ(second->getComponent<Orva::CameraComponent>(), nullptr);
}

TEST_F(ObjectXmlTest, ASpriteTakesItsValuesInOrder)
{
    GameObject* hero = build(R"(<obj name="Hero"><comp type="1">
        <active value="0"/><texture src="images\hero.png"/><color r="1" g="0.5" b="0.25" a="0.75"/>
        <animation hasAnim="true" currFrame="3" fps="12" currAnim="walk"/>
        <flip x="1" y="false"/><visible value="0"/><size x="2" y="3"/></comp></obj>)");
    const auto* sprite = hero->getComponent<SpriteComponent>();
    ASSERT_NE(sprite, nullptr);
    EXPECT_FALSE(sprite->active);
    EXPECT_EQ(sprite->getColor(), (Color{1.0f, 0.5f, 0.25f, 0.75f}));
    EXPECT_TRUE(sprite->hasAnimation());
    EXPECT_EQ(sprite->getAnimationFrame(), 3);
    EXPECT_EQ(sprite->getFPS(), 12);
    EXPECT_EQ(sprite->getCurrentAnimation(), "walk");
    EXPECT_TRUE(sprite->isFlippedX());
    EXPECT_FALSE(sprite->isFlippedY());
    EXPECT_FALSE(sprite->isVisible());
    EXPECT_EQ(sprite->getSize(), (Orva::Math::Vector2D<float>{2, 3}));
    EXPECT_EQ(TextureRequests::pendingPaths(), std::vector<std::string>{"images/hero.png"});
    EXPECT_EQ(TextureRequests::waitingFor("images/hero.png"), std::vector<const void*>{sprite});
}

TEST_F(ObjectXmlTest, ASetWithASetNameHasItsSpriteChangedAndWhitenedWithoutAColor)
{
    writeSet("Tinted.set", R"(<obj name="Tinted" set="Tinted"><comp type="1">
        <texture src="a.png"/><color r="1" g="0" b="0" a="1"/></comp></obj>)");
    sets().loadAllSets();
    GameObject* object =
        build(R"(<obj name="X" set="Tinted"><comp type="1"><size x="4" y="4"/></comp></obj>)");
    ASSERT_EQ(countOf<SpriteComponent>(*object), 1);
    const auto* sprite = object->getComponent<SpriteComponent>();
    EXPECT_EQ(sprite->getColor(), Color()) << "no color element: white";
    EXPECT_EQ(sprite->getSize().x, 4.0f);
    EXPECT_EQ(object->sourceSet, "Tinted");
}

TEST_F(ObjectXmlTest, ASetWithoutASetNameGetsASecondSprite)
{
    writeSet("Plain.set",
             R"(<obj name="Plain"><comp type="1"><color r="0" g="1" b="0" a="1"/></comp></obj>)");
    sets().loadAllSets();
    GameObject* object = build(R"(<obj name="X" set="Plain"><comp type="1"/></obj>)");
    EXPECT_EQ(countOf<SpriteComponent>(*object), 2);
    EXPECT_EQ(object->getComponent<SpriteComponent>()->getColor(), (Color{0, 1, 0, 1}));
}

TEST_F(ObjectXmlTest, ASpriteChangeOnASetObjectWithoutASpriteAddsOne)
{
    writeSet("Bare.set", R"(<obj name="Bare" set="Bare"><comp type="0"/></obj>)");
    sets().loadAllSets();
    GameObject* object =
        build(R"(<obj name="X" set="Bare"><comp type="1"><visible value="1"/></comp></obj>)");
    ASSERT_EQ(countOf<SpriteComponent>(*object), 1);
    EXPECT_TRUE(object->getComponent<SpriteComponent>()->isVisible());
}

TEST_F(ObjectXmlTest, AnElementNamingASetSkipsItsNestedObjectsEvenWhenTheSetIsUnknown)
{
    writeSet("Enemy.set",
             R"(<obj name="Enemy"><comp><scale x="2" y="2" z="1"/></comp><obj name="Gun"/></obj>)");
    sets().loadAllSets();
    GameObject* known =
        build(R"(<obj name="E1" set="Enemy"><comp><position x="5"/></comp><obj name="Skipped"/></obj>)");
    ASSERT_EQ(known->getChildCount(), 1);
    EXPECT_EQ(known->getChild(0u)->name, "Gun") << "children come from the set";
    EXPECT_EQ(known->name, "Enemy") << "the set's prototype keeps its own name";
    EXPECT_EQ(known->getTransform()->getLocalScale().x, 2.0f);
    EXPECT_EQ(known->getTransform()->getLocalTranslation().x, 5.0f)
        << "the element's own component overrides";

    GameObject* unknown = build(R"(<obj name="U" set="Nowhere"><comp/><obj name="Skipped"/></obj>)");
    EXPECT_EQ(unknown->name, "U");
    EXPECT_EQ(unknown->getChildCount(), 0);
    EXPECT_EQ(unknown->sourceSet, "Nowhere");
    EXPECT_EQ(objects().find("Skipped"), nullptr);
}

TEST_F(ObjectXmlTest, SetsThatNestThemselvesEndInTheElementItself)
{
    writeSet("Loop.set", R"(<obj name="Loop"><comp/><obj name="Inner" set="Loop"><comp/></obj></obj>)");
    writeSet("Ping.set", R"(<obj name="Ping"><obj name="ToPong" set="Pong"/></obj>)");
    writeSet("Pong.set", R"(<obj name="Pong"><obj name="ToPing" set="Ping"/></obj>)");
    sets().loadAllSets();

    GameObject* loop = sets().createFromSet("Loop");
    ASSERT_NE(loop, nullptr);
    ASSERT_EQ(loop->getChildCount(), 1);
    EXPECT_EQ(loop->getChild(0u)->name, "Inner") << "the repeated set is built from its element";
    EXPECT_EQ(loop->getChild(0u)->getChildCount(), 0);

    GameObject* ping = sets().createFromSet("Ping");
    ASSERT_NE(ping, nullptr);
    GameObject* pong = ping->getChild(0u);
    ASSERT_NE(pong, nullptr);
    EXPECT_EQ(pong->name, "Pong");
    ASSERT_EQ(pong->getChildCount(), 1);
    EXPECT_EQ(pong->getChild(0u)->name, "ToPing");
    EXPECT_NE(sets().createFromSet("Ping"), nullptr) << "a finished instantiation leaves no trace";
}

TEST_F(ObjectXmlTest, TextIsInitialisedWhenAddedAndMeasuredAgainWhenItsTextChanges)
{
    installFont("fonts/a.ttf");
    Orva::Graphics::FontManager::getInstance().makeFont("fonts/a.ttf", 40);
    GameObject* label = build(R"(<obj name="Label"><comp type="3">
        <font type="fonts/a.ttf"/><text value="Hello"/><color r="0" g="0" b="1" a="1"/><alignment value="2"/></comp></obj>)");
    auto* text = label->getComponent<Orva::Graphics::SpriteFontComponent>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->getFont(), "fonts/a.ttf");
    EXPECT_EQ(text->getText(), "Hello");
    EXPECT_EQ(text->getLength(), 89.0f);
    EXPECT_EQ(text->getColor(), (Color{0, 0, 1, 1}));
    EXPECT_EQ(text->getAlignment(), 2);

    tinyxml2::XMLDocument change;
    change.Parse(R"(<comp type="3"><text value="Hi"/></comp>)");
    Orva::SpriteFontDeserializer::execute(label, change.FirstChildElement("comp"));
    EXPECT_EQ(countOf<Orva::Graphics::SpriteFontComponent>(*label), 1);
    EXPECT_EQ(text->getText(), "Hi");
    EXPECT_EQ(text->getLength(), 36.0f);
    EXPECT_EQ(text->getFont(), "fonts/a.ttf");
}

TEST_F(ObjectXmlTest, CollidersReadTheirShapeAndOnlyAGhostValueOfOneMakesAGhost)
{
    GameObject* object = build(R"(<obj name="C">
        <comp type="5"><radius rad="2"/><offset x="1" y="-1"/><ghost val="2"/><group val="3"/></comp>
        <comp type="6"><active value="0"/><ghost val="1"/></comp></obj>)");
    const auto* circle = object->getComponent<Orva::Physics::CircleCollider>();
    const auto* box = object->getComponent<Orva::Physics::AABBCollider>();
    ASSERT_NE(circle, nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(circle->radius, 2.0f);
    EXPECT_EQ(circle->offset, (Orva::Math::Vector2D<float>{1, -1}));
    EXPECT_FALSE(circle->isGhost);
    EXPECT_EQ(circle->getCollisionGroupIndex(), 3);
    EXPECT_TRUE(box->isGhost);
    EXPECT_FALSE(box->active);
    EXPECT_EQ(box->size, (Orva::Math::Vector2D<float>{1, 1})) << "a missing required size keeps the default";
}

TEST_F(ObjectXmlTest, ABodyNeedsAColliderAndATransformFirst)
{
    GameObject* loose = build(R"(<obj name="Loose"><comp type="7"><mass value="3"/></comp></obj>)");
    EXPECT_EQ(loose->getComponent<Orva::Physics::RigidBody>(), nullptr);

    GameObject* ball = build(R"(<obj name="Ball"><comp/><comp type="5"/><comp type="7">
        <vel x="1" y="2" z="3"/><ang angle="0.5"/><acc y="-9.8"/><mass value="3"/><restitution value="0.25"/></comp></obj>)");
    const auto* body = ball->getComponent<Orva::Physics::RigidBody>();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->velocity, (Orva::Math::Vector3D<float>{1, 2, 3}));
    EXPECT_EQ(body->angularVelocity, 0.5f);
    EXPECT_EQ(body->acceleration.y, -9.8f);
    EXPECT_EQ(body->mass, 3.0f);
    EXPECT_EQ(body->restitution, 0.25f);
    EXPECT_EQ(body->getCollider(), ball->getCollider());
}

TEST_F(ObjectXmlTest, EmitterSettingsAndColoursKeepTheirOrder)
{
    GameObject* fire = build(R"(<obj name="Fire"><comp type="9">
        <active value="1"/><texture src="images/spark.png"/><position rx="1" ry="2" rz="3"/>
        <size x="0.5" y="0.25" rx="0.1" ry="0.2"/><rotation default="1" random="2"/>
        <velocity x="1" y="2" z="3" rx="4" ry="5" rz="6"/><life default="2" random="0.5"/>
        <emission count="4" interval="0.1" active="0" blend="1" max="40"/>
        <color r="1" g="0" b="0" a="1"/><color r="0" g="1" b="0" a="1"/><orient value="1"/></comp></obj>)");
    auto* component = fire->getComponent<Orva::Graphics::ParticleEmitterComponent>();
    ASSERT_NE(component, nullptr);
    const Orva::Graphics::ParticleEmitter& emitter = *component->get();
    EXPECT_TRUE(emitter.active);
    EXPECT_EQ(emitter.randomPosition, (Orva::Math::Vector3D<float>{1, 2, 3}));
    EXPECT_EQ(emitter.particleSize, (Orva::Math::Vector2D<float>{0.5f, 0.25f}));
    EXPECT_EQ(emitter.randomParticleSize, (Orva::Math::Vector2D<float>{0.1f, 0.2f}));
    EXPECT_EQ(emitter.randomVelocity, (Orva::Math::Vector3D<float>{4, 5, 6}));
    EXPECT_EQ(emitter.randomAcceleration, (Orva::Math::Vector3D<float>{100, 100, 1})) << "absent: default";
    EXPECT_EQ(emitter.life, 2.0f);
    EXPECT_EQ(emitter.randomRotation, 2.0f);
    EXPECT_EQ(emitter.emissionCount, 4u);
    EXPECT_FALSE(emitter.emit);
    EXPECT_TRUE(emitter.blendAdditive);
    EXPECT_EQ(emitter.getParticleCount(), 40u);
    EXPECT_TRUE(emitter.orientToVelocity);
    const std::vector<Color> colors(emitter.getColorList().begin(), emitter.getColorList().end());
    EXPECT_EQ(colors, (std::vector<Color>{{1, 0, 0, 1}, {0, 1, 0, 1}}));
    EXPECT_EQ(TextureRequests::pendingPaths(), std::vector<std::string>{"images/spark.png"});
    EXPECT_EQ(TextureRequests::waitingFor("images/spark.png"), std::vector<const void*>{component});

    tinyxml2::XMLDocument change;
    change.Parse(R"(<comp type="9"><color r="0" g="0" b="1" a="1"/></comp>)");
    Orva::ParticleEmitterComponentDeserializer::execute(fire, change.FirstChildElement("comp"));
    EXPECT_EQ(component->get()->getColorList().size(), 3u) << "a change appends after the colours there";
    EXPECT_EQ(component->get()->getColorList().back(), (Color{0, 0, 1, 1}));
}

TEST_F(ObjectXmlTest, AudioValuesGoThroughTheReflectedProperties)
{
    GameObject* radio = build(R"(<obj name="Radio"><comp type="10">
        <active value="0"/><path value="sounds/hum.ogg"/><volume value="0.5"/><pitch value="2"/><pan value="-1"/></comp></obj>)");
    const auto* audio = radio->getComponent<Orva::Audio::AudioComponent>();
    ASSERT_NE(audio, nullptr);
    EXPECT_FALSE(audio->active);
    EXPECT_EQ(audio->path, "sounds/hum.ogg");
    EXPECT_EQ(audio->volume, 0.5f);
    EXPECT_EQ(audio->pitch, 2.0f);
    EXPECT_EQ(audio->pan, -1.0f);

    GameObject* quiet = build(R"(<obj name="Quiet"><comp type="10"><path/></comp></obj>)");
    EXPECT_EQ(quiet->getComponent<Orva::Audio::AudioComponent>()->path, "") << "a path without value";
    EXPECT_EQ(quiet->getComponent<Orva::Audio::AudioComponent>()->volume, 1.0f);
}

TEST_F(ObjectXmlTest, AScriptGetsItsReflectedVarsAsStringsAndIsChangedByClass)
{
    writeScript("scripts/Mover.lua", MoverScript);
    ASSERT_TRUE(Orva::LuaScriptManager::getInstance().loadAllScripts());
    GameObject* hero = build(R"(<obj name="Hero"><comp type="2"><source path="scripts/Mover.lua"/>
        <active value="0"/><reflect><var name="speed" data="3"/><var data="orphan"/><var name="gone" data="x"/></reflect></comp>
        <comp type="2"><source path="anywhere/Mover.lua"/><reflect><var name="gone"/></reflect></comp></obj>)");
    ASSERT_EQ(countOf<Orva::LuaScriptComponent>(*hero), 1) << "the second element changes the same class";
    const Orva::LuaScriptComponent* script = hero->getLuaScript("Mover");
    ASSERT_NE(script, nullptr);
    EXPECT_FALSE(script->active);
    const luabridge::LuaRef instance = script->getLuaObject();
    EXPECT_EQ(instance["speed"].get().type(), LUA_TSTRING);
    EXPECT_EQ(instance["speed"].cast<std::string>(), "3");
    EXPECT_TRUE(instance["gone"].isNil()) << "a var without data clears its key";
    EXPECT_TRUE(instance["orphan"].isNil());
}

TEST_F(ObjectXmlTest, AScriptWithoutAPathOrALoadedClassIsNotAdded)
{
    writeScript("scripts/Mover.lua", MoverScript);
    ASSERT_TRUE(Orva::LuaScriptManager::getInstance().loadAllScripts());
    GameObject* object = build(R"(<obj name="X"><comp type="2"><source/></comp><comp type="2"/>
        <comp type="2"><source path="scripts/Ghost.lua"/><reflect><var name="a" data="1"/></reflect></comp></obj>)");
    EXPECT_EQ(countOf<Orva::LuaScriptComponent>(*object), 0);
}

} // namespace
