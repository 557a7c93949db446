#pragma once

#include <cstdint>
#include <string>

#include "actions/Ease.h"
#include "core/Export.h"
#include "core/LiveSerial.h"
#include "core/Vector.h"

namespace Orva {
class GameObject;
class LuaScriptComponent;
} // namespace Orva

// The tween family as lists, so that its classes, factories and instances are each written
// once. ORVA_TWEEN_EASES (Ease.h) calls X(Ease, factoryPrefix, args...) for every ease;
// ORVA_TWEEN_KINDS calls X(Mode, FactorySuffix, T, args...) for both modes of every value
// type; ORVA_EVERY_TWEEN(F) calls F(Mode, FactorySuffix, T, Ease, factoryPrefix) for all 100.
#define ORVA_TWEEN_KINDS(X, ...)                                                                             \
    X(By, Float, float, __VA_ARGS__)                                                                         \
    X(To, Float, float, __VA_ARGS__)                                                                         \
    X(By, Int, int, __VA_ARGS__)                                                                             \
    X(To, Int, int, __VA_ARGS__)                                                                             \
    X(By, Double, double, __VA_ARGS__)                                                                       \
    X(To, Double, double, __VA_ARGS__)                                                                       \
    X(By, Vector2f, ::Orva::Math::Vector2D<float>, __VA_ARGS__)                                              \
    X(To, Vector2f, ::Orva::Math::Vector2D<float>, __VA_ARGS__)                                              \
    X(By, Vector3f, ::Orva::Math::Vector3D<float>, __VA_ARGS__)                                              \
    X(To, Vector3f, ::Orva::Math::Vector3D<float>, __VA_ARGS__)

#define ORVA_TWEENS_OF_EASE(Ease, prefix, F) ORVA_TWEEN_KINDS(F, Ease, prefix)
#define ORVA_EVERY_TWEEN(F) ORVA_TWEEN_EASES(ORVA_TWEENS_OF_EASE, F)

namespace Orva::Actions {

class ActionGroup;
class ActionSequence;

// A timed behaviour stepped once per fixed engine step until it finishes. Owned by the
// container or action component that holds it, which deletes it through this base.
// Scripts keep references to actions (see the binding layer's pooled classes): whether one
// still lives is told by its serial, without reading its block, which the pools may have freed
// or handed to another action.
class ORVA_API ActionBase : public LiveHandle<ActionBase>
{
public:
    ActionBase() = default;
    // A copy is a new action: scripts have not seen it yet.
    ActionBase(const ActionBase& other) noexcept : done(other.done) {}
    ActionBase& operator=(const ActionBase&) = delete;
    virtual ~ActionBase();

    // Advances by dt seconds; true once the action has finished.
    virtual bool update(float dt) = 0;
    // A new action of the same kind, owned by the caller.
    virtual ActionBase* clone() const = 0;
    // A new action that undoes this one, owned by the caller; null when the kind has none.
    virtual ActionBase* reversedCopy() const = 0;

    bool isDone() const noexcept { return done; }

    // Set when the action finished, or by a container that drops it unrun.
    bool done = false;
};

// An action holding others, and the factories through which scripts build action trees:
// each makes a new action, hands it to addAction and returns this container (the two
// container factories return the new container).
class ORVA_API ActionComplex : public ActionBase
{
public:
    ActionComplex() = default;
    // A container owns its children: copies come from clone.
    ActionComplex(const ActionComplex&) = delete;

    // Takes ownership of the child and appends it; null is ignored.
    virtual ActionComplex* addAction(ActionBase* child) = 0;
    // Turns the container in place into one that runs forward, then back.
    virtual ActionComplex* reverse() = 0;
    virtual void destroyOneAction(int index) = 0;
    virtual void destroyAllActions() = 0;

    ActionGroup* addAndReturnGroup();
    ActionSequence* addAndReturnSeq();
    ActionComplex* delay(float seconds);
    // Calls the function the script object of the component holds under that name. A null
    // component throws std::invalid_argument; a name that is not a function there throws
    // the script error event. Either way nothing is added.
    ActionComplex* luaCallback(LuaScriptComponent* component, const std::string& functionName);
    ActionComplex* playSound(const std::string& soundName);
    ActionComplex* playSoundWithVolumeAndPitch(const std::string& soundName, float volume, float pitch);
    // The first object of that name, or an action that does nothing when there is none.
    ActionComplex* destroyGameObjectWithName(const std::string& objectName);
    // Nothing is added for a pointer that is not a game object's.
    ActionComplex* destroyGameObject(GameObject* object);
    ActionComplex* sendEvent(LuaScriptComponent* sender, const std::string& eventName);

    // The tween factories, e.g. linearToFloat or cubicInOutByVector3f. The vector factories
    // tween the target given; the scalar ones ignore it and tween the field pushed last (see
    // core/TweenTargets.h). value is the amount of a By tween and the end of a To tween.
#define ORVA_DECLARE_TWEEN_FACTORY(Mode, Suffix, T, Name, prefix)                                            \
    ActionComplex* prefix##Mode##Suffix(T* target, const T& value, float duration);
    ORVA_EVERY_TWEEN(ORVA_DECLARE_TWEEN_FACTORY)
#undef ORVA_DECLARE_TWEEN_FACTORY

private:
    template <class Tween, class T> ActionComplex* addTween(T* target, const T& value, float duration);
};

} // namespace Orva::Actions
