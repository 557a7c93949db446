#include "actions/ActionBase.h"

#include <unordered_set>

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

// The serials of the actions scripts have seen that still live.
std::unordered_set<std::uint64_t>& liveHandleSerials()
{
    static std::unordered_set<std::uint64_t> serials;
    return serials;
}

} // namespace

ActionBase::~ActionBase()
{
    if (handleSerial_ != 0) {
        liveHandleSerials().erase(handleSerial_);
    }
}

std::uint64_t ActionBase::handleId(const ActionBase& action) noexcept
{
    static std::uint64_t lastSerial = 0;
    if (action.handleSerial_ == 0) {
        action.handleSerial_ = ++lastSerial;
        liveHandleSerials().insert(action.handleSerial_);
    }
    return action.handleSerial_;
}

bool ActionBase::handleHolds(const ActionBase* /*slot*/, std::uint64_t id) noexcept
{
    return liveHandleSerials().contains(id);
}

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

ActionComplex* ActionComplex::playSoundWithVolumeAndPitch(const std::string& soundName, float volume, float pitch)
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

template <class Tween, class T> ActionComplex* ActionComplex::addTween(T* target, const T& value, float duration)
{
    return addAction(new Tween(factoryTarget(target), value, duration));
}

#define ORVA_DEFINE_TWEEN_FACTORY(Mode, Suffix, T, Name, prefix)                                        \
    ActionComplex* ActionComplex::prefix##Mode##Suffix(T* target, const T& value, float duration)        \
    {                                                                                                    \
        return addTween<ActionTween##Mode##Name<T>>(target, value, duration);                            \
    }
ORVA_EVERY_TWEEN(ORVA_DEFINE_TWEEN_FACTORY)
#undef ORVA_DEFINE_TWEEN_FACTORY

} // namespace Orva::Actions
