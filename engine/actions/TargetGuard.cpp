#include "actions/TargetGuard.h"

#include "world/GlobalComponentManager.h"

namespace Orva::Actions {

TargetGuard TargetGuard::forAddress(const void* address) noexcept
{
    TargetGuard guard;
    if (!address || !GlobalComponentManager::hasInstance()) {
        return guard;
    }
    for (const IComponentPool* pool : GlobalComponentManager::getInstance().getPools()) {
        const IComponentPool::SlotLookup slot = pool->findSlotHolding(address);
        if (!slot.found) {
            continue;
        }
        if (slot.component) {
            guard.kind_ = Kind::Component;
            guard.pool_ = pool;
            guard.component_ = slot.component;
            guard.componentID_ = slot.component->componentID;
        } else {
            guard.kind_ = Kind::Dead;
        }
        return guard;
    }
    return guard;
}

} // namespace Orva::Actions
