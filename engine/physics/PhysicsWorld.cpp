#include "physics/PhysicsWorld.h"

#include <algorithm>
#include <array>
#include <exception>
#include <stdexcept>
#include <iterator>
#include <memory>

#include "physics/BaseCollider.h"
#include "physics/RigidBody.h"
#include "world/LuaScriptComponent.h"

namespace Orva::Physics {

namespace {

// Drops the first occurrence by moving the last entry into its place.
template <class List, class Item> void removeUnordered(List& list, Item* item)
{
    const auto found = std::find(list.begin(), list.end(), item);
    if (found != list.end()) {
        *found = list.back();
        list.pop_back();
    }
}

bool isGroupIndex(int index) noexcept
{
    return index >= 0 && index < PhysicsWorld::MaxGroups;
}

} // namespace

PhysicsWorld::PhysicsWorld()
    : enterHash_(EventNameDetails::EventToHash("COLLISION_ENTER")),
      exitHash_(EventNameDetails::EventToHash("COLLISION_EXIT")),
      persistHash_(EventNameDetails::EventToHash("COLLISION_PERSIST"))
{
    for (int index = 0; index < MaxGroups; ++index) {
        names_[index] = "CollisionGroup " + std::to_string(index);
        std::fill(std::begin(flags_[index]), std::end(flags_[index]), true);
    }
}

PhysicsWorld::~PhysicsWorld()
{
    for (CollisionManifold* manifold : manifolds_) {
        delete manifold;
    }
}

// Registration ----------------------------------------------------------------------------

void PhysicsWorld::addCollider(BaseCollider* collider)
{
    colliders_.push_back(collider);
}

void PhysicsWorld::addRigidBody(RigidBody* body)
{
    rigidBodies_.push_back(body);
}

void PhysicsWorld::removeCollider(BaseCollider* collider)
{
    removeUnordered(colliders_, collider);
    for (BaseCollider* other : colliders_) {
        if (other->tracksContacts()) {
            removeUnordered(other->getContacts(), collider);
        }
    }
    for (CollisionEvent& event : events_) {
        if (event.thisCollider == collider || event.otherCollider == collider) {
            event.thisCollider = nullptr;
        }
    }
}

void PhysicsWorld::removeRigidBody(RigidBody* body)
{
    removeUnordered(rigidBodies_, body);
}

// Groups ----------------------------------------------------------------------------------

int PhysicsWorld::getCollisionGroupIndex(const std::string& name) const
{
    for (int index = 0; index < MaxGroups; ++index) {
        if (names_[index] == name) {
            return index;
        }
    }
    return -1;
}

void PhysicsWorld::addCollisionGroup(const std::string& name)
{
    if (count_ < MaxGroups) {
        names_[count_++] = name;
    }
}

void PhysicsWorld::setCollisionGroupName(int index, const std::string& name)
{
    if (isGroupIndex(index)) {
        names_[index] = name;
    }
}

void PhysicsWorld::setCollisionGroupFlag(int a, int b, bool detect) noexcept
{
    if (isGroupIndex(a) && isGroupIndex(b)) {
        flags_[a][b] = detect;
        flags_[b][a] = detect;
    }
}

void PhysicsWorld::setCollisionGroupFlag(const std::string& a, const std::string& b, bool detect)
{
    const int first = getCollisionGroupIndex(a);
    const int second = getCollisionGroupIndex(b);
    if (first >= 0 && second >= 0) {
        setCollisionGroupFlag(first, second, detect);
    }
}

// With all 32 in use the last slot keeps its own row, column and name; otherwise it takes
// those of the first unused slot.
void PhysicsWorld::removeCollisionGroup(int index)
{
    if (index < 0 || index >= count_) {
        return;
    }
    for (int k = index; k < count_ && k + 1 < MaxGroups; ++k) {
        std::copy(std::begin(flags_[k + 1]), std::end(flags_[k + 1]), std::begin(flags_[k]));
        for (auto& row : flags_) {
            row[k] = row[k + 1];
        }
        names_[k] = names_[k + 1];
    }
    --count_;
}

void PhysicsWorld::resetAllCollisionGroups()
{
    for (int i = 0; i < count_; ++i) {
        names_[i] = "CollisionGroup" + std::to_string(i);
        for (int j = 0; j < i; ++j) {
            flags_[i][j] = false;
            flags_[j][i] = false;
        }
    }
    count_ = 0;
}

// The step --------------------------------------------------------------------------------

void PhysicsWorld::update(float dt)
{
    testPairs();
    resolveContacts();
    integrateBodies(dt);
    dispatchEvents();
}

// An inactive collider, one in no group and one its pool has not placed yet take no part.
void PhysicsWorld::gatherPairing()
{
    pairing_.clear();
    pairing_.reserve(colliders_.size());
    for (const BaseCollider* collider : colliders_) {
        const int group = collider->getCollisionGroupIndex();
        const bool takesPart = collider->active && isGroupIndex(group) && collider->hasSteppedGeometry();
        pairing_.push_back({collider->getBounds(), takesPart ? group : -1, collider->tracksContacts()});
    }
}

void PhysicsWorld::testPairs()
{
    gatherPairing();
    const std::size_t count = colliders_.size();
    for (std::size_t i = 0; i < count; ++i) {
        const PairingEntry& a = pairing_[i];
        if (a.group < 0) {
            continue;
        }
        const bool* detects = flags_[a.group];
        for (std::size_t j = i + 1; j < count; ++j) {
            const PairingEntry& b = pairing_[j];
            const bool near = !broadPhase_ || a.bounds.overlaps(b.bounds);
            // Apart and followed by no listener: the pair can neither touch nor end a contact.
            if (!near && !a.tracksContacts && !b.tracksContacts) {
                continue;
            }
            // A skipped pair raises nothing and keeps its contact lists.
            if (b.group < 0 || !detects[b.group]) {
                continue;
            }
            if (near) {
                testPair(*colliders_[i], *colliders_[j]);
            } else {
                // Apart, so the pair test would find nothing: a contact ends.
                noteSeparation(*colliders_[i], *colliders_[j]);
                noteSeparation(*colliders_[j], *colliders_[i]);
            }
        }
    }
}

void PhysicsWorld::testPair(BaseCollider& a, BaseCollider& b)
{
    std::unique_ptr<CollisionManifold> manifold(a.testCollision(&b));
    if (!manifold) {
        noteSeparation(a, b);
        noteSeparation(b, a);
        return;
    }
    noteContact(*manifold->first, *manifold->second, manifold->normal);
    noteContact(*manifold->second, *manifold->first, manifold->normal);
    // Ghosts raise events but are never resolved.
    if (!a.isGhost && !b.isGhost) {
        manifolds_.push_back(manifold.get());
        manifold.release();
    }
}

void PhysicsWorld::noteContact(BaseCollider& self, BaseCollider& other, const Math::Vector2D<float>& normal)
{
    if (!self.tracksContacts()) {
        return;
    }
    BaseCollider::ContactList& contacts = self.getContacts();
    if (std::find(contacts.begin(), contacts.end(), &other) != contacts.end()) {
        raise(self, other, CollisionEvent::Persist, normal);
    } else {
        raise(self, other, CollisionEvent::Enter, normal);
        contacts.push_back(&other);
    }
}

void PhysicsWorld::noteSeparation(BaseCollider& self, BaseCollider& other)
{
    if (!self.tracksContacts()) {
        return;
    }
    BaseCollider::ContactList& contacts = self.getContacts();
    if (std::find(contacts.begin(), contacts.end(), &other) != contacts.end()) {
        raise(self, other, CollisionEvent::Exit, {0.0f, 0.0f});
        removeUnordered(contacts, &other);
    }
}

void PhysicsWorld::raise(BaseCollider& self, BaseCollider& other, CollisionEvent::CollisionEventType type,
                         const Math::Vector2D<float>& normal)
{
    const std::uint32_t code = type == CollisionEvent::Enter ? enterHash_
                               : type == CollisionEvent::Exit ? exitHash_
                                                              : persistHash_;
    events_.emplace_back(&self, &other, type, normal, code);
}

void PhysicsWorld::resolveContacts()
{
    for (CollisionManifold*& manifold : manifolds_) {
        manifold->first->resolveCollision(manifold->second, manifold);
        delete manifold;
        manifold = nullptr;
    }
    manifolds_.clear();
}

void PhysicsWorld::integrateBodies(float dt)
{
    for (RigidBody* body : rigidBodies_) {
        if (body->active) {
            body->integrate(dt);
        }
    }
}

} // namespace Orva::Physics
// Listeners (provisional storage until the shared listener list lands) ---------------------

namespace Orva::Physics {

namespace {

template <class T> T* require(T* value, const char* operation, const char* what)
{
    if (!value) {
        throw std::invalid_argument(std::string(operation) + ": no " + what);
    }
    return value;
}

} // namespace

void PhysicsWorld::listen(CollisionEvent::CollisionEventType type, LuaScriptComponent* component,
                          const std::string& functionName, BaseCollider* collider, const char* operation)
{
    require(component, operation, "script component");
    require(collider, operation, "collider");
    collider->trackContacts();
    FunctionHolder holder(component, functionName.c_str());
    holder->addEventCallback(codeOf(type), this);
    pending_[type].push_back({collider, std::move(holder)});
}

void PhysicsWorld::listenToCollisionEnter(LuaScriptComponent* component, const std::string& functionName,
                                          BaseCollider* collider)
{
    listen(CollisionEvent::Enter, component, functionName, collider, "listenToCollisionEnter");
}

void PhysicsWorld::listenToCollisionPersist(LuaScriptComponent* component, const std::string& functionName,
                                            BaseCollider* collider)
{
    listen(CollisionEvent::Persist, component, functionName, collider, "listenToCollisionPersist");
}

void PhysicsWorld::listenToCollisionExit(LuaScriptComponent* component, const std::string& functionName,
                                         BaseCollider* collider)
{
    listen(CollisionEvent::Exit, component, functionName, collider, "listenToCollisionExit");
}

void PhysicsWorld::stopListeningTo(CollisionEvent::CollisionEventType type, LuaScriptComponent* component,
                                   const char* operation)
{
    EventCallbackObject& record = require(component, operation, "script component")->getEventCallbackObject();
    record.removeSubscription(codeOf(type), this);
    removals_.emplace_back(type, &record);
}

void PhysicsWorld::stopListeningToEnter(LuaScriptComponent* component, BaseCollider*)
{
    stopListeningTo(CollisionEvent::Enter, component, "stopListeningToEnter");
}

void PhysicsWorld::stopListeningToPersist(LuaScriptComponent* component, BaseCollider*)
{
    stopListeningTo(CollisionEvent::Persist, component, "stopListeningToPersist");
}

void PhysicsWorld::stopListeningToExit(LuaScriptComponent* component, BaseCollider*)
{
    stopListeningTo(CollisionEvent::Exit, component, "stopListeningToExit");
}

void PhysicsWorld::stopListening(EventCallbackObject* owner, std::uint32_t code)
{
    const auto type = code == enterHash_ ? CollisionEvent::Enter
                      : code == exitHash_ ? CollisionEvent::Exit
                                          : CollisionEvent::Persist;
    removals_.emplace_back(type, owner);
}

void PhysicsWorld::ownerDestroyed(const EventCallbackObject* owner)
{
    if (!dispatching_) {
        return;
    }
    for (auto& list : live_) {
        for (CollisionFunctionHolder& listener : list) {
            if (listener.holder->isOwnedBy(owner)) {
                listener.holder.markDead();
            }
        }
    }
}

void PhysicsWorld::clearCollisionEvents()
{
    for (auto& list : live_) {
        list.clear();
    }
    for (auto& list : pending_) {
        list.clear();
    }
    removals_.clear();
}

std::uint32_t PhysicsWorld::codeOf(CollisionEvent::CollisionEventType type) const noexcept
{
    return type == CollisionEvent::Enter ? enterHash_ : type == CollisionEvent::Exit ? exitHash_ : persistHash_;
}

void PhysicsWorld::dispatchEvents()
{
    for (const auto& [type, owner] : removals_) {
        auto removeFrom = [owner = owner](ListenerVector& list) {
            for (auto it = list.begin(); it != list.end(); ++it) {
                if (it->holder->isOwnedBy(owner)) {
                    std::swap(*it, list.back());
                    list.pop_back();
                    return true;
                }
            }
            return false;
        };
        if (!removeFrom(live_[type])) {
            removeFrom(pending_[type]);
        }
    }
    removals_.clear();
    for (std::size_t type = 0; type < live_.size(); ++type) {
        for (CollisionFunctionHolder& listener : pending_[type]) {
            live_[type].push_back(std::move(listener));
        }
        pending_[type].clear();
    }

    std::exception_ptr firstFailure;
    dispatching_ = true;
    for (std::size_t index = 0; index < events_.size(); ++index) {
        CollisionEvent event = events_[index];
        if (!event.thisCollider) {
            continue;
        }
        ListenerVector& list = live_[event.type];
        for (std::size_t k = 0; k < list.size(); ++k) {
            if (list[k].collider != event.thisCollider) {
                continue;
            }
            if (!list[k].holder.isDead()) {
                publishToScripts(event);
                try {
                    list[k].holder->call(&event);
                } catch (...) {
                    if (!firstFailure) {
                        firstFailure = std::current_exception();
                    }
                }
            }
            break;
        }
    }
    dispatching_ = false;
    events_.clear();
    if (firstFailure) {
        std::rethrow_exception(firstFailure);
    }
}

} // namespace Orva::Physics
