#pragma once

#include <iosfwd>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/Singleton.h"
#include "world/IComponentPool.h"

namespace Orva {

// Makes the twelve component pools from a fixed table (name, page size, step rule), knows
// which are stepped and in which order, finds a pool by name or type, and reports memory use.
// The pools are the per-type singletons ComponentPool<T>; the manager deletes them.
class ORVA_API GlobalComponentManager : public Singleton<GlobalComponentManager>
{
public:
    ORVA_POOLED_OPERATORS(GlobalComponentManager)

    using ConfigEntry = std::pair<std::string, int>;
    using ConfigEntries = std::vector<ConfigEntry, OrvaAllocator<ConfigEntry>>;
    using PoolList = std::vector<IComponentPool*, OrvaAllocator<IComponentPool*>>;

    // Read at start-up from the working directory and kept, but the pool table is fixed.
    static constexpr const char* ConfigPath = "component.config";

    // Reads the configuration, then makes (or adopts) each type's pool and gives it one page.
    GlobalComponentManager();
    // Deletes the pool singletons, which destroys the components still in use.
    ~GlobalComponentManager();

    GlobalComponentManager(const GlobalComponentManager&) = delete;
    GlobalComponentManager& operator=(const GlobalComponentManager&) = delete;

    // Steps every pool of the update list, in list order.
    static void update(float dt);

    // The first pool named exactly so (case-sensitive), or null.
    IComponentPool* getPoolByName(const char* name) const;
    // The first pool, in creation order, that holds components of exactly this type, or null.
    IComponentPool* getPoolOfType(const std::type_info& type) const;

    void doMemoryDump(std::ostream& out) const;
    // The bytes of every pool's pages.
    unsigned getTotalMemoryAllocationCount() const;

    // Pairs of lines of the configuration: a name, then a number (0 when missing).
    const ConfigEntries& getConfigEntries() const noexcept { return configEntries_; }
    // Every pool, in creation order.
    PoolList& getPools() noexcept { return pools_; }
    // The stepped pools, in stepping order. Tests may add their own pools to either list;
    // the manager deletes only the twelve of its table.
    PoolList& getUpdateList() noexcept { return updateList_; }

    // Reads the configuration file: pairs of lines, a name, then a number (0 when missing).
    static ConfigEntries readConfiguration();

private:
    ConfigEntries configEntries_;
    PoolList pools_;
    PoolList updateList_;
};

} // namespace Orva
