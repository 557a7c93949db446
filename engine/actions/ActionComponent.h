#pragma once

#include "core/Export.h"
#include "world/BaseComponent.h"

namespace Orva::Actions {

// STUB: an action component with its type number only. The actions issue replaces it.
class ORVA_API ActionComponent : public BaseComponent
{
public:
    // No component type uses 13, so a lookup by type number never takes it for another.
    static constexpr int TypeNumber = 13;

    ActionComponent() { type = TypeNumber; }

    void init() {}
    void update(float /*dt*/) {}
};

} // namespace Orva::Actions
