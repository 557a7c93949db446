#pragma once

#include "physics/CollisionEvent.h"

namespace Orva::Physics {

class AABBCollider;
class BoxCollider;
class CircleCollider;

// The pair tests and responses behind the colliders' two-level dispatch. Each test returns
// null or a pooled manifold whose first collider is its first argument; a test that cannot
// get a manifold reports no contact. A normal that would have no length is (0, 1).
namespace Contacts {

CollisionManifold* circleCircle(CircleCollider& first, CircleCollider& second);
CollisionManifold* aabbAabb(AABBCollider& first, AABBCollider& second);
CollisionManifold* aabbCircle(AABBCollider& box, CircleCollider& circle);
CollisionManifold* aabbBox(AABBCollider& aabb, BoxCollider& box);
CollisionManifold* boxCircle(BoxCollider& box, CircleCollider& circle);
CollisionManifold* boxBox(BoxCollider& first, BoxCollider& second);

// P is the manifold's first collider, Q its second. Pairs with a box have no response.
void respondCircleCircle(CircleCollider& p, CircleCollider& q, const CollisionManifold& manifold);
void respondCircleAABB(AABBCollider& p, CircleCollider& q, const CollisionManifold& manifold);
void respondAABBAABB(AABBCollider& p, AABBCollider& q, const CollisionManifold& manifold);

} // namespace Contacts

} // namespace Orva::Physics
