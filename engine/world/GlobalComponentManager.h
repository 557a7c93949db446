#pragma once

#include <cstring>
#include <vector>

#include "core/Export.h"
#include "core/Singleton.h"
#include "world/IComponentPool.h"

namespace Orva {

// STUB: the list of pools and the list of stepped pools, both empty at creation, and the
// fixed step over the second. Tests append their own pools to either list; the component
// issue replaces the class (the twelve pools, "component.config", the dumps) and keeps both
// lists open to them.
class ORVA_API GlobalComponentManager : public Singleton<GlobalComponentManager>
{
public:
    // Steps every pool of the update list, in list order.
    static void update(float dt)
    {
        for (IComponentPool* pool : getInstance().updateList_) {
            pool->update(dt);
        }
    }

    // The first pool named exactly so, or null.
    IComponentPool* getPoolByName(const char* name) const
    {
        for (IComponentPool* pool : pools_) {
            if (std::strcmp(pool->getName(), name) == 0) {
                return pool;
            }
        }
        return nullptr;
    }

    // Every pool, in creation order.
    std::vector<IComponentPool*>& getPools() noexcept { return pools_; }
    // The stepped pools, in stepping order.
    std::vector<IComponentPool*>& getUpdateList() noexcept { return updateList_; }

private:
    std::vector<IComponentPool*> pools_;
    std::vector<IComponentPool*> updateList_;
};

} // namespace Orva
