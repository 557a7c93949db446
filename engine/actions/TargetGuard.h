#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/Export.h"
#include "world/BaseComponent.h"

namespace Orva::Actions {

// Tells an action whether what it points into still exists. An action holds raw pointers into
// other objects (a tween's target field, a callback's script component); when the pointer
// lies in a component pool's slot, the guard remembers that component as a script's handle
// does, and stays alive while the slot holds that component. A value owned by someone else (a
// script's vector) can instead be kept alive by the guard: it then holds a keeper, whatever
// keeps the value from being freed, for as long as the guard or a copy of it lives. Anything
// else is not guarded: the caller keeps it alive. Copies guard the same thing.
class ORVA_API TargetGuard
{
public:
    // While a scope lives, every guard made for an address inside [begin, begin + size) holds
    // the keeper. Scopes nest; game thread only.
    class ORVA_API KeeperScope
    {
    public:
        KeeperScope(const void* begin, std::size_t size, std::shared_ptr<const void> keeper) noexcept;
        ~KeeperScope();
        KeeperScope(const KeeperScope&) = delete;
        KeeperScope& operator=(const KeeperScope&) = delete;

    private:
        friend class TargetGuard;

        const void* begin_;
        std::size_t size_;
        std::shared_ptr<const void> keeper_;
        const KeeperScope* previous_;
    };

    // Guards nothing: always alive.
    TargetGuard() noexcept = default;

    // The guard of whatever holds the address: the keeper of the innermost scope around it;
    // else its component when it lies in a slot in use, a dead guard when the slot is free,
    // no guard outside the pools or without a component manager. A range test per pool page.
    static TargetGuard forAddress(const void* address) noexcept;

    bool isAlive() const noexcept
    {
        switch (kind_) {
        case Kind::Unguarded:
        case Kind::Kept:
            return true;
        case Kind::Component:
            return isComponentAlive();
        case Kind::Dead:
            break;
        }
        return false;
    }

private:
    enum class Kind : unsigned char {
        Unguarded,
        Component,
        Dead,
        Kept,
    };

    // A freed slot holds a bare base part without an id, so the id alone tells; pages released
    // since are not read.
    bool isComponentAlive() const noexcept { return BaseComponent::handleHolds(component_, handleId_); }

    // What isAlive reads comes first.
    const BaseComponent* component_ = nullptr;
    std::uint64_t handleId_ = 0;
    Kind kind_ = Kind::Unguarded;
    std::shared_ptr<const void> keeper_;
};

} // namespace Orva::Actions
