#pragma once

#include <cstdint>
#include <iosfwd>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/Singleton.h"
#include "world/GameObject.h"

namespace Orva {

// Owns every game object. Objects live in pages of 100 slots from the general heap and never
// move; a stack of free slots makes the last freed slot the next one handed out. Objects
// without a parent form the root list. Destruction is immediate, or deferred to the next
// update (which the engine runs once per frame before the fixed steps).
class ORVA_API GameObjectManager : public Singleton<GameObjectManager>
{
public:
    ORVA_POOLED_OPERATORS(GameObjectManager)

    static constexpr unsigned ObjectsPerPage = 100;
    using ObjectList = std::vector<GameObject*, OrvaAllocator<GameObject*>>;

    // One page, and the object counter back at 0: ids are unique among this manager's
    // objects.
    GameObjectManager();
    // Destroys every live object without counting, then releases the pages. Children queued
    // on the way are not processed.
    ~GameObjectManager();

    GameObjectManager(const GameObjectManager&) = delete;
    GameObjectManager& operator=(const GameObjectManager&) = delete;

    // A new root object, default-named or named; with a non-null parent it is then moved
    // under that parent.
    GameObject* create();
    GameObject* create(const std::string& name);
    GameObject* create(std::string&& name);
    GameObject* create(GameObject* parent);
    GameObject* create(const std::string& name, GameObject* parent);
    GameObject* create(std::string&& name, GameObject* parent);

    // Lookups scan every slot in page and slot order.
    GameObject* find(const std::string& name) const;
    GameObject* findUniqueID(unsigned id) const;
    std::list<GameObject*> getAllObjects() const;

    ObjectList& getRootObjectList() noexcept { return rootObjects_; }
    void addGameObjectToRoot(GameObject* object);
    // The last root moves into its place. Each root remembers where it is, so this takes
    // constant time (emptying a stage of many roots would otherwise be quadratic); an object
    // listed twice loses the entry it was last given.
    void removeGameObjectFromRoot(GameObject* object);

    // Immediate destruction. The object's children are left parentless, outside the root
    // list, and queued: the next update destroys them. Null and objects that are not live
    // are ignored.
    void destroy(GameObject* object);
    // The first live object of that name only.
    void destroy(const std::string& name);
    // Also destroys the objects that scripts make while the others go (a Deinit spawning an
    // explosion), in further passes over the pages; at most DestroyAllPasses of them, so that
    // a Deinit that always makes another object cannot hold the caller.
    void destroyAllObjects();
    static constexpr int DestroyAllPasses = 8;

    // Deferred to the next update. An entry whose slot holds another object by then (the
    // object was destroyed at once and its slot reused) is skipped.
    void destroyNextFrame(GameObject* object);
    // Queues every live object of that name.
    void destroyNextFrameName(const std::string& name);
    // Destroys what is queued. What is queued while the first list is processed (children of
    // destroyed objects, requests from destructors) is destroyed by the same update; what is
    // queued after that waits for the next.
    static void update();

    static bool isGameObjectInUse(const GameObject* object) noexcept
    {
        return object && (object->poolFlags_ & GameObject::LiveFlag) != 0;
    }
    static bool isGameObject(const GameObject* object) noexcept
    {
        return object && (object->poolFlags_ & GameObject::InPagesFlag) != 0;
    }

    void doMemoryDump(std::ostream& out) const;
    void doMemoryDumpForScript() const;
    // Pages × 100 × the size of a game object.
    unsigned getTotalMemoryAllocationCount() const noexcept
    {
        return static_cast<unsigned>(pages_.size() * ObjectsPerPage * sizeof(GameObject));
    }
    void doHiearchyDump(std::ostream& out) const;
    void doHiearchyDumpForScript() const;

    // Live objects; objects created and destroyed since start; the most live at once.
    unsigned getObjectCount() const noexcept { return objectCount_; }
    unsigned getAllocationCount() const noexcept { return allocationCount_; }
    unsigned getFreeCount() const noexcept { return freeCount_; }
    unsigned getMaxObjects() const noexcept { return maxObjects_; }
    std::size_t getPageCount() const noexcept { return pages_.size(); }

private:
    // An object queued for destruction, with the id it had then.
    using DestroyEntry = std::pair<GameObject*, std::uint32_t>;
    using DestroyList = std::vector<DestroyEntry, OrvaAllocator<DestroyEntry>>;

    static bool isLive(const GameObject* object) noexcept
    {
        constexpr std::uint32_t both = GameObject::LiveFlag | GameObject::InPagesFlag;
        return object && (object->poolFlags_ & both) == both;
    }

    void addPage();
    template <class... NameArgument> GameObject* construct(GameObject* parent, NameArgument&&... name);
    // Gives back the components, leaves the parent or the root list, queues the children,
    // and leaves a free slot behind. Counts nothing.
    void destroyContents(GameObject& object);
    // Orphans the object and queues it and all its descendants.
    void queueForDestruction(GameObject* object);
    void queue(GameObject* object);
    void processDestroyList(DestroyList& list);
    // Calls visit on each live object in page and slot order until it returns true; returns
    // that object, or null.
    template <class Visit> GameObject* visitLive(Visit&& visit) const;

    unsigned objectCount_ = 0;
    unsigned allocationCount_ = 0;
    unsigned freeCount_ = 0;
    unsigned maxObjects_ = 0;
    ObjectList freeSlots_;
    std::vector<void*, OrvaAllocator<void*>> rawPages_;
    ObjectList pages_;
    DestroyList destroyListA_;
    DestroyList destroyListB_;
    bool updating_ = false;
    ObjectList rootObjects_;
};

} // namespace Orva
