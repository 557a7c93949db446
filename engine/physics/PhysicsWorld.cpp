#include "physics/PhysicsWorld.h"

#include <algorithm>
#include <cassert>
#include <iostream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/ListenerFailures.h"
#include "core/SwapRemove.h"
#include "physics/BaseCollider.h"
#include "physics/RigidBody.h"
#include "world/GameObject.h"
#include "world/LuaScriptComponent.h"

namespace Orva::Physics {

namespace {

bool isGroupIndex(int index) noexcept
{
    return index >= 0 && index < PhysicsWorld::MaxGroups;
}

template <class T> T* require(T* value, const char* operation, const char* what)
{
    if (!value) {
        throw std::invalid_argument(std::string(operation) + ": no " + what);
    }
    return value;
}

constexpr CollisionEvent::CollisionEventType EventTypes[] = {CollisionEvent::Enter, CollisionEvent::Exit,
                                                             CollisionEvent::Persist};

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

// Colliders and bodies keep their list index, so that a list is searched neither to join
// nor to leave. An item is listed when its index leads back to it.
template <class Item, class List> bool PhysicsWorld::isListed(const List& list, const Item* item) noexcept
{
    const std::uint32_t index = item->listIndex_.value;
    return index < list.size() && list[index] == item;
}

template <class Item, class List> void PhysicsWorld::join(List& list, Item* item)
{
    if (!isListed(list, item)) {
        item->listIndex_.value = static_cast<std::uint32_t>(list.size());
        list.push_back(item);
    }
}

// The last item takes the place of the one leaving: the order a search-and-swap removal
// leaves.
template <class Item, class List> void PhysicsWorld::leave(List& list, Item* item) noexcept
{
    if (!isListed(list, item)) {
        return;
    }
    Item* last = list.back();
    list[item->listIndex_.value] = last;
    last->listIndex_.value = item->listIndex_.value;
    list.pop_back();
    item->listIndex_.value = ListIndex::None;
}

// A contact is an entry on each side, self's contacts_ holding other and other's heldBy_
// holding self, each knowing where its partner stands.
void PhysicsWorld::link(BaseCollider& self, BaseCollider& other)
{
    self.contacts_.push_back(&other);
    self.contactSlots_.push_back(static_cast<std::uint32_t>(other.heldBy_.size()));
    other.heldBy_.push_back(&self);
    other.heldBySlots_.push_back(static_cast<std::uint32_t>(self.contacts_.size() - 1));
}

// Takes one side's entry out, the list's last entry filling its place and its partner told.
template <BaseCollider::ContactList BaseCollider::*List, BaseCollider::Slots BaseCollider::*Own,
          BaseCollider::Slots BaseCollider::*Partner>
void PhysicsWorld::dropEntry(BaseCollider& collider, std::uint32_t slot) noexcept
{
    BaseCollider::ContactList& list = collider.*List;
    BaseCollider::Slots& slots = collider.*Own;
    const auto last = static_cast<std::uint32_t>(list.size() - 1);
    if (slot != last) {
        list[slot] = list[last];
        slots[slot] = slots[last];
        (list[slot]->*Partner)[slots[slot]] = slot;
    }
    list.pop_back();
    slots.pop_back();
}

void PhysicsWorld::unlink(BaseCollider& self, std::uint32_t slot) noexcept
{
    BaseCollider& other = *self.contacts_[slot];
    const std::uint32_t otherSlot = self.contactSlots_[slot];
    dropEntry<&BaseCollider::contacts_, &BaseCollider::contactSlots_, &BaseCollider::heldBySlots_>(self,
                                                                                                   slot);
    dropEntry<&BaseCollider::heldBy_, &BaseCollider::heldBySlots_, &BaseCollider::contactSlots_>(other,
                                                                                                 otherSlot);
}

// Self's contacts hold other exactly when other's holders hold self: the shorter list is
// searched, so a floor that listens to a thousand coins finds each coin in the coin's own list.
std::uint32_t PhysicsWorld::contactSlot(const BaseCollider& self, const BaseCollider& other) noexcept
{
    if (self.contacts_.size() <= other.heldBy_.size()) {
        const auto found = std::find(self.contacts_.begin(), self.contacts_.end(), &other);
        return found != self.contacts_.end() ? static_cast<std::uint32_t>(found - self.contacts_.begin())
                                             : NoContact;
    }
    const auto found = std::find(other.heldBy_.begin(), other.heldBy_.end(), &self);
    return found != other.heldBy_.end() ? other.heldBySlots_[found - other.heldBy_.begin()] : NoContact;
}

// Each side knows where it stands in the other's list: leaving costs the collider's own
// contacts, however many the colliders it touches have.
void PhysicsWorld::forgetContacts(BaseCollider& collider) noexcept
{
    for (std::size_t i = 0; i < collider.heldBy_.size(); ++i) {
        dropEntry<&BaseCollider::contacts_, &BaseCollider::contactSlots_, &BaseCollider::heldBySlots_>(
            *collider.heldBy_[i], collider.heldBySlots_[i]);
    }
    for (std::size_t i = 0; i < collider.contacts_.size(); ++i) {
        dropEntry<&BaseCollider::heldBy_, &BaseCollider::heldBySlots_, &BaseCollider::contactSlots_>(
            *collider.contacts_[i], collider.contactSlots_[i]);
    }
    collider.heldBy_.clear();
    collider.heldBySlots_.clear();
    collider.contacts_.clear();
    collider.contactSlots_.clear();
}

void PhysicsWorld::addCollider(BaseCollider* collider)
{
    join(colliders_, collider);
}

void PhysicsWorld::addRigidBody(RigidBody* body)
{
    join(rigidBodies_, body);
}

void PhysicsWorld::removeCollider(BaseCollider* collider)
{
    leave(colliders_, collider);
    forgetContacts(*collider);
    // Only a listener can destroy a collider while events are pending.
    if (dispatching_) {
        goneInDispatch_.insert(collider);
    }
    // Only a collider that keeps contacts has had listeners.
    if (collider->tracksContacts()) {
        goneColliders_.push_back(collider->getSerial());
        if (!dispatching_) {
            settleListeners();
        }
    }
}

void PhysicsWorld::removeRigidBody(RigidBody* body)
{
    leave(rigidBodies_, body);
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

void PhysicsWorld::reportNotFinite(BaseCollider& collider)
{
    if (!std::exchange(collider.reportedNotFinite_, true)) {
        std::cerr << "physics: the collider of \"" << (collider.owner ? collider.owner->name : std::string())
                  << "\" has a position or size that is not a finite number; it touches nothing\n";
    }
}

// An inactive collider, one in no group and one its pool has not placed yet take no part.
// An inactive box is refreshed at its next step: its pool skips it, so its transform may
// have moved unseen. A collider whose geometry is not finite takes part but touches
// nothing: its pairs only end contacts.
void PhysicsWorld::gatherPairing()
{
    pairing_.clear();
    pairing_.reserve(colliders_.size());
    nearby_.clear();
    for (BaseCollider* collider : colliders_) {
        if (!collider->active && collider->getShapeKind() == BaseCollider::Box) {
            collider->markRefreshDue();
        }
        const int group = collider->getCollisionGroupIndex();
        const bool takesPart = collider->active && isGroupIndex(group) && collider->hasSteppedGeometry();
        const auto index = static_cast<std::uint32_t>(pairing_.size());
        pairing_.push_back({collider->getBounds(), takesPart ? group : -1, collider->tracksContacts()});
        if (takesPart && collider->hasFiniteGeometry()) {
            nearby_.add(index, collider->getBounds());
        } else if (takesPart) {
            reportNotFinite(*collider);
        }
    }
}

// The pairs whose bounds overlap and those where a collider holds the other as a contact
// (only those can end one), in list order. Nothing moves a collider while its pairs are
// tested, and testing a pair changes only its own contacts, so the set found up front is
// the set the whole loop would act on.
void PhysicsWorld::findCandidates()
{
    candidates_.clear();
    nearby_.findPairs(candidates_);
    for (std::uint32_t k = 0; k < pairing_.size(); ++k) {
        if (!pairing_[k].tracksContacts) {
            continue;
        }
        // Every contact is listed: a collider leaves the contact lists as it leaves the list.
        for (const BaseCollider* contact : colliders_[k]->contacts_) {
            const std::uint32_t j = contact->listIndex_.value;
            assert(isListed(colliders_, contact) && j != k);
            candidates_.push_back(BroadPhase::key(std::min(j, k), std::max(j, k)));
        }
    }
    std::sort(candidates_.begin(), candidates_.end());
    candidates_.erase(std::unique(candidates_.begin(), candidates_.end()), candidates_.end());
}

void PhysicsWorld::testPairs()
{
    gatherPairing();
    if (!broadPhase_) {
        const auto count = static_cast<std::uint32_t>(colliders_.size());
        for (std::uint32_t i = 0; i < count; ++i) {
            for (std::uint32_t j = i + 1; j < count; ++j) {
                testCandidate(i, j, true);
            }
        }
        return;
    }
    findCandidates();
    for (const BroadPhase::PairKey pair : candidates_) {
        const std::uint32_t i = BroadPhase::lowerOf(pair);
        const std::uint32_t j = BroadPhase::higherOf(pair);
        testCandidate(i, j, pairing_[i].bounds.overlaps(pairing_[j].bounds));
    }
}

void PhysicsWorld::testCandidate(std::uint32_t i, std::uint32_t j, bool near)
{
    const PairingEntry& a = pairing_[i];
    const PairingEntry& b = pairing_[j];
    // Apart and followed by no listener: the pair can neither touch nor end a contact.
    if (a.group < 0 || (!near && !a.tracksContacts && !b.tracksContacts)) {
        return;
    }
    // A skipped pair raises nothing and keeps its contact lists.
    if (b.group < 0 || !flags_[a.group][b.group]) {
        return;
    }
    if (near) {
        testPair(*colliders_[i], *colliders_[j]);
    } else {
        // Apart, so the pair test would find nothing: a contact ends.
        noteSeparation(*colliders_[i], *colliders_[j]);
        noteSeparation(*colliders_[j], *colliders_[i]);
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
    if (contactSlot(self, other) != NoContact) {
        raise(self, other, CollisionEvent::Persist, normal);
    } else {
        raise(self, other, CollisionEvent::Enter, normal);
        link(self, other);
    }
}

void PhysicsWorld::noteSeparation(BaseCollider& self, BaseCollider& other)
{
    if (!self.tracksContacts()) {
        return;
    }
    if (const std::uint32_t slot = contactSlot(self, other); slot != NoContact) {
        raise(self, other, CollisionEvent::Exit, {0.0f, 0.0f});
        unlink(self, slot);
    }
}

void PhysicsWorld::raise(BaseCollider& self, BaseCollider& other, CollisionEvent::CollisionEventType type,
                         const Math::Vector2D<float>& normal)
{
    events_.emplace_back(&self, &other, type, normal, codeOf(type));
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

// Listeners -----------------------------------------------------------------------------

std::uint32_t PhysicsWorld::codeOf(CollisionEvent::CollisionEventType type) const noexcept
{
    return type == CollisionEvent::Enter  ? enterHash_
           : type == CollisionEvent::Exit ? exitHash_
                                          : persistHash_;
}

void PhysicsWorld::listen(CollisionEvent::CollisionEventType type, LuaScriptComponent* component,
                          const std::string& functionName, BaseCollider* collider, const char* operation)
{
    require(component, operation, "script component");
    require(collider, operation, "collider");
    collider->trackContacts();
    FunctionHolder callback(component, functionName.c_str());
    callback->addEventCallback(codeOf(type), this);
    listeners_.add(
        type, {collider, collider->getSerial(), &component->getEventCallbackObject(), std::move(callback)});
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

// Also drops the component's record of one subscription: left behind, it would ask for one
// more removal when the component goes, and pools reuse addresses.
void PhysicsWorld::stopListeningTo(CollisionEvent::CollisionEventType type, LuaScriptComponent* component,
                                   const char* operation)
{
    EventCallbackObject& record = require(component, operation, "script component")->getEventCallbackObject();
    record.removeSubscription(codeOf(type), this);
    listeners_.remove(type, &record);
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
    const auto type = code == enterHash_  ? CollisionEvent::Enter
                      : code == exitHash_ ? CollisionEvent::Exit
                                          : CollisionEvent::Persist;
    listeners_.remove(type, owner);
}

// Marked at once, in a dispatch or not: a gone owner's listener is never called, and a
// removal takes it before a new owner's at the same address.
void PhysicsWorld::ownerDestroyed(const EventCallbackObject* owner)
{
    listeners_.ownerDestroyed(owner);
}

void PhysicsWorld::clearCollisionEvents()
{
    listeners_.clear();
    goneColliders_.clear();
}

// Merged before the removals apply, so that a removal also finds a listener that never went
// live (one withdrawn in the frame it was added).
void PhysicsWorld::settleListeners()
{
    listeners_.mergePending();
    listeners_.applyRemovals();
    if (goneColliders_.empty()) {
        return;
    }
    // Each with its record of the subscription: its owner is still there (a gone owner's
    // listeners went with the removals it asked for).
    for (const CollisionEvent::CollisionEventType type : EventTypes) {
        listeners_.forEachTagged(type, goneColliders_, [&](CollisionFunctionHolder& listener) {
            listener.owner->removeSubscription(codeOf(type), this);
            listeners_.remove(type, listener.owner, ListenerFilter{listener.colliderSerial});
        });
    }
    goneColliders_.clear();
    listeners_.applyRemovals();
}

void PhysicsWorld::dispatchEvents()
{
    settleListeners();
    ListenerFailures failures("physics");
    {
        // However the delivery ends, its events are gone and never delivered again.
        struct Cleanup
        {
            PhysicsWorld& world;
            ~Cleanup()
            {
                world.dispatching_ = false;
                world.events_.clear();
                world.goneInDispatch_.clear();
            }
        } cleanup{*this};
        dispatching_ = true;
        for (CollisionEvent& event : events_) {
            deliver(event, failures);
        }
    }
    // Listeners of colliders destroyed by listeners go now, not when a new collider in the
    // same slot could meet them.
    if (!goneColliders_.empty()) {
        settleListeners();
    }
    failures.rethrowFirst();
}

// Only the collider's first added listener of the kind is called, whoever else has left.
void PhysicsWorld::deliver(CollisionEvent& event, ListenerFailures& failures)
{
    // A listener destroyed a collider that the event names.
    if (!goneInDispatch_.empty() &&
        (goneInDispatch_.contains(event.thisCollider) || goneInDispatch_.contains(event.otherCollider))) {
        return;
    }
    if (CollisionFunctionHolder* listener =
            listeners_.firstTagged(event.type, event.thisCollider->getSerial())) {
        failures.run([&] {
            publishToScripts(event);
            listener->callback->call(&event);
        });
    }
}

} // namespace Orva::Physics
