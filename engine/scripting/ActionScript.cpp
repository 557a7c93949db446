#include <lua.hpp>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "actions/ActionBase.h"
#include "actions/ActionComponent.h"
#include "actions/ActionContainers.h"
#include "actions/ActionSetManager.h"
#include "actions/Ease.h"
#include "actions/LeafActions.h"
#include "actions/TargetGuard.h"
#include "core/TweenTargets.h"
#include "luabridge/LuaRef.h"
#include "luabridge/Namespace.h"
#include "scripting/ScriptBinding.h"
#include "scripting/ScriptInterface.h"
#include "world/GameObject.h"
#include "world/LuaScriptComponent.h"

// The action classes in "Actions": the easing functions, containers and their builders, the
// action set manager and the action component. Scripts never own an action: they hold
// references that stay usable while the action lives.
namespace Orva::Scripting {

namespace {

using Actions::ActionBase;
using Actions::ActionComplex;
using Actions::ActionComponent;
using Actions::ActionDelay;
using Actions::ActionGroup;
using Actions::ActionSequence;
using Actions::ActionSetManager;
using Actions::TargetGuard;

// The class of the easing functions; it has no objects.
struct TweenFunctions
{
};

// Registry keys of the values whose fields scripts pushed last, one per slot.
constexpr std::array<char, 2> PushedValueKeys{};

const void* pushedValueKey(PushedSlot slot)
{
    return &PushedValueKeys[static_cast<std::size_t>(slot)];
}

// A tween made on a script value (a vector, a colour) keeps it from being collected: its
// guard holds a reference to the value, released with the last tween holding it.
TargetGuard::KeeperScope keepScriptValue(lua_State* L, int index)
{
    const void* block = lua_touserdata(L, index);
    if (!block || lua_type(L, index) != LUA_TUSERDATA) {
        return TargetGuard::KeeperScope(nullptr, 0, nullptr);
    }
    const std::size_t size = lua_rawlen(L, index);
    auto keeper = std::make_shared<const luabridge::LuaRef>(luabridge::LuaRef::fromStack(L, index));
    return TargetGuard::KeeperScope(block, size, std::move(keeper));
}

// The value recorded for the slot keeps the target when the target lies inside it; a field
// of a component is guarded by its component instead.
TargetGuard::KeeperScope keepPushedValue(lua_State* L, PushedSlot slot, const void* target)
{
    const luabridge::detail::StackRestore restore(L);
    lua_rawgetp(L, LUA_REGISTRYINDEX, pushedValueKey(slot));
    const auto* block = static_cast<const std::byte*>(lua_touserdata(L, -1));
    const std::less<const void*> before;
    if (!block || before(target, block) || !before(target, block + lua_rawlen(L, -1))) {
        return TargetGuard::KeeperScope(nullptr, 0, nullptr);
    }
    return keepScriptValue(L, -1);
}

// No script pushes a double: only float and int fields are looked for among the values.
template <class T> TargetGuard::KeeperScope keepPushedTarget(lua_State* L, const T* target)
{
    if constexpr (std::is_same_v<T, double>) {
        return TargetGuard::KeeperScope(nullptr, 0, nullptr);
    } else {
        return keepPushedValue(L, std::is_same_v<T, float> ? PushedSlot::Float : PushedSlot::Int, target);
    }
}

template <class T> using TweenFactory = ActionComplex* (ActionComplex::*)(T*, const T&, float);

// A tween factory for scripts. A scalar one tweens the field pushed last (its first argument
// passes only nil), a vector one its first argument; either refuses a missing target.
template <class T> auto scriptTweenFactory(TweenFactory<T> factory)
{
    return [factory](ActionComplex& container, T* given, const T& value, float duration, lua_State* L) {
        if constexpr (Actions::isPrimitiveTarget<T>) {
            T* const target = Actions::primitiveTarget<T>();
            if (!target) {
                luaL_error(L, "no tween target");
            }
            const TargetGuard::KeeperScope keep = keepPushedTarget(L, target);
            return (container.*factory)(given, value, duration);
        } else {
            if (!given) {
                luaL_error(L, "no tween target");
            }
            // The target is the script's own value, the argument after the container.
            const TargetGuard::KeeperScope keep = keepScriptValue(L, 2);
            return (container.*factory)(given, value, duration);
        }
    };
}

#define ORVA_ADD_TWEEN_FACTORIES(Name, prefix, Suffix)                                                       \
    cls.addFunction(#prefix "To" #Suffix, scriptTweenFactory(&ActionComplex::prefix##To##Suffix));           \
    cls.addFunction(#prefix "By" #Suffix, scriptTweenFactory(&ActionComplex::prefix##By##Suffix));

void addTweenFactories(luabridge::Class<ActionComplex>& cls)
{
    ORVA_TWEEN_EASES(ORVA_ADD_TWEEN_FACTORIES, Float)
    ORVA_TWEEN_EASES(ORVA_ADD_TWEEN_FACTORIES, Int)
    ORVA_TWEEN_EASES(ORVA_ADD_TWEEN_FACTORIES, Double)
    ORVA_TWEEN_EASES(ORVA_ADD_TWEEN_FACTORIES, Vector2f)
    ORVA_TWEEN_EASES(ORVA_ADD_TWEEN_FACTORIES, Vector3f)
}

#undef ORVA_ADD_TWEEN_FACTORIES

// "<name>Percent" (t) is the curve at t, "<name>" (time, duration) the curve at time /
// duration, the division in float. There is no linear function, and the in-out sine is the
// scripts' own double-precision curve.
template <Actions::Ease E> void addEasing(luabridge::Class<TweenFunctions>& cls, const std::string& name)
{
    namespace Easing = Actions::Easing;
    if constexpr (E != Actions::Ease::Linear) {
        constexpr auto curve = E == Actions::Ease::SineInOut
                                   ? &Easing::sineInOutPercent
                                   : Actions::EaseCurves[static_cast<std::size_t>(E)];
        cls.addStaticFunction((name + "Percent").c_str(), curve)
            .addStaticFunction(name.c_str(),
                               [](float time, float duration) { return curve(time / duration); });
    }
}

} // namespace

void recordPushedValue(lua_State* L, int index, PushedSlot slot)
{
    lua_pushvalue(L, index);
    lua_rawsetp(L, LUA_REGISTRYINDEX, pushedValueKey(slot));
}

void registerTween(lua_State* L)
{
    // A new interpreter holds none of the values an earlier one pushed.
    Actions::primitiveFloatTarget = nullptr;
    Actions::primitiveIntTarget = nullptr;
    luabridge::Class<TweenFunctions> cls =
        luabridge::getGlobalNamespace(L).beginNamespace("Actions").beginClass<TweenFunctions>("Tween");
#define ORVA_ADD_EASING(Name, prefix, ...) addEasing<Actions::Ease::Name>(cls, #prefix);
    ORVA_TWEEN_EASES(ORVA_ADD_EASING)
#undef ORVA_ADD_EASING
}

// In scripts a container is no ActionBase: groups and sequences have no "IsDone".
void registerActionClasses(lua_State* L)
{
    luabridge::Namespace actions = luabridge::getGlobalNamespace(L).beginNamespace("Actions");
    actions.beginClass<ActionBase>("ActionBase").addData("IsDone", &ActionBase::done, false);

    luabridge::Class<ActionComplex> complex = actions.beginClass<ActionComplex>("ActionComplex");
    complex.addFunction("addAndReturnGroup", &ActionComplex::addAndReturnGroup)
        .addFunction("addAndReturnSeq", &ActionComplex::addAndReturnSeq)
        .addFunction("delay", &ActionComplex::delay)
        .addFunction("luaCallback",
                     [](ActionComplex& container, LuaScriptComponent& component,
                        const std::string& function) { return container.luaCallback(&component, function); })
        .addFunction("playSound", &ActionComplex::playSound)
        .addFunction("playSoundWithVolumeAndPitch", &ActionComplex::playSoundWithVolumeAndPitch)
        .addFunction("destroyGameObject", &ActionComplex::destroyGameObject)
        .addFunction("destroyGameObjectWithName", &ActionComplex::destroyGameObjectWithName)
        .addFunction("sendEvent", &ActionComplex::sendEvent);
    addTweenFactories(complex);

    actions.deriveClass<ActionGroup, ActionComplex>("ActionGroup")
        .addFunction("reverse", &ActionGroup::reverse)
        .addFunction("destroyAllActions", &ActionGroup::destroyAllActions)
        .addFunction("destroyOneAction", &ActionGroup::destroyOneAction);
    actions.deriveClass<ActionSequence, ActionComplex>("ActionSequence")
        .addFunction("reverse", &ActionSequence::reverse)
        .addFunction("repeatAction", &ActionSequence::repeatAction)
        .addFunction("repeatOnce", &ActionSequence::repeatOnce)
        .addFunction("repeatAlways", &ActionSequence::repeatAlways)
        .addFunction("destroyOneAction", &ActionSequence::destroyOneAction)
        .addFunction("destroyAllActions", &ActionSequence::destroyAllActions);
    actions.deriveClass<ActionDelay, ActionBase>("ActionDelay");
}

void registerActionSetManager(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Actions")
        .beginClass<ActionSetManager>("ActionSetManager")
        .addFunction("attachActionSet", &ActionSetManager::attachActionSet)
        .addFunction("destroyAllActionsInScene", &ActionSetManager::destroyAllActionsInScene);
    publishManager<ActionSetManager>(L, "actions");
}

// A class of its own: it has no script base.
void registerActionComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Actions")
        .beginClass<ActionComponent>("ActionComponent")
        .addFunction("createActionGroup", &ActionComponent::createActionGroup)
        .addFunction("createActionSequence", &ActionComponent::createActionSequence)
        .addFunction("destroyAllActions", &ActionComponent::destroyAllActions)
        .addFunction("destroyOneAction", &ActionComponent::destroyOneAction);
}

} // namespace Orva::Scripting
