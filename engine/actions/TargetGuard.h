#pragma once

#include "core/Export.h"
#include "world/BaseComponent.h"
#include "world/IComponentPool.h"

namespace Orva::Actions {

// Tells an action whether what it points into still exists. An action holds raw pointers into
// other objects (a tween's target field, a callback's script component); when the pointer
// lies in a component pool's slot, the guard remembers that component and its componentID,
// and stays alive while the slot is in use with that id. Anything outside the pools (a
// free-standing value) is not guarded: the caller keeps it alive. Copies guard the same thing.
class ORVA_API TargetGuard
{
public:
    // Guards nothing: always alive.
    TargetGuard() noexcept = default;

    // The guard of whatever holds the address: its component when it lies in a slot in use,
    // a dead guard when the slot is free, no guard outside the pools or without a component
    // manager. A range test per pool page.
    static TargetGuard forAddress(const void* address) noexcept;

    bool isAlive() const noexcept
    {
        switch (kind_) {
        case Kind::Unguarded:
            return true;
        case Kind::Component:
            return isComponentAlive();
        case Kind::Dead:
            break;
        }
        return false;
    }

private:
    // Further kinds (a guard that keeps a script-owned value alive) go beside these.
    enum class Kind : unsigned char {
        Unguarded,
        Component,
        Dead,
    };

    // The slot is asked first: the component's id is read only while a component lives there.
    bool isComponentAlive() const noexcept
    {
        return pool_->isSlotInUse(component_) && component_->componentID == componentID_;
    }

    const IComponentPool* pool_ = nullptr;
    const BaseComponent* component_ = nullptr;
    unsigned componentID_ = 0;
    Kind kind_ = Kind::Unguarded;
};

} // namespace Orva::Actions
