#pragma once

#include <tinyxml2.h>

#include "core/Export.h"

namespace Orva {

class GameObject;

// The component numbers of the object XML's `comp type="..."`; they are not the engine's
// component type numbers. 4 and numbers above 10 name nothing.
enum class XmlComponentType : int {
    Transform = 0,
    Sprite = 1,
    LuaScript = 2,
    SpriteFont = 3,
    CircleCollider = 5,
    AABBCollider = 6,
    RigidBody = 7,
    Camera = 8,
    ParticleEmitter = 9,
    Audio = 10,
};

// Flags kept per set: one for each number 0 to 12.
inline constexpr int XmlComponentTypeSlots = 13;

// One reader per component: each reads a `comp` element's children into the object's
// component of its kind, changing the existing one or adding one (the rule is per reader).
// Missing attributes read 0, 0.0, false or "" unless said otherwise; a missing element
// leaves the component's value. An element that a new component needs and lacks leaves that
// component's default.
struct ORVA_API TransformComponentDeserializer
{
    // Changes the object's transform, or adds one. When changing, a rotation angle of 0 is
    // not stored. Values go straight into the local fields, for the step's change test.
    static void execute(GameObject* object, const tinyxml2::XMLElement* element);
};

struct ORVA_API SpriteComponentDeserializer
{
    // Changes the first sprite of an object that carries a set name at this moment (adding
    // one when it has none); otherwise adds a sprite. Without "color" the colour is white.
    static void execute(GameObject* object, const tinyxml2::XMLElement* element);
};

struct ORVA_API LuaScriptComponentDeserializer
{
    // Changes the object's script of the class named by source@path, or adds one. Without
    // that path, or for a class that is not loaded, nothing is changed. Reflected vars
    // without a name are skipped.
    static void execute(GameObject* object, const tinyxml2::XMLElement* element);
};

struct ORVA_API SpriteFontDeserializer
{
    static void execute(GameObject* object, const tinyxml2::XMLElement* element);
};

struct ORVA_API CircleColliderDeserializer
{
    static void execute(GameObject* object, const tinyxml2::XMLElement* element);
};

struct ORVA_API AABBColliderDeserializer
{
    static void execute(GameObject* object, const tinyxml2::XMLElement* element);
};

struct ORVA_API RigidBodyDeserializer
{
    // A body needs a collider and a transform on the object first; without them nothing.
    static void execute(GameObject* object, const tinyxml2::XMLElement* element);
};

struct ORVA_API CameraComponentDeserializer
{
    // Adds a camera only while no camera exists anywhere; reads no children.
    static void execute(GameObject* object, const tinyxml2::XMLElement* element);
};

struct ORVA_API ParticleEmitterComponentDeserializer
{
    static void execute(GameObject* object, const tinyxml2::XMLElement* element);
};

struct ORVA_API AudioComponentDeserializer
{
    // Writes through the component's reflected "Active", "Path", "Volume", "Pitch", "Pan".
    static void execute(GameObject* object, const tinyxml2::XMLElement* element);
};

} // namespace Orva
