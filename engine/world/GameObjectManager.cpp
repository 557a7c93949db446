#include "world/GameObjectManager.h"

#include <algorithm>
#include <iostream>
#include <new>

#include "core/SwapRemove.h"
#include "world/DataAnalyticManager.h"
#include "world/HeapPage.h"

namespace Orva {

namespace {

constexpr std::size_t DestroyListCapacity = 50;
constexpr std::size_t RootListCapacity = 500;

// Analytics counts the objects of each stage once it exists.
Analytic::DataAnalyticManager* analytics()
{
    return Analytic::DataAnalyticManager::hasInstance() ? &Analytic::DataAnalyticManager::getInstance()
                                                        : nullptr;
}

} // namespace

GameObjectManager::GameObjectManager()
{
    GameObject::objectCounter_ = 0;
    destroyListA_.reserve(DestroyListCapacity);
    destroyListB_.reserve(DestroyListCapacity);
    rootObjects_.reserve(RootListCapacity);
    addPage();
}

GameObjectManager::~GameObjectManager()
{
    visitLive([this](GameObject* object) {
        destroyContents(*object);
        return false;
    });
    // The pages go: handles scripts still hold must not read them.
    ++GameObject::pageGeneration_;
    for (GameObject* page : pages_) {
        for (unsigned i = 0; i < ObjectsPerPage; ++i) {
            page[i].~GameObject();
        }
    }
    for (void* block : rawPages_) {
        detail::releaseHeapPage(block);
    }
}

// Every slot of a page holds an object at all times: a free slot holds a placeholder with
// only the in-pages flag, so the flags of a free slot are always an object's to read.
void GameObjectManager::addPage()
{
    freeSlots_.reserve((pages_.size() + 1) * ObjectsPerPage);
    const detail::HeapPage<GameObject> page = detail::allocateHeapPage<GameObject>(ObjectsPerPage);
    try {
        rawPages_.push_back(page.block);
        pages_.push_back(page.first);
    } catch (...) {
        if (rawPages_.size() > pages_.size()) {
            rawPages_.pop_back();
        }
        detail::releaseHeapPage(page.block);
        throw;
    }
    for (unsigned i = 0; i < ObjectsPerPage; ++i) {
        ::new (static_cast<void*>(page.first + i)) GameObject(GameObject::FreeSlotTag{});
    }
    for (unsigned i = ObjectsPerPage; i-- > 0;) {
        freeSlots_.push_back(page.first + i);
    }
}

template <class... NameArgument>
GameObject* GameObjectManager::construct(GameObject* parent, NameArgument&&... name)
{
    if (freeSlots_.empty()) {
        addPage();
    }
    // Room in the root list first, so that nothing can fail once the object exists.
    rootObjects_.push_back(nullptr);
    GameObject* const slot = freeSlots_.back();
    slot->~GameObject();
    GameObject* object = nullptr;
    try {
        object = ::new (static_cast<void*>(slot)) GameObject(std::forward<NameArgument>(name)...);
    } catch (...) {
        ::new (static_cast<void*>(slot)) GameObject(GameObject::FreeSlotTag{});
        rootObjects_.pop_back();
        throw;
    }
    freeSlots_.pop_back();
    object->poolFlags_ = GameObject::LiveFlag | GameObject::InPagesFlag;
    if (++GameObject::lastHandleSerial_ == 0) {
        ++GameObject::lastHandleSerial_;
    }
    object->handleSerial_ = GameObject::lastHandleSerial_;
    rootObjects_.back() = object;
    object->rootIndex_ = rootObjects_.size() - 1;
    ++objectCount_;
    ++allocationCount_;
    maxObjects_ = std::max(maxObjects_, objectCount_);
    if (auto* tracker = analytics()) {
        tracker->objectCreated();
    }
    if (parent) {
        object->setParent(parent);
    }
    return object;
}

GameObject* GameObjectManager::create()
{
    return construct(nullptr);
}

GameObject* GameObjectManager::create(const std::string& name)
{
    return construct(nullptr, name);
}

GameObject* GameObjectManager::create(std::string&& name)
{
    return construct(nullptr, std::move(name));
}

GameObject* GameObjectManager::create(GameObject* parent)
{
    return construct(parent);
}

GameObject* GameObjectManager::create(const std::string& name, GameObject* parent)
{
    return construct(parent, name);
}

GameObject* GameObjectManager::create(std::string&& name, GameObject* parent)
{
    return construct(parent, std::move(name));
}

void GameObjectManager::addGameObjectToRoot(GameObject* object)
{
    rootObjects_.push_back(object);
    if (object) {
        object->rootIndex_ = rootObjects_.size() - 1;
    }
}

void GameObjectManager::removeGameObjectFromRoot(GameObject* object)
{
    std::size_t index = object ? object->rootIndex_ : rootObjects_.size();
    // The list is open to callers: when it was changed behind the manager's back, search it.
    if (index >= rootObjects_.size() || rootObjects_[index] != object) {
        const auto found = std::find(rootObjects_.begin(), rootObjects_.end(), object);
        if (found == rootObjects_.end()) {
            return;
        }
        index = static_cast<std::size_t>(found - rootObjects_.begin());
    }
    swapRemoveAt(rootObjects_, rootObjects_.begin() + static_cast<std::ptrdiff_t>(index));
    if (index < rootObjects_.size() && rootObjects_[index]) {
        rootObjects_[index]->rootIndex_ = index;
    }
}

template <class Visit> GameObject* GameObjectManager::visitLive(Visit&& visit) const
{
    // By index: a visit may destroy objects, and a destructor may create some.
    for (std::size_t p = 0; p < pages_.size(); ++p) {
        GameObject* page = pages_[p];
        for (unsigned i = 0; i < ObjectsPerPage; ++i) {
            if (isLive(page + i) && visit(page + i)) {
                return page + i;
            }
        }
    }
    return nullptr;
}

GameObject* GameObjectManager::find(const std::string& name) const
{
    return visitLive([&name](const GameObject* object) { return object->name == name; });
}

GameObject* GameObjectManager::findUniqueID(unsigned id) const
{
    return visitLive([id](const GameObject* object) { return object->objectID == id; });
}

std::list<GameObject*> GameObjectManager::getAllObjects() const
{
    std::list<GameObject*> objects;
    visitLive([&objects](GameObject* object) {
        objects.push_back(object);
        return false;
    });
    return objects;
}

void GameObjectManager::destroyContents(GameObject& object)
{
    // Not live from here on: a component destructor that destroys this object again is
    // ignored.
    object.poolFlags_ = GameObject::InPagesFlag;
    object.releaseComponents();
    if (object.parent_) {
        swapRemove(object.parent_->children_, &object);
    } else {
        removeGameObjectFromRoot(&object);
    }
    for (GameObject* child : object.children_) {
        queueForDestruction(child);
    }
    object.~GameObject();
    ::new (static_cast<void*>(&object)) GameObject(GameObject::FreeSlotTag{});
}

void GameObjectManager::queue(GameObject* object)
{
    (updating_ ? destroyListB_ : destroyListA_).emplace_back(object, object->objectID);
}

void GameObjectManager::queueForDestruction(GameObject* object)
{
    object->parent_ = nullptr;
    queue(object);
    for (GameObject* child : object->children_) {
        queueForDestruction(child);
    }
    object->children_.clear();
}

void GameObjectManager::destroy(GameObject* object)
{
    if (!isLive(object)) {
        return;
    }
    destroyContents(*object);
    // Cannot fail: addPage reserved room for every slot.
    freeSlots_.push_back(object);
    ++freeCount_;
    --objectCount_;
    if (auto* tracker = analytics()) {
        tracker->objectDestroyed();
    }
}

void GameObjectManager::destroy(const std::string& name)
{
    destroy(find(name));
}

void GameObjectManager::destroyAllObjects()
{
    for (int pass = 0; pass < DestroyAllPasses && objectCount_ > 0; ++pass) {
        visitLive([this](GameObject* object) {
            destroy(object);
            return false;
        });
    }
    destroyListA_.clear();
}

void GameObjectManager::destroyNextFrame(GameObject* object)
{
    if (object) {
        queue(object);
    }
}

void GameObjectManager::destroyNextFrameName(const std::string& name)
{
    visitLive([this, &name](GameObject* object) {
        if (object->name == name) {
            queue(object);
        }
        return false;
    });
}

void GameObjectManager::processDestroyList(DestroyList& list)
{
    const std::size_t count = list.size();
    for (std::size_t i = 0; i < count; ++i) {
        const auto [object, id] = list[i];
        if (isLive(object) && object->objectID == id) {
            destroy(object);
        }
    }
    list.clear();
}

void GameObjectManager::update()
{
    GameObjectManager& manager = getInstance();
    manager.updating_ = true;
    manager.processDestroyList(manager.destroyListA_);
    manager.updating_ = false;
    manager.processDestroyList(manager.destroyListB_);
}

void GameObjectManager::doMemoryDump(std::ostream& out) const
{
    out << "=============================\n"
        << "Game Object Manager Statistics and Memory Dump\n"
        << "Object Count: " << objectCount_ << "\n"
        << "Allocation Count: " << allocationCount_ << "\n"
        << "Free Count: " << freeCount_ << "\n"
        << "Maximum Object at any time: " << maxObjects_ << "\n"
        << "Total memory: " << getTotalMemoryAllocationCount() << "\n"
        << "======== End of Report ======\n";
}

void GameObjectManager::doMemoryDumpForScript() const
{
    doMemoryDump(std::cout);
}

void GameObjectManager::doHiearchyDump(std::ostream& out) const
{
    out << "=============================\n"
        << "Game Object Manager Hiearchy Dump\n";
    for (const GameObject* root : rootObjects_) {
        root->doHiearchyDump(out, 1);
    }
    out << "======== End of Report ======\n";
}

void GameObjectManager::doHiearchyDumpForScript() const
{
    doHiearchyDump(std::cout);
}

} // namespace Orva
