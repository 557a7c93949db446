#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <list>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "core/Export.h"
#include "core/OrvaAllocator.h"
#include "world/BaseComponent.h"
#include "world/IComponentPool.h"

namespace Orva {

class GameObjectManager;
class LuaScriptComponent;
class TransformComponent;

namespace Audio {
class AudioComponent;
}
namespace Graphics {
class ParticleEmitterComponent;
}
namespace Physics {
class AABBCollider;
class BaseCollider;
class BoxCollider;
class CircleCollider;
class RigidBody;
} // namespace Physics

// An object's active flag, read and assigned as a bool. Component pools keep what they read
// of their components' owners beside their slots; every assignment that changes a flag, and
// every object made or destroyed, is counted, so that they know when to read it again.
class ORVA_API ActiveFlag
{
public:
    ActiveFlag() noexcept { ++changes_; }
    ~ActiveFlag() { ++changes_; }
    ActiveFlag(const ActiveFlag&) = delete;
    ActiveFlag& operator=(const ActiveFlag&) = delete;

    ActiveFlag& operator=(bool value) noexcept
    {
        if (value != value_) {
            value_ = value;
            ++changes_;
        }
        return *this;
    }
    operator bool() const noexcept { return value_; }

    // The changes counted so far in the process; it never goes back.
    static std::uint64_t changes() noexcept { return changes_; }

private:
    bool value_ = true;
    static std::uint64_t changes_;
};

// A named node of the game world: its components in the order they were added (each with
// the pool it came from), a parent, its children in order of attachment, and its transform
// cached. Only GameObjectManager makes, keeps and destroys objects; an object never moves
// while it lives.
class ORVA_API GameObject
{
public:
    using ComponentEntry = std::pair<IComponentPool*, BaseComponent*>;
    using ComponentList = std::list<ComponentEntry>;
    using ChildList = std::vector<GameObject*, OrvaAllocator<GameObject*>>;

    GameObject(const GameObject&) = delete;
    GameObject& operator=(const GameObject&) = delete;

    // Components by pool name. Adding by name wires nothing but a transform, which becomes
    // the cached transform and is force-updated. An unknown name adds nothing: null.
    BaseComponent* addComponent(const char* poolName);
    BaseComponent* addComponent(const std::string& poolName);
    BaseComponent* getComponent(const char* poolName) const;
    BaseComponent* getComponent(const std::string& poolName) const;
    // The first matching entry goes back to its pool (which destroys the component); nothing
    // when there is none.
    void removeComponent(BaseComponent* component);
    void removeComponent(const char* poolName);
    void removeComponent(const std::string& poolName);

    // Components by type. addComponent<T> takes T from the first pool of the global component
    // manager holding T and wires it to the world (transforms, colliders, bodies, emitters,
    // audio); a rigid body needs a collider and a transform first. Null when nothing is added.
    template <class T> T* addComponent();
    template <class T> T* getComponent() const { return static_cast<T*>(findComponentOfType(typeid(T))); }
    template <class T> void removeComponent() { removeComponentOfType(typeid(T)); }

    void addComponentPairToList(const ComponentEntry& entry) { components_.push_back(entry); }
    ComponentList& getComponentList() noexcept { return components_; }
    const ComponentList& getComponentList() const noexcept { return components_; }
    // The first box, circle or axis-aligned box collider; null when none.
    Physics::BaseCollider* getCollider() const;
    TransformComponent* getTransform() const noexcept { return transform_; }
    // Replaces the cached transform without wiring anything; what scripts write as
    // "transform".
    void setTransform(TransformComponent* transform) noexcept { transform_ = transform; }

    // Script components by script class name. Adding one of a class that is not loaded
    // adds nothing and returns null.
    LuaScriptComponent* addLuaScript(const std::string& className);
    LuaScriptComponent* getLuaScript(const std::string& className) const;
    void removeLuaScript(const std::string& className);

    // Moves the object under parent (null: to the root list). Its former world placement
    // becomes its local placement under the new parent; with keepWorldPlacement the world
    // placement of the object and its descendants stays, and without it they are recomputed
    // at the next step. A parent that is the object itself or one of its descendants is
    // refused: nothing changes.
    void setParent(GameObject* parent);
    void setParent(GameObject* parent, bool keepWorldPlacement);
    // Leaves the parent for the root list, keeping the world placement as local placement.
    void unparent();
    void addChild(GameObject* child);
    void removeChild(GameObject* child);
    void removeChild(const std::string& name);
    GameObject* getChild(const std::string& name) const;
    GameObject* getChild(unsigned index) const;
    int getChildCount() const noexcept { return static_cast<int>(children_.size()); }
    bool hasChildren() const noexcept { return !children_.empty(); }
    GameObject* getParent() const noexcept { return parent_; }
    ChildList& getChildren() noexcept { return children_; }
    const ChildList& getChildren() const noexcept { return children_; }
    // True when the object lies below this one.
    bool isAncestorOf(const GameObject* object) const noexcept;

    // Scripts keep handles to objects (see the binding layer's pooled classes): the id an
    // object has, and whether a slot still holds the object of that id, which it does until
    // its destruction is over. Reads nothing of a manager that is gone.
    static std::uint64_t handleId(const GameObject& object) noexcept;
    static bool handleHolds(const GameObject* slot, std::uint64_t id) noexcept;

    // Force-updates every descendant transform once, parents before children, passing
    // through descendants without a transform.
    void updateChildTransforms();

    void doHiearchyDump(std::ostream& out, unsigned depth) const;

private:
    ComponentList components_;
    GameObject* parent_ = nullptr;
    ChildList children_;

public:
    // Taken from the object counter, which ids and default names share.
    std::uint32_t objectID = 0;
    std::string name;
    // The object set the object was built from; empty otherwise.
    std::string sourceSet;
    // Pools skip the components of an inactive object.
    ActiveFlag active;

private:
    friend class GameObjectManager;

    // Bits of poolFlags_, written only by the manager.
    static constexpr std::uint32_t LiveFlag = 0x01;
    static constexpr std::uint32_t InPagesFlag = 0x10;

    // What a free slot holds between two lives.
    struct FreeSlotTag
    {
    };
    enum class Placement {
        // The former world placement becomes the local one.
        WorldAsLocal,
        KeepWorld,
        // Recomputed at the next step.
        Recompute,
    };

    // Default name "GameObject<n>": the id and the name take one counter value each.
    GameObject();
    explicit GameObject(const std::string& objectName);
    explicit GameObject(std::string&& objectName);
    explicit GameObject(FreeSlotTag) noexcept : poolFlags_(InPagesFlag) {}
    ~GameObject() = default;

    static std::uint32_t takeObjectNumber() noexcept { return objectCounter_++; }
    static IComponentPool* findPoolOfType(const std::type_info& type);

    // Takes a component from the pool, owns it, wires it and appends it. Null for no pool.
    BaseComponent* attachFromPool(IComponentPool* pool);
    template <class Wire> BaseComponent* attachWired(IComponentPool* pool, Wire&& wire);
    BaseComponent* findComponentOfType(const std::type_info& type) const;
    void removeComponentOfType(const std::type_info& type);
    template <class Match> BaseComponent* firstComponentWhere(Match&& match) const;
    // Unlinks the first matching entry and gives its component back to its pool.
    template <class Match> void removeFirstComponentWhere(Match&& match);
    // Makes the new transform the cached one, placed at once under the parent.
    void cacheTransform(BaseComponent& transform);
    // Gives every component back to its pool, in list order.
    void releaseComponents();

    void reparent(GameObject* newParent, Placement placement);
    // Leaves the parent's children; the transform keeps its world placement as local.
    void leaveParent();
    // Calls visit on the transforms of this object and its descendants, parents first.
    template <class Visit> void forEachTransformInSubtree(Visit&& visit);

    TransformComponent* transform_ = nullptr;
    std::uint32_t poolFlags_ = 0;
    // Where the manager's root list holds the object, while it is a root.
    std::size_t rootIndex_ = 0;

    static std::uint32_t objectCounter_;
    // The handle id: scripts may rewrite objectID, so an object is told from the next one
    // in its slot by a number of its own, never 0 (which a free slot holds).
    std::uint32_t handleSerial_ = 0;

    static std::uint32_t lastHandleSerial_;
    // Counts the managers whose pages were released; part of every handle's id.
    static std::uint32_t pageGeneration_;
};

template <class T> T* GameObject::addComponent()
{
    return static_cast<T*>(attachFromPool(findPoolOfType(typeid(T))));
}

// The types that addComponent<T> wires to the world.
template <> TransformComponent* GameObject::addComponent<TransformComponent>();
template <> Physics::BoxCollider* GameObject::addComponent<Physics::BoxCollider>();
template <> Physics::CircleCollider* GameObject::addComponent<Physics::CircleCollider>();
template <> Physics::AABBCollider* GameObject::addComponent<Physics::AABBCollider>();
template <> Physics::RigidBody* GameObject::addComponent<Physics::RigidBody>();
template <>
Graphics::ParticleEmitterComponent* GameObject::addComponent<Graphics::ParticleEmitterComponent>();
template <> Audio::AudioComponent* GameObject::addComponent<Audio::AudioComponent>();

} // namespace Orva
