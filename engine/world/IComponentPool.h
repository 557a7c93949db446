#pragma once

#include <iosfwd>
#include <typeinfo>

#include "core/Export.h"

namespace Orva {

class BaseComponent;

// The pool of one component type: hands out and takes back constructed components, steps
// them every fixed step, and reports its use.
class ORVA_API IComponentPool
{
public:
    virtual ~IComponentPool() = default;

    // Destroys every component in use and releases every page.
    virtual void clear() = 0;
    virtual const char* getName() const = 0;
    // Components handed out since creation.
    virtual int getAllocationCount() const = 0;
    // The most components in use at once.
    virtual int getHighestCount() const = 0;
    // Components given back since creation.
    virtual int getFreeCount() const = 0;
    // Steps the pool's components by dt seconds.
    virtual void update(float dt) = 0;
    // Takes back a component of this pool that is in use.
    virtual void free(BaseComponent* component) = 0;
    virtual BaseComponent* allocate() = 0;
    // True when type is the pool's component type.
    virtual bool isType(const std::type_info& type) const = 0;
    virtual std::ostream& doMemoryDump(std::ostream& out) const = 0;
    // Bytes held by the pool's pages.
    virtual unsigned getTotalMemoryAllocationCount() const = 0;

    // Where an address lies among the pool's slots. Pages never move, so a pointer into a
    // component can be traced back to its slot for as long as the pool lives.
    struct SlotLookup
    {
        // The address lies inside one of the pool's pages.
        bool found = false;
        // The component in that slot; null while the slot is free.
        BaseComponent* component = nullptr;
    };
    // A pool without pages of its own finds nothing.
    virtual SlotLookup findSlotHolding(const void* /*address*/) const { return {}; }

protected:
    IComponentPool() = default;
    IComponentPool(const IComponentPool&) = default;
    IComponentPool& operator=(const IComponentPool&) = default;
};

} // namespace Orva
