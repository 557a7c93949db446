#pragma once

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

    GameObject* owner = nullptr;
    // Given by the pool on allocation; the first component of each type gets 1.
    unsigned componentID = 0;
    bool active = true;
    // The component type number, set by the derived constructor (a transform is 0, a script
    // component 12).
    int type = 0;
};

} // namespace Orva
