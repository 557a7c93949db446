#include "actions/TargetGuard.h"

#include <functional>
#include <utility>

#include "world/GlobalComponentManager.h"

namespace Orva::Actions {

namespace {

const TargetGuard::KeeperScope* innermostScope = nullptr;

} // namespace

TargetGuard::KeeperScope::KeeperScope(const void* begin, std::size_t size,
                                      std::shared_ptr<const void> keeper) noexcept
    : begin_(begin), size_(size), keeper_(std::move(keeper)), previous_(innermostScope)
{
    innermostScope = this;
}

TargetGuard::KeeperScope::~KeeperScope()
{
    innermostScope = previous_;
}

TargetGuard TargetGuard::forAddress(const void* address) noexcept
{
    TargetGuard guard;
    if (!address) {
        return guard;
    }
    const std::less<const void*> before;
    for (const KeeperScope* scope = innermostScope; scope; scope = scope->previous_) {
        const void* end = static_cast<const std::byte*>(scope->begin_) + scope->size_;
        if (!before(address, scope->begin_) && before(address, end)) {
            guard.kind_ = Kind::Kept;
            guard.keeper_ = scope->keeper_;
            return guard;
        }
    }
    if (!GlobalComponentManager::hasInstance()) {
        return guard;
    }
    for (const IComponentPool* pool : GlobalComponentManager::getInstance().getPools()) {
        const IComponentPool::SlotLookup slot = pool->findSlotHolding(address);
        if (!slot.found) {
            continue;
        }
        if (slot.component) {
            guard.kind_ = Kind::Component;
            guard.component_ = slot.component;
            guard.handleId_ = BaseComponent::handleId(*slot.component);
        } else {
            guard.kind_ = Kind::Dead;
        }
        return guard;
    }
    return guard;
}

} // namespace Orva::Actions
