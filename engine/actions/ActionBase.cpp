#include "actions/ActionBase.h"

#include "actions/ActionContainers.h"
#include "actions/ActionTween.h"
#include "actions/LeafActions.h"
#include "core/TweenTargets.h"
#include "world/GameObjectManager.h"

namespace Orva::Actions {

namespace {

// The scalar factories tween the field a script pushed last; the vector ones their argument.
template <class T> T* factoryTarget(T* given) noexcept
{
    if constexpr (isPrimitiveTarget<T>) {
        return primitiveTarget<T>();
    } else {
        return given;
    }
}

template <class Container> Container* addContainer(ActionComplex& parent)
{
    auto* const container = new Container();
    // Should the append fail, addAction deletes the new container.
    parent.addAction(container);
    return container;
}

} // namespace

ActionBase::~ActionBase() = default;

ActionGroup* ActionComplex::addAndReturnGroup()
{
    return addContainer<ActionGroup>(*this);
}

ActionSequence* ActionComplex::addAndReturnSeq()
{
    return addContainer<ActionSequence>(*this);
}

ActionComplex* ActionComplex::delay(float seconds)
{
    return addAction(new ActionDelay(seconds));
}

ActionComplex* ActionComplex::luaCallback(LuaScriptComponent* component, const std::string& functionName)
{
    return addAction(new ActionLuaCallback(component, functionName));
}

ActionComplex* ActionComplex::playSound(const std::string& soundName)
{
    return addAction(new ActionPlaySound(soundName));
}

ActionComplex* ActionComplex::playSoundWithVolumeAndPitch(const std::string& soundName, float volume,
                                                          float pitch)
{
    return addAction(new ActionPlaySound(soundName, volume, pitch));
}

ActionComplex* ActionComplex::destroyGameObjectWithName(const std::string& objectName)
{
    return addAction(new ActionDestroy(GameObjectManager::getInstance().find(objectName)));
}

ActionComplex* ActionComplex::destroyGameObject(GameObject* object)
{
    if (!GameObjectManager::isGameObject(object)) {
        return this;
    }
    return addAction(new ActionDestroy(object));
}

ActionComplex* ActionComplex::sendEvent(LuaScriptComponent* sender, const std::string& eventName)
{
    return addAction(new ActionSendEvent(eventName, sender));
}

template <class Tween, class T>
ActionComplex* ActionComplex::addTween(T* target, const T& value, float duration)
{
    return addAction(new Tween(factoryTarget(target), value, duration));
}

#define ORVA_DEFINE_TWEEN_FACTORY(Mode, Suffix, T, Name, prefix)                                             \
    ActionComplex* ActionComplex::prefix##Mode##Suffix(T* target, const T& value, float duration)            \
    {                                                                                                        \
        return addTween<ActionTween##Mode##Name<T>>(target, value, duration);                                \
    }
ORVA_EVERY_TWEEN(ORVA_DEFINE_TWEEN_FACTORY)
#undef ORVA_DEFINE_TWEEN_FACTORY

} // namespace Orva::Actions
