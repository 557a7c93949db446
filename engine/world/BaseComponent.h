#pragma once

#include <map>
#include <string>

#include "core/Export.h"
#include "core/Reflectable.h"

namespace Orva {

class GameObject;

// STUB: the fields and the reflection slot that the core runtime relies on. The component
// issue completes this class in place (owner accessors, init, update, the pools).
class ORVA_API BaseComponent
{
public:
    BaseComponent() = default;
    BaseComponent(const BaseComponent&) = default;
    BaseComponent& operator=(const BaseComponent&) = default;
    virtual ~BaseComponent();

    // The component's properties by name; a plain component offers none.
    virtual ReflectionMap getReflectibles();

    GameObject* owner = nullptr;
    unsigned componentID = 0;
    bool active = true;
    int type = 0;
};

} // namespace Orva
