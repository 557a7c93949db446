#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/OrvaAllocator.h"
#include "core/Reflectable.h"
#include "core/SwapRemove.h"
#include "core/Vector.h"
#include "physics/CollisionEvent.h"
#include "world/BaseComponent.h"

namespace Orva {
class TransformComponent;
}

namespace Orva::Physics {

class AABBCollider;
class BoxCollider;
class CircleCollider;
class RigidBody;

// The shape of a game object for contact detection: its collision group, the ghost flag,
// the attached body and, once a listener asks for it, the list of colliders it touches. A
// pair is tested and resolved by two virtual calls, one on each shape, which pick the pair's
// test and response. The world-space geometry is what the pool's last step computed from
// the owner's transform.
class ORVA_API BaseCollider : public BaseComponent
{
public:
    using ContactList = std::vector<BaseCollider*, OrvaAllocator<BaseCollider*>>;
    using Vector2 = Math::Vector2D<float>;

    enum ShapeKind : int { Box = 0, Circle = 1, AxisAligned = 2 };

    // A world-axis box around the shape, widened by a hair so that rounding never makes it
    // miss a contact that the pair test finds (touching shapes included).
    struct Bounds
    {
        float left = 0.0f;
        float bottom = 0.0f;
        float right = 0.0f;
        float top = 0.0f;

        bool overlaps(const Bounds& other) const noexcept
        {
            return left <= other.right && other.left <= right && bottom <= other.top && other.bottom <= top;
        }
    };

    // Leaves the world: its list, every contact list and every listener of its contacts, at a
    // cost that grows with its own contacts only. An attached body loses its collider
    // (components go in list order, the collider may go first).
    ~BaseCollider() override;
    // Listed in the world by address: never copied.
    BaseCollider(const BaseCollider&) = delete;
    BaseCollider& operator=(const BaseCollider&) = delete;

    // Runs other's test against this collider's kind: null, or a new manifold (from the
    // pools) naming the pair in the order the test fixes.
    virtual CollisionManifold* testCollision(BaseCollider* other) = 0;
    // Runs other's response to this collider's kind; this is the manifold's first collider.
    virtual void resolveCollision(BaseCollider* other, CollisionManifold* manifold) = 0;
    // Strictly inside the world-space shape.
    virtual bool checkPointIsWithin(const Vector2& point) const = 0;
    virtual const Vector2& getActualCenter() const = 0;

    virtual CollisionManifold* testAgainstAABB(AABBCollider* other) = 0;
    virtual CollisionManifold* testAgainstBox(BoxCollider* other) = 0;
    virtual CollisionManifold* testAgainstCircle(CircleCollider* other) = 0;
    // No response by default: pairs with a box are never resolved.
    virtual void respondToBox(BoxCollider* first, CollisionManifold* manifold);
    virtual void respondToCircle(CircleCollider* first, CollisionManifold* manifold);
    virtual void respondToAABB(AABBCollider* first, CollisionManifold* manifold);

    // Joins the world's collider list, once.
    void init();

    void attachRigidBody(RigidBody* body) noexcept { rigidBody_ = body; }
    RigidBody* getRigidBody() const noexcept { return rigidBody_; }
    int getCollisionGroupIndex() const noexcept { return collisionGroupIndex_; }
    void setCollisionGroupIndex(int index) noexcept { collisionGroupIndex_ = index; }
    // The world's index of the group name; -1 (never paired) when no group has it.
    void setCollisionGroup(const std::string& name);
    ShapeKind getShapeKind() const noexcept { return shapeKind_; }

    // From the first listener on, the collider keeps the list of colliders it touches (the
    // world writes it).
    void trackContacts() noexcept { tracksContacts_ = true; }
    bool tracksContacts() const noexcept { return tracksContacts_; }
    const ContactList& getContacts() const noexcept { return contacts_; }
    // The world pairs a collider only once its pool's step has computed its geometry: until
    // then it would sit at the origin (a stage places objects after reading them).
    bool hasSteppedGeometry() const noexcept { return stepped_; }
    // For a collider whose pool skips it while inactive (a box): it has not followed the
    // transform meanwhile, so its next step recomputes the geometry whatever the
    // transform's flag says.
    void markRefreshDue() noexcept { refreshDue_ = true; }
    // Around the geometry of the last refresh.
    const Bounds& getBounds() const noexcept { return bounds_; }
    // Whether every position and extent of the last refresh is a finite number: a shape
    // that is not touches nothing.
    bool hasFiniteGeometry() const noexcept { return finite_; }
    // Unique to this collider for the life of the process (from 1), where its address is
    // not: a pool hands the slot to the next collider.
    std::uint64_t getSerial() const noexcept { return serial_; }

    // Contacts raise events but are not resolved.
    bool isGhost = false;

protected:
    BaseCollider(ShapeKind kind, int typeNumber) noexcept;

    // The placement shared by both box kinds: size and offset scaled by the world scale, the
    // offset turned by the world rotation.
    struct BoxPlacement
    {
        Vector2 size;
        Vector2 half;
        Vector2 scaledOffset;
        Vector2 center;
    };
    static BoxPlacement placeBox(const TransformComponent& transform, const Vector2& size,
                                 const Vector2& offset);
    static bool moved(float value, float cached) noexcept;
    static bool moved(const Vector2& value, const Vector2& cached) noexcept;

    const TransformComponent* ownerTransform() const noexcept;
    // The pool's step: the owner's transform when the geometry is to be recomputed (the
    // first step and the first after the world saw the collider inactive always, other ones
    // when the transform was just recomputed or shapeMoved), else null. A collider whose
    // owner has no transform keeps its geometry.
    const TransformComponent* transformForStep(bool shapeMoved) noexcept;
    // "Active", "Offset", "CollisionGroup", "IsGhost".
    ReflectionMap commonReflectibles(Vector2& offset);
    // The bounds of the given points, widened.
    void setBounds(std::initializer_list<Vector2> points) noexcept;

private:
    friend class PhysicsWorld;

    ContactList contacts_;
    // The colliders whose contact lists hold this one, so that leaving them costs no search.
    ContactList heldBy_;
    // Beside each entry of contacts_, where this collider stands in that contact's heldBy_, and
    // beside each of heldBy_, where it stands in that holder's contacts_: either side ends a
    // contact without searching the other's list, however many contacts that one has.
    using Slots = std::vector<std::uint32_t, OrvaAllocator<std::uint32_t>>;
    Slots contactSlots_;
    Slots heldBySlots_;
    ListIndex listIndex_;
    // The world has reported that its geometry is not finite.
    bool reportedNotFinite_ = false;
    RigidBody* rigidBody_ = nullptr;
    bool tracksContacts_ = false;
    int collisionGroupIndex_ = 0;
    ShapeKind shapeKind_;
    bool stepped_ = false;
    bool refreshDue_ = false;
    bool finite_ = true;
    Bounds bounds_;
    std::uint64_t serial_;
};

} // namespace Orva::Physics
