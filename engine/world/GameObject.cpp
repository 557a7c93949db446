#include "world/GameObject.h"

#include <cstring>
#include <ostream>

#include "audio/AudioComponent.h"
#include "core/SwapRemove.h"
#include "graphics/ParticleEmitterComponent.h"
#include "physics/AABBCollider.h"
#include "physics/BoxCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "world/ComponentPool.h"
#include "world/GameObjectManager.h"
#include "world/GlobalComponentManager.h"
#include "world/LuaScriptComponent.h"
#include "world/TransformComponent.h"

namespace Orva {

std::uint64_t ActiveFlag::changes_ = 0;
std::uint32_t GameObject::objectCounter_ = 0;
std::uint32_t GameObject::lastHandleSerial_ = 0;
std::uint32_t GameObject::pageGeneration_ = 0;

GameObject::GameObject() : objectID(takeObjectNumber())
{
    name = "GameObject" + std::to_string(takeObjectNumber());
}

GameObject::GameObject(const std::string& objectName) : objectID(takeObjectNumber()), name(objectName) {}

GameObject::GameObject(std::string&& objectName) : objectID(takeObjectNumber()), name(std::move(objectName))
{
}

std::uint64_t GameObject::handleId(const GameObject& object) noexcept
{
    return std::uint64_t{pageGeneration_} << 32 | object.handleSerial_;
}

bool GameObject::handleHolds(const GameObject* slot, std::uint64_t id) noexcept
{
    return id >> 32 == pageGeneration_ && slot->handleSerial_ == static_cast<std::uint32_t>(id);
}

// Components ------------------------------------------------------------------------------

IComponentPool* GameObject::findPoolOfType(const std::type_info& type)
{
    return GlobalComponentManager::getInstance().getPoolOfType(type);
}

template <class Wire> BaseComponent* GameObject::attachWired(IComponentPool* pool, Wire&& wire)
{
    if (!pool) {
        return nullptr;
    }
    BaseComponent* component = pool->allocate();
    component->setOwner(this);
    try {
        wire(*component);
        components_.emplace_back(pool, component);
    } catch (...) {
        if (transform_ == component) {
            transform_ = nullptr;
        }
        pool->free(component);
        throw;
    }
    return component;
}

BaseComponent* GameObject::attachFromPool(IComponentPool* pool)
{
    return attachWired(pool, [](BaseComponent&) {});
}

BaseComponent* GameObject::addComponent(const char* poolName)
{
    if (!poolName) {
        return nullptr;
    }
    IComponentPool* pool = GlobalComponentManager::getInstance().getPoolByName(poolName);
    const bool isTransformPool = pool && pool->isType(typeid(TransformComponent));
    return attachWired(pool, [this, isTransformPool](BaseComponent& component) {
        if (isTransformPool) {
            cacheTransform(component);
        }
    });
}

void GameObject::cacheTransform(BaseComponent& component)
{
    transform_ = static_cast<TransformComponent*>(&component);
    transform_->forceUpdate();
}

BaseComponent* GameObject::addComponent(const std::string& poolName)
{
    return addComponent(poolName.c_str());
}

template <class Match> BaseComponent* GameObject::firstComponentWhere(Match&& match) const
{
    for (const ComponentEntry& entry : components_) {
        if (match(entry)) {
            return entry.second;
        }
    }
    return nullptr;
}

template <class Match> void GameObject::removeFirstComponentWhere(Match&& match)
{
    const auto found = std::find_if(components_.begin(), components_.end(), match);
    if (found == components_.end()) {
        return;
    }
    // Unlinked before the pool destroys the component, so a destructor that walks the list
    // never meets it.
    const auto [pool, component] = *found;
    components_.erase(found);
    if (component == transform_) {
        transform_ = nullptr;
    }
    pool->free(component);
}

namespace {

auto poolNamed(const char* poolName)
{
    return [poolName](const GameObject::ComponentEntry& entry) {
        return std::strcmp(entry.first->getName(), poolName) == 0;
    };
}

auto poolOfType(const std::type_info& type)
{
    return [&type](const GameObject::ComponentEntry& entry) { return entry.first->isType(type); };
}

} // namespace

BaseComponent* GameObject::getComponent(const char* poolName) const
{
    return poolName ? firstComponentWhere(poolNamed(poolName)) : nullptr;
}

BaseComponent* GameObject::getComponent(const std::string& poolName) const
{
    return getComponent(poolName.c_str());
}

void GameObject::removeComponent(BaseComponent* component)
{
    removeFirstComponentWhere([component](const ComponentEntry& entry) { return entry.second == component; });
}

void GameObject::removeComponent(const char* poolName)
{
    if (poolName) {
        removeFirstComponentWhere(poolNamed(poolName));
    }
}

void GameObject::removeComponent(const std::string& poolName)
{
    removeComponent(poolName.c_str());
}

BaseComponent* GameObject::findComponentOfType(const std::type_info& type) const
{
    return firstComponentWhere(poolOfType(type));
}

void GameObject::removeComponentOfType(const std::type_info& type)
{
    removeFirstComponentWhere(poolOfType(type));
}

void GameObject::releaseComponents()
{
    while (!components_.empty()) {
        removeFirstComponentWhere([](const ComponentEntry&) { return true; });
    }
    transform_ = nullptr;
}

Physics::BaseCollider* GameObject::getCollider() const
{
    return static_cast<Physics::BaseCollider*>(firstComponentWhere([](const ComponentEntry& entry) {
        const IComponentPool& pool = *entry.first;
        return pool.isType(typeid(Physics::BoxCollider)) || pool.isType(typeid(Physics::CircleCollider)) ||
               pool.isType(typeid(Physics::AABBCollider));
    }));
}

template <> TransformComponent* GameObject::addComponent<TransformComponent>()
{
    return static_cast<TransformComponent*>(
        attachWired(&ComponentPool<TransformComponent>::getInstance(),
                    [this](BaseComponent& component) { cacheTransform(component); }));
}

namespace {

void joinColliderList(BaseComponent& component)
{
    static_cast<Physics::BaseCollider&>(component).init();
}

} // namespace

template <> Physics::BoxCollider* GameObject::addComponent<Physics::BoxCollider>()
{
    return static_cast<Physics::BoxCollider*>(
        attachWired(findPoolOfType(typeid(Physics::BoxCollider)), joinColliderList));
}

template <> Physics::CircleCollider* GameObject::addComponent<Physics::CircleCollider>()
{
    return static_cast<Physics::CircleCollider*>(
        attachWired(findPoolOfType(typeid(Physics::CircleCollider)), joinColliderList));
}

template <> Physics::AABBCollider* GameObject::addComponent<Physics::AABBCollider>()
{
    return static_cast<Physics::AABBCollider*>(
        attachWired(findPoolOfType(typeid(Physics::AABBCollider)),
                    [](BaseComponent& component) { static_cast<Physics::AABBCollider&>(component).init(); }));
}

template <> Physics::RigidBody* GameObject::addComponent<Physics::RigidBody>()
{
    Physics::BaseCollider* collider = getCollider();
    if (!collider || !transform_) {
        return nullptr;
    }
    return static_cast<Physics::RigidBody*>(attachWired(
        &ComponentPool<Physics::RigidBody>::getInstance(), [this, collider](BaseComponent& component) {
            auto& body = static_cast<Physics::RigidBody&>(component);
            body.init(collider, transform_);
            collider->attachRigidBody(&body);
        }));
}

template <> Graphics::ParticleEmitterComponent* GameObject::addComponent<Graphics::ParticleEmitterComponent>()
{
    return static_cast<Graphics::ParticleEmitterComponent*>(
        attachWired(findPoolOfType(typeid(Graphics::ParticleEmitterComponent)), [](BaseComponent& component) {
            static_cast<Graphics::ParticleEmitterComponent&>(component).init();
        }));
}

template <> Audio::AudioComponent* GameObject::addComponent<Audio::AudioComponent>()
{
    return static_cast<Audio::AudioComponent*>(
        attachWired(findPoolOfType(typeid(Audio::AudioComponent)),
                    [](BaseComponent& component) { static_cast<Audio::AudioComponent&>(component).init(); }));
}

// Script components -----------------------------------------------------------------------

// Listed before its instance is made, so that a class that does not exist finds the new
// component to take it off again; then there is nothing to return.
LuaScriptComponent* GameObject::addLuaScript(const std::string& className)
{
    auto* component =
        static_cast<LuaScriptComponent*>(attachFromPool(&ComponentPool<LuaScriptComponent>::getInstance()));
    try {
        return component->initScriptForGame(className) ? component : nullptr;
    } catch (...) {
        removeComponent(component);
        throw;
    }
}

namespace {

// Script components are told apart by their type number, which no other component shares.
auto runsScriptClass(const std::string& className)
{
    return [&className](const GameObject::ComponentEntry& entry) {
        return entry.second->type == LuaScriptComponent::TypeNumber &&
               static_cast<const LuaScriptComponent*>(entry.second)->ScriptClassName == className;
    };
}

} // namespace

LuaScriptComponent* GameObject::getLuaScript(const std::string& className) const
{
    return static_cast<LuaScriptComponent*>(firstComponentWhere(runsScriptClass(className)));
}

void GameObject::removeLuaScript(const std::string& className)
{
    removeFirstComponentWhere(runsScriptClass(className));
}

// Hierarchy -------------------------------------------------------------------------------

bool GameObject::isAncestorOf(const GameObject* object) const noexcept
{
    for (const GameObject* above = object ? object->parent_ : nullptr; above; above = above->parent_) {
        if (above == this) {
            return true;
        }
    }
    return false;
}

template <class Visit> void GameObject::forEachTransformInSubtree(Visit&& visit)
{
    if (transform_) {
        visit(*transform_);
    }
    for (GameObject* child : children_) {
        child->forEachTransformInSubtree(visit);
    }
}

void GameObject::leaveParent()
{
    swapRemove(parent_->children_, this);
    if (transform_) {
        transform_->decoupleFromParent();
    }
    parent_ = nullptr;
}

void GameObject::reparent(GameObject* newParent, Placement placement)
{
    // A loop in the hierarchy would make every walk over it (transform updates, destruction,
    // dumps) run forever.
    if (newParent == this || isAncestorOf(newParent)) {
        return;
    }
    GameObject* const oldParent = parent_;
    if (oldParent) {
        leaveParent();
    } else if (newParent) {
        GameObjectManager::getInstance().removeGameObjectFromRoot(this);
    }

    if (!newParent) {
        if (oldParent) {
            GameObjectManager::getInstance().addGameObjectToRoot(this);
        }
        return;
    }
    parent_ = newParent;
    newParent->children_.push_back(this);
    switch (placement) {
    case Placement::WorldAsLocal:
        forEachTransformInSubtree([](TransformComponent& transform) { transform.markDirty(); });
        if (transform_) {
            transform_->forceUpdate();
        }
        break;
    case Placement::KeepWorld:
        forEachTransformInSubtree([](TransformComponent& transform) { transform.rebaseOnParent(); });
        break;
    case Placement::Recompute:
        forEachTransformInSubtree([](TransformComponent& transform) { transform.markDirty(); });
        break;
    }
}

void GameObject::setParent(GameObject* parent)
{
    reparent(parent, Placement::WorldAsLocal);
}

void GameObject::setParent(GameObject* parent, bool keepWorldPlacement)
{
    reparent(parent, keepWorldPlacement ? Placement::KeepWorld : Placement::Recompute);
}

void GameObject::unparent()
{
    if (!parent_) {
        return;
    }
    leaveParent();
    GameObjectManager::getInstance().addGameObjectToRoot(this);
}

void GameObject::addChild(GameObject* child)
{
    if (child) {
        child->setParent(this);
    }
}

void GameObject::removeChild(GameObject* child)
{
    if (child && child->parent_ == this) {
        child->unparent();
    }
}

void GameObject::removeChild(const std::string& childName)
{
    if (GameObject* child = getChild(childName)) {
        child->unparent();
    }
}

GameObject* GameObject::getChild(const std::string& childName) const
{
    const auto found =
        std::find_if(children_.begin(), children_.end(),
                     [&childName](const GameObject* child) { return child->name == childName; });
    return found != children_.end() ? *found : nullptr;
}

GameObject* GameObject::getChild(unsigned index) const
{
    return index < children_.size() ? children_[index] : nullptr;
}

void GameObject::updateChildTransforms()
{
    for (GameObject* child : children_) {
        if (child->transform_) {
            // Its forceUpdate goes on to the child's own descendants.
            child->transform_->forceUpdate();
        } else {
            child->updateChildTransforms();
        }
    }
}

void GameObject::doHiearchyDump(std::ostream& out, unsigned depth) const
{
    const std::string pad(2 * static_cast<std::size_t>(depth), ' ');
    out << pad << "=== " << name << " Data Dump === \n";
    out << pad << "Component list:";
    for (const ComponentEntry& entry : components_) {
        out << entry.first->getName() << ", ";
    }
    out << " last!\n";
    if (parent_) {
        out << pad << "Parent's name:" << parent_->name << "\n";
    } else {
        out << pad << "-NO PARENT-\n";
    }
    out << pad << name << "'s Child list:\n";
    for (const GameObject* child : children_) {
        child->doHiearchyDump(out, depth + 1);
        out << "\n";
    }
    out << "\n";
    out << pad << "End of " << name << "'s Child list\n";
    out << pad << "=== " << name << " End Data Dump === \n\n";
}

} // namespace Orva
