#include "physics/Contacts_internal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

#include "physics/AABBCollider.h"
#include "physics/BoxCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "world/GameObject.h"
#include "world/TransformComponent.h"

namespace Orva::Physics::Contacts {

namespace {

using Vector2 = Math::Vector2D<float>;
using Vector3 = Math::Vector3D<float>;
using Corners = std::array<Vector2, 4>;

Vector2 minus(const Vector2& a, const Vector2& b) noexcept
{
    return {a.x - b.x, a.y - b.y};
}

float dot(const Vector2& a, const Vector2& b) noexcept
{
    return a.x * b.x + a.y * b.y;
}

// Whether x² + y² > r². Float squares overflow from about 1.8e19 on (shapes far out, or
// huge ones), where both sides would be infinite: there the sums are taken in double.
bool fartherThan(float x, float y, float r) noexcept
{
    const float squared = x * x + y * y;
    const float reach = r * r;
    if (std::isfinite(squared) && std::isfinite(reach)) {
        return squared > reach;
    }
    const auto dx = static_cast<double>(x);
    const auto dy = static_cast<double>(y);
    const auto dr = static_cast<double>(r);
    return dx * dx + dy * dy > dr * dr;
}

// v / length, or (0, 1) when v has no length (coincident centres, a centre on a corner).
Vector2 unit(const Vector2& v, float length) noexcept
{
    if (!(length > 0.0f)) {
        return {0.0f, 1.0f};
    }
    return {v.x / length, v.y / length};
}

Vector2 unit(const Vector2& v) noexcept
{
    return unit(v, std::sqrt(dot(v, v)));
}

// A shape whose geometry is not finite overlaps nothing, and a contact whose normal or depth
// cannot be measured (overflowed) is none: either would carry NaN into the responses.
CollisionManifold* makeManifold(BaseCollider& first, BaseCollider& second, const Vector2& normal,
                                float penetration) noexcept
{
    const float normalSq = dot(normal, normal);
    if (!first.hasFiniteGeometry() || !second.hasFiniteGeometry() || !std::isfinite(penetration) ||
        !std::isfinite(normalSq) || !(normalSq > 0.0f)) {
        return nullptr;
    }
    try {
        auto* manifold = new CollisionManifold;
        manifold->first = &first;
        manifold->second = &second;
        manifold->normal = normal;
        manifold->penetration = penetration;
        return manifold;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Whether the direction separates two convex shapes: the first's interval along it spans
// the projections of its corners a and b; it separates unless one of the other shape's
// corners projects into that interval (ends included) or they reach past both ends. Points
// are projected from an origin near both shapes, so that far from the world's origin the
// shapes' extents are not lost in the rounding of their coordinates.
bool separates(const Vector2& origin, const Vector2& direction, const Vector2& a, const Vector2& b,
               const Corners& other) noexcept
{
    const auto along = [&](const Vector2& point) { return dot(minus(point, origin), direction); };
    const float pa = along(a);
    const float pb = along(b);
    const float low = std::min(pa, pb);
    const float high = std::max(pa, pb);
    float otherLow = along(other[0]);
    float otherHigh = otherLow;
    for (const Vector2& corner : other) {
        const float projected = along(corner);
        if (projected >= low && projected <= high) {
            return false;
        }
        otherLow = std::min(otherLow, projected);
        otherHigh = std::max(otherHigh, projected);
    }
    return !(otherLow < low && otherHigh > high);
}

// The first corner (0 to 3) strictly inside the collider; -1 when none.
int firstCornerWithin(const Corners& corners, const BaseCollider& collider) noexcept
{
    for (int k = 0; k < 4; ++k) {
        if (collider.checkPointIsWithin(corners[static_cast<std::size_t>(k)])) {
            return k;
        }
    }
    return -1;
}

// Moves the owner by normal * amount through its local translation; an owner without a
// transform is not moved.
void push(const BaseCollider& collider, const Vector2& normal, float amount) noexcept
{
    TransformComponent* transform = collider.owner ? collider.owner->getTransform() : nullptr;
    if (!transform) {
        return;
    }
    Vector3& translation = transform->getLocalTranslation();
    translation.x += normal.x * amount;
    translation.y += normal.y * amount;
}

Vector2 planar(const Vector3& v) noexcept
{
    return {v.x, v.y};
}

void setPlanar(Vector3& v, const Vector2& value) noexcept
{
    v.x = value.x;
    v.y = value.y;
}

Vector2 plus(const Vector2& a, const Vector2& b) noexcept
{
    return {a.x + b.x, a.y + b.y};
}

Vector2 scaled(const Vector2& v, float s) noexcept
{
    return {v.x * s, v.y * s};
}

// The responses below are the engine's own and not physical: mass and friction play no
// part, nothing tests whether the pair approaches, and a lone body is pushed one and a half
// times the penetration.
constexpr float CircleScale = 0.01584f;
constexpr float LonePush = 1.5f;
constexpr float SharedPush = 0.5f;

// The change that mirrors the velocity about the contact, scaled by the restitution:
// e (-2 f n) with f = (v . n) / (n . n).
Vector2 bounceChange(const Vector2& velocity, const Vector2& n, float restitution) noexcept
{
    const float f = dot(velocity, n) / dot(n, n);
    return scaled(n, restitution * (-2.0f * f));
}

// A body whose partner has none: its velocity takes the bounce (the change scaled by
// changeScale) and its object is pushed 1.5 times the penetration, away from the partner
// (side +1 for the manifold's first collider, -1 for its second).
void bounceAlone(const BaseCollider& collider, RigidBody& body, const CollisionManifold& manifold, float side,
                 float changeScale) noexcept
{
    const Vector2 v = planar(body.velocity);
    setPlanar(body.velocity,
              plus(v, scaled(bounceChange(v, manifold.normal, body.restitution), changeScale)));
    push(collider, manifold.normal, side * manifold.penetration * LonePush);
}

// Both bodies: the impulse j = ((vQ - vP) . n)(e + 1) takes P along the normal and Q against
// it, both velocities are then scaled, and each object is pushed half the penetration.
void exchange(const BaseCollider& p, RigidBody& bodyP, const BaseCollider& q, RigidBody& bodyQ,
              const CollisionManifold& manifold, float restitution, float scale) noexcept
{
    const Vector2& n = manifold.normal;
    const Vector2 vp = planar(bodyP.velocity);
    const Vector2 vq = planar(bodyQ.velocity);
    const float j = dot(minus(vq, vp), n) * (restitution + 1.0f);
    setPlanar(bodyQ.velocity, scaled(minus(vq, scaled(n, j)), scale));
    setPlanar(bodyP.velocity, scaled(plus(vp, scaled(n, j)), scale));
    push(q, n, -manifold.penetration * SharedPush);
    push(p, n, manifold.penetration * SharedPush);
}

} // namespace

CollisionManifold* circleCircle(CircleCollider& first, CircleCollider& second)
{
    const Vector2 d = minus(first.getActualCenter(), second.getActualCenter());
    const float reach = first.getActualRadius() + second.getActualRadius();
    const float distanceSq = dot(d, d);
    // Touching is no contact.
    if (!(reach * reach > distanceSq)) {
        return nullptr;
    }
    const float distance = std::sqrt(distanceSq);
    return makeManifold(first, second, unit(d, distance), reach - distance);
}

CollisionManifold* aabbAabb(AABBCollider& first, AABBCollider& second)
{
    const Vector2& cf = first.getActualBoxCenter();
    const Vector2& hf = first.getActualBoxHalfExtend();
    const Vector2& cs = second.getActualBoxCenter();
    const Vector2& hs = second.getActualBoxHalfExtend();
    // Touching counts as contact.
    if (std::fabs(cf.x - cs.x) > hf.x + hs.x || std::fabs(cf.y - cs.y) > hf.y + hs.y) {
        return nullptr;
    }
    static constexpr std::array<Vector2, 4> Normals{Vector2{-1.0f, 0.0f}, Vector2{1.0f, 0.0f},
                                                    Vector2{0.0f, -1.0f}, Vector2{0.0f, 1.0f}};
    const std::array<float, 4> overlaps{(cf.x + hf.x) - (cs.x - hs.x), (cs.x + hs.x) - (cf.x - hf.x),
                                        (cf.y + hf.y) - (cs.y - hs.y), (cs.y + hs.y) - (cf.y - hf.y)};
    // On equal overlaps the lower index wins.
    std::size_t pick = overlaps[0] > overlaps[1] ? 1 : 0;
    for (std::size_t k = 2; k < 4; ++k) {
        if (overlaps[k] < overlaps[pick]) {
            pick = k;
        }
    }
    return makeManifold(first, second, Normals[pick], overlaps[pick]);
}

CollisionManifold* aabbCircle(AABBCollider& box, CircleCollider& circle)
{
    const Vector2& center = box.getActualBoxCenter();
    const Vector2& half = box.getActualBoxHalfExtend();
    const float left = center.x - half.x;
    const float right = center.x + half.x;
    const float bottom = center.y - half.y;
    const float top = center.y + half.y;
    const Vector2& c = circle.getActualCenter();
    const float r = circle.getActualRadius();
    const float dx = std::max(c.x - right, 0.0f) + std::max(left - c.x, 0.0f);
    const float dy = std::max(bottom - c.y, 0.0f) + std::max(c.y - top, 0.0f);
    if (r < dx || r < dy || fartherThan(dx, dy, r)) {
        return nullptr;
    }
    // A corner inside the circle decides, tried in this order.
    const Corners& corners = box.getCorners();
    for (const std::size_t k : {3u, 1u, 0u, 2u}) {
        if (circle.checkPointIsWithin(corners[k])) {
            const Vector2 v = minus(corners[k], c);
            const float length = std::sqrt(dot(v, v));
            return makeManifold(box, circle, unit(v, length), r - length);
        }
    }
    if (c.x > right) {
        return makeManifold(box, circle, {-1.0f, 0.0f}, r - (c.x - right));
    }
    if (c.x < left) {
        return makeManifold(box, circle, {1.0f, 0.0f}, r - (left - c.x));
    }
    if (c.y > top) {
        return makeManifold(box, circle, {0.0f, -1.0f}, r - (c.y - top));
    }
    return makeManifold(box, circle, {0.0f, 1.0f}, r - (bottom - c.y));
}

CollisionManifold* aabbBox(AABBCollider& aabb, BoxCollider& box)
{
    const Corners& a = aabb.getCorners();
    const Corners& b = box.getBoxEdges();
    const Vector2& xAxis = box.getBoxXAxis();
    const Vector2 yAxis{-xAxis.y, xAxis.x};
    // Along the edges of both: the unit axes, which hold for boxes of no width too.
    const Vector2& o = aabb.getActualBoxCenter();
    if (separates(o, {0.0f, 1.0f}, a[0], a[1], b) || separates(o, {1.0f, 0.0f}, a[1], a[2], b) ||
        separates(o, yAxis, b[0], b[1], a) || separates(o, xAxis, b[1], b[2], a)) {
        return nullptr;
    }
    // Overlap is all this pair reports: no direction, no depth.
    return makeManifold(aabb, box, {1.0f, 0.0f}, 0.0f);
}

CollisionManifold* boxCircle(BoxCollider& box, CircleCollider& circle)
{
    const Vector2& h = box.getBoxRealHalfExtents();
    const Vector2& xAxis = box.getBoxXAxis();
    const Vector2 yAxis{-xAxis.y, xAxis.x};
    const float r = circle.getActualRadius();
    const Vector2 d = minus(circle.getActualCenter(), box.getBoxRealCenter());
    if (fartherThan(d.x, d.y, h.x + h.y + r)) {
        return nullptr;
    }
    // The centre in the box's frame, and the box point nearest to it.
    const Vector2 local{dot(d, xAxis), dot(d, yAxis)};
    if (std::fabs(local.x) > h.x + r || std::fabs(local.y) > h.y + r) {
        return nullptr;
    }
    const Vector2 nearest{std::clamp(local.x, -h.x, h.x), std::clamp(local.y, -h.y, h.y)};
    const Vector2 toBox = minus(nearest, local);
    if (fartherThan(toBox.x, toBox.y, r)) {
        return nullptr;
    }
    const float distanceSq = dot(toBox, toBox);
    Vector2 normal;
    float penetration = 0.0f;
    if (distanceSq > 0.0f) {
        const float distance = std::sqrt(distanceSq);
        normal = unit(toBox, distance);
        penetration = r - distance;
    } else {
        // The centre is inside or on the edge: out through the nearest face.
        const float depthX = h.x - std::fabs(local.x);
        const float depthY = h.y - std::fabs(local.y);
        if (depthX <= depthY) {
            normal = {local.x >= 0.0f ? -1.0f : 1.0f, 0.0f};
            penetration = r + depthX;
        } else {
            normal = {0.0f, local.y >= 0.0f ? -1.0f : 1.0f};
            penetration = r + depthY;
        }
    }
    const Vector2 world = plus(scaled(xAxis, normal.x), scaled(yAxis, normal.y));
    return makeManifold(box, circle, world, penetration);
}

CollisionManifold* boxBox(BoxCollider& first, BoxCollider& second)
{
    const Vector2& hf = first.getBoxRealHalfExtents();
    const Vector2& hs = second.getBoxRealHalfExtents();
    const Vector2& cf = first.getBoxRealCenter();
    const Vector2& cs = second.getBoxRealCenter();
    // A safe bound: no two boxes overlap farther apart on an axis than their half extents'
    // sum.
    const float bound = hf.x + hf.y + hs.x + hs.y;
    if (std::fabs(cf.x - cs.x) > bound || std::fabs(cf.y - cs.y) > bound) {
        return nullptr;
    }
    const Corners& f = first.getBoxEdges();
    const Corners& s = second.getBoxEdges();
    const Vector2& af = first.getBoxXAxis();
    const Vector2& as = second.getBoxXAxis();
    if (separates(cf, af, f[0], f[3], s) || separates(cf, {af.y, -af.x}, f[0], f[1], s) ||
        separates(cf, as, s[0], s[3], f) || separates(cf, {as.y, -as.x}, s[0], s[1], f)) {
        return nullptr;
    }
    const int k = firstCornerWithin(f, second);
    const int j = firstCornerWithin(s, first);
    if (k >= 0) {
        const Vector2 u = minus(f[static_cast<std::size_t>(k)], cs);
        const float penetration = hs.x - std::fabs(dot(u, as));
        if (j < 0) {
            return makeManifold(first, second, unit(u), penetration);
        }
        const auto jj = static_cast<std::size_t>(j);
        const Vector2 w = minus(s[jj], f[jj]);
        return makeManifold(first, second, unit({w.y, -w.x}), penetration);
    }
    if (j >= 0) {
        const Vector2 u = minus(s[static_cast<std::size_t>(j)], cf);
        return makeManifold(first, second, unit(u), hs.x - std::fabs(dot(u, af)));
    }
    return makeManifold(first, second, {0.0f, 1.0f}, 0.0f);
}

void respondCircleCircle(CircleCollider& p, CircleCollider& q, const CollisionManifold& manifold)
{
    RigidBody* bodyP = p.getRigidBody();
    RigidBody* bodyQ = q.getRigidBody();
    const Vector2& n = manifold.normal;
    if (bodyP && bodyQ) {
        exchange(p, *bodyP, q, *bodyQ, manifold, std::min(bodyP->restitution, bodyQ->restitution),
                 CircleScale);
    } else if (bodyQ) {
        bounceAlone(q, *bodyQ, manifold, -1.0f, CircleScale);
    } else if (bodyP) {
        // The whole velocity is scaled here, z included, not only the change.
        const Vector2 vp = planar(bodyP->velocity);
        setPlanar(bodyP->velocity, plus(vp, bounceChange(vp, n, bodyP->restitution)));
        bodyP->velocity *= CircleScale;
        push(p, n, manifold.penetration * LonePush);
    }
}

void respondCircleAABB(AABBCollider& p, CircleCollider& q, const CollisionManifold& manifold)
{
    RigidBody* bodyP = p.getRigidBody();
    RigidBody* bodyQ = q.getRigidBody();
    const Vector2& n = manifold.normal;
    if (bodyP && bodyQ) {
        // The box's restitution alone.
        exchange(p, *bodyP, q, *bodyQ, manifold, bodyP->restitution, 1.0f);
    } else if (bodyQ) {
        const Vector2 vq = planar(bodyQ->velocity);
        setPlanar(bodyQ->velocity, plus(vq, scaled(n, -dot(vq, n) * (bodyQ->restitution + 1.0f))));
        push(q, n, -manifold.penetration * LonePush);
    } else if (bodyP) {
        bounceAlone(p, *bodyP, manifold, 1.0f, 1.0f);
    }
}

void respondAABBAABB(AABBCollider& p, AABBCollider& q, const CollisionManifold& manifold)
{
    RigidBody* bodyP = p.getRigidBody();
    RigidBody* bodyQ = q.getRigidBody();
    const Vector2& n = manifold.normal;
    if (bodyP && bodyQ) {
        // The two velocities are added, not exchanged.
        const Vector2 sum = plus(planar(bodyP->velocity), planar(bodyQ->velocity));
        const float f = dot(sum, n) / dot(n, n);
        setPlanar(bodyQ->velocity, minus(scaled(sum, 0.5f), scaled(n, 2.0f * f)));
        setPlanar(bodyP->velocity, plus(scaled(sum, 0.5f), scaled(n, 2.0f * f)));
        push(q, n, -manifold.penetration);
        push(p, n, manifold.penetration * LonePush);
    } else if (bodyQ) {
        bounceAlone(q, *bodyQ, manifold, -1.0f, 1.0f);
    } else if (bodyP) {
        bounceAlone(p, *bodyP, manifold, 1.0f, 1.0f);
    }
}

} // namespace Orva::Physics::Contacts
