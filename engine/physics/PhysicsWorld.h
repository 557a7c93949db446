#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/FunctionHolder.h"
#include "core/ListenerList.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/Singleton.h"
#include "physics/BaseCollider.h"
#include "physics/BroadPhase.h"
#include "physics/CollisionEvent.h"

namespace Orva {
class ListenerFailures;
class LuaScriptComponent;
} // namespace Orva

namespace Orva::Physics {

class RigidBody;

// The physics step: every pair of live colliders is tested once a fixed step, contacts raise
// enter, persist and exit events for colliders that script listeners follow, contacts are
// resolved, bodies are integrated, and the events go to the listeners. 32 named collision
// groups and a table of which groups detect which filter the pairs. The world does not own
// colliders or bodies (their pools do); it owns the listeners, the events and, within a
// step, the manifolds.
class ORVA_API PhysicsWorld final : public IEventSender, public Singleton<PhysicsWorld>
{
public:
    ORVA_POOLED_OPERATORS(PhysicsWorld)

    static constexpr int MaxGroups = 32;
    using ColliderList = std::vector<BaseCollider*, OrvaAllocator<BaseCollider*>>;
    using RigidBodyList = std::vector<RigidBody*, OrvaAllocator<RigidBody*>>;
    using EventList = std::vector<CollisionEvent, OrvaAllocator<CollisionEvent>>;
    using ManifoldList = std::vector<CollisionManifold*, OrvaAllocator<CollisionManifold*>>;
    using FlagField = bool[MaxGroups][MaxGroups];

    // A script listener: the collider whose contacts it hears (its serial tells it from a
    // later collider in the same pool slot), the listening component's record and the
    // callable.
    struct CollisionFunctionHolder
    {
        BaseCollider* collider = nullptr;
        std::uint64_t colliderSerial = 0;
        EventCallbackObject* owner = nullptr;
        FunctionHolder callback;
    };
    // What a removal may take among the owner's listeners of a kind: any (serial 0), or only
    // those of one collider.
    struct ListenerFilter
    {
        std::uint64_t colliderSerial = 0;

        bool operator()(const CollisionFunctionHolder& listener) const noexcept
        {
            return colliderSerial == 0 || listener.colliderSerial == colliderSerial;
        }
        std::optional<std::uint64_t> tag() const noexcept
        {
            return colliderSerial == 0 ? std::nullopt : std::optional(colliderSerial);
        }
    };
    // Listeners are found by their collider, so that an event or a gone collider costs only
    // the collider's listeners.
    struct ColliderOf
    {
        std::uint64_t operator()(const CollisionFunctionHolder& listener) const noexcept
        {
            return listener.colliderSerial;
        }
    };
    using Listeners =
        ListenerList<CollisionEvent::CollisionEventType, CollisionFunctionHolder, ListenerFilter, ColliderOf>;

    // Every group slot named "CollisionGroup " and its number, every pair detecting, none in
    // use.
    PhysicsWorld();
    ~PhysicsWorld();

    PhysicsWorld(const PhysicsWorld&) = delete;
    PhysicsWorld& operator=(const PhysicsWorld&) = delete;

    // One step of dt seconds: pair tests, resolution, integration, then the listeners. A
    // listener's error leaves after every event is delivered (the first error; later ones go
    // to stderr).
    void update(float dt);

    // Colliders and bodies join at init (once) and leave in their destructors, in constant
    // time: the last entry takes the place of the one leaving.
    const ColliderList& getListOfCollider() const noexcept { return colliders_; }
    const RigidBodyList& getListOfRigidBody() const noexcept { return rigidBodies_; }
    void addCollider(BaseCollider* collider);
    void addRigidBody(RigidBody* body);
    // A collider leaving also leaves every contact list and loses its listeners, with no exit
    // event: a collider made later in its slot starts afresh. Events of this step naming it
    // are not delivered.
    void removeCollider(BaseCollider* collider);
    void removeRigidBody(RigidBody* body);

    // Collision groups: slots 0 .. count-1 are in use; every slot keeps a name and its flags.
    int getCollisionGroupCount() const noexcept { return count_; }
    // The first of all 32 slots, in use or not, with that name; -1 when none.
    int getCollisionGroupIndex(const std::string& name) const;
    // Names the next free slot; nothing once all 32 are in use.
    void addCollisionGroup(const std::string& name);
    // Any of the 32 slots, in use or not; other indices change nothing.
    void setCollisionGroupName(int index, const std::string& name);
    // Sets both directions of the pair; indices outside 0..31 change nothing.
    void setCollisionGroupFlag(int a, int b, bool detect) noexcept;
    // Both names looked up; an unknown one changes nothing.
    void setCollisionGroupFlag(const std::string& a, const std::string& b, bool detect);
    // Moves the later slots' rows, columns and names down by one; colliders keep their
    // indices. An index not in use changes nothing.
    void removeCollisionGroup(int index);
    // Renames the groups in use "CollisionGroup<i>", clears their pair flags off the diagonal
    // and leaves no group in use.
    void resetAllCollisionGroups();
    const std::string* getCollisionGroupNames() const noexcept { return names_; }
    FlagField& getCollisionFlagField() noexcept { return flags_; }

    // With the broad phase on (the default) only the pairs whose bounds overlap and those
    // holding each other as contacts are visited, at a cost that grows with them rather than
    // with every pair; they are still taken in list order, so events and results are the
    // same either way. Off, every pair is tested.
    void setBroadPhase(bool on) noexcept { broadPhase_ = on; }

    // Script listeners: from the next dispatch on, the named function of the component's
    // class hears the collider's enter, persist or exit events (only the first added of the
    // collider's listeners of the kind still there is called). The collider starts keeping
    // its contacts. Null arguments are refused (std::invalid_argument naming the function).
    void listenToCollisionEnter(LuaScriptComponent* component, const std::string& functionName,
                                BaseCollider* collider);
    void listenToCollisionPersist(LuaScriptComponent* component, const std::string& functionName,
                                  BaseCollider* collider);
    void listenToCollisionExit(LuaScriptComponent* component, const std::string& functionName,
                               BaseCollider* collider);
    // The component's first listener of the kind goes at the next dispatch, whichever
    // collider it hears; the collider argument is not used.
    void stopListeningToEnter(LuaScriptComponent* component, BaseCollider* collider);
    void stopListeningToPersist(LuaScriptComponent* component, BaseCollider* collider);
    void stopListeningToExit(LuaScriptComponent* component, BaseCollider* collider);
    // Drops every listener, live or pending, and every pending removal; never from a
    // listener.
    void clearCollisionEvents();

    void stopListening(EventCallbackObject* owner, std::uint32_t code) override;
    void ownerDestroyed(const EventCallbackObject* owner) override;

private:
    // What the pair loop reads of each collider, side by side: its group (-1 when it takes
    // no part) and its bounds.
    struct PairingEntry
    {
        BaseCollider::Bounds bounds;
        int group;
        bool tracksContacts;
    };
    using PairingList = std::vector<PairingEntry, OrvaAllocator<PairingEntry>>;

    template <class Item, class List> static bool isListed(const List& list, const Item* item) noexcept;
    template <class Item, class List> static void join(List& list, Item* item);
    template <class Item, class List> static void leave(List& list, Item* item) noexcept;
    static void forgetContacts(BaseCollider& collider) noexcept;
    static constexpr std::uint32_t NoContact = UINT32_MAX;
    // Where self's contact list holds other; NoContact when it does not.
    static std::uint32_t contactSlot(const BaseCollider& self, const BaseCollider& other) noexcept;
    static void link(BaseCollider& self, BaseCollider& other);
    static void unlink(BaseCollider& self, std::uint32_t slot) noexcept;
    template <BaseCollider::ContactList BaseCollider::*List, BaseCollider::Slots BaseCollider::*Own,
              BaseCollider::Slots BaseCollider::*Partner>
    static void dropEntry(BaseCollider& collider, std::uint32_t slot) noexcept;
    static void reportNotFinite(BaseCollider& collider);
    void gatherPairing();
    void findCandidates();
    void testPairs();
    void testCandidate(std::uint32_t i, std::uint32_t j, bool near);
    void testPair(BaseCollider& a, BaseCollider& b);
    void noteContact(BaseCollider& self, BaseCollider& other, const Math::Vector2D<float>& normal);
    void noteSeparation(BaseCollider& self, BaseCollider& other);
    void resolveContacts();
    void integrateBodies(float dt);
    void raise(BaseCollider& self, BaseCollider& other, CollisionEvent::CollisionEventType type,
               const Math::Vector2D<float>& normal);
    void dispatchEvents();
    void deliver(CollisionEvent& event, ListenerFailures& failures);
    // Sets the script global "collisionEvent" to a copy of the event (scripting/PhysicsScript.cpp).
    static void publishToScripts(const CollisionEvent& event);
    // Brings the listener changes made since the last call into effect, then drops the
    // listeners of the colliders gone meanwhile.
    void settleListeners();
    void listen(CollisionEvent::CollisionEventType type, LuaScriptComponent* component,
                const std::string& functionName, BaseCollider* collider, const char* operation);
    void stopListeningTo(CollisionEvent::CollisionEventType type, LuaScriptComponent* component,
                         const char* operation);
    std::uint32_t codeOf(CollisionEvent::CollisionEventType type) const noexcept;

    Listeners listeners_;
    // Serials of colliders with listeners destroyed during the current dispatch.
    std::vector<std::uint64_t, OrvaAllocator<std::uint64_t>> goneColliders_;
    // Every collider destroyed during the current dispatch: the events naming it stay
    // undelivered.
    std::unordered_set<const BaseCollider*, std::hash<const BaseCollider*>, std::equal_to<>,
                       OrvaAllocator<const BaseCollider*>>
        goneInDispatch_;
    bool dispatching_ = false;

    ColliderList colliders_;
    RigidBodyList rigidBodies_;
    EventList events_;
    ManifoldList manifolds_;
    PairingList pairing_;
    BroadPhase nearby_;
    BroadPhase::PairList candidates_;
    bool broadPhase_ = true;
    bool flags_[MaxGroups][MaxGroups] = {};
    std::string names_[MaxGroups];
    int count_ = 0;
    std::uint32_t enterHash_;
    std::uint32_t exitHash_;
    std::uint32_t persistHash_;
};

} // namespace Orva::Physics
