#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "core/Export.h"
#include "core/Reflectable.h"

namespace Orva {

class GameObject;

// The base of every component a game object holds. Components live in the page of their
// type's pool (ComponentPool<T>), which constructs them, numbers them and steps them; the
// object that takes one sets itself as the owner.
class ORVA_API BaseComponent
{
public:
    BaseComponent() = default;
    BaseComponent(const BaseComponent&) = default;
    BaseComponent& operator=(const BaseComponent&) = default;
    virtual ~BaseComponent();

    // The component's properties by name; a plain component offers none.
    virtual ReflectionMap getReflectibles();

    // Deliberately not virtual: pools call the exact type's own init and update, and a type
    // without one inherits these, which do nothing.
    void init() {}
    void update(float /*dt*/) {}

    void setOwner(GameObject* object) noexcept { owner = object; }
    GameObject* getOwner() const noexcept { return owner; }

    // Scripts keep handles to components (see the binding layer's pooled classes): the id
    // a component has, and whether a slot still holds a component with that id. A pool
    // leaves a bare base part without an id in a freed slot. A component made outside a
    // pool has no id (0) and is never checked.
    static std::uint64_t handleId(const BaseComponent& component) noexcept
    {
        return component.componentID == 0 ? 0 : std::uint64_t{pageGeneration_} << 32 | component.componentID;
    }
    // Inline: tweens ask it for their targets at every step.
    static bool handleHolds(const BaseComponent* slot, std::uint64_t id) noexcept
    {
        return id == 0 ||
               (id >> 32 == pageGeneration_ && slot->componentID == static_cast<std::uint32_t>(id));
    }
    // A pool is about to release its pages: every handle held so far no longer holds.
    static void forgetHandles() noexcept { ++pageGeneration_; }

    GameObject* owner = nullptr;
    // Given by the pool on allocation; the first component of each type gets 1.
    unsigned componentID = 0;
    bool active = true;
    // The component type number, set by the derived constructor (a transform is 0, a script
    // component 12).
    int type = 0;

private:
    // Counts the pools that released their pages; part of every handle's id.
    static std::uint32_t pageGeneration_;
};

} // namespace Orva
