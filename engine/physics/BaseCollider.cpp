#include "physics/BaseCollider.h"

#include <algorithm>
#include <cmath>

#include "physics/PhysicsWorld.h"
#include "physics/RigidBody.h"
#include "world/GameObject.h"
#include "world/TransformComponent.h"

namespace Orva::Physics {

namespace {

std::uint64_t lastSerial = 0;

} // namespace

BaseCollider::BaseCollider(ShapeKind kind, int typeNumber) noexcept : shapeKind_(kind), serial_(++lastSerial)
{
    type = typeNumber;
}

BaseCollider::~BaseCollider()
{
    if (rigidBody_) {
        rigidBody_->detachCollider();
    }
    if (PhysicsWorld::hasInstance()) {
        PhysicsWorld::getInstance().removeCollider(this);
    }
}

void BaseCollider::init()
{
    PhysicsWorld::getInstance().addCollider(this);
}

void BaseCollider::respondToBox(BoxCollider*, CollisionManifold*) {}
void BaseCollider::respondToCircle(CircleCollider*, CollisionManifold*) {}
void BaseCollider::respondToAABB(AABBCollider*, CollisionManifold*) {}

void BaseCollider::setCollisionGroup(const std::string& name)
{
    collisionGroupIndex_ = PhysicsWorld::getInstance().getCollisionGroupIndex(name);
}

// As for transforms, a NaN on either side is a change.
bool BaseCollider::moved(float value, float cached) noexcept
{
    return !(std::fabs(value - cached) <= TransformComponent::ChangeThreshold);
}

bool BaseCollider::moved(const Vector2& value, const Vector2& cached) noexcept
{
    return moved(value.x, cached.x) || moved(value.y, cached.y);
}

const TransformComponent* BaseCollider::ownerTransform() const noexcept
{
    return owner ? owner->getTransform() : nullptr;
}

const TransformComponent* BaseCollider::transformForStep(bool shapeMoved) noexcept
{
    const TransformComponent* transform = ownerTransform();
    if (!transform) {
        return nullptr;
    }
    const bool due = !stepped_ || refreshDue_;
    stepped_ = true;
    refreshDue_ = false;
    return due || shapeMoved || transform->hasJustUpdatedMatrix() ? transform : nullptr;
}

BaseCollider::BoxPlacement BaseCollider::placeBox(const TransformComponent& transform, const Vector2& size,
                                                  const Vector2& offset)
{
    const auto& scale = transform.getWorldScale();
    const auto& translation = transform.getWorldTranslation();
    const double angle = transform.getWorldRotationRad();
    const auto cosine = static_cast<float>(std::cos(angle));
    const auto sine = static_cast<float>(std::sin(angle));
    BoxPlacement placement;
    placement.size = {scale.x * size.x, scale.y * size.y};
    placement.half = {placement.size.x * 0.5f, placement.size.y * 0.5f};
    placement.scaledOffset = {scale.x * offset.x, scale.y * offset.y};
    const Vector2& o = placement.scaledOffset;
    placement.center = {translation.x + o.x * cosine - o.y * sine, translation.y + o.x * sine + o.y * cosine};
    return placement;
}

void BaseCollider::setBounds(std::initializer_list<Vector2> points) noexcept
{
    Bounds bounds{points.begin()->x, points.begin()->y, points.begin()->x, points.begin()->y};
    finite_ = true;
    for (const Vector2& point : points) {
        finite_ = finite_ && std::isfinite(point.x) && std::isfinite(point.y);
        bounds.left = std::min(bounds.left, point.x);
        bounds.bottom = std::min(bounds.bottom, point.y);
        bounds.right = std::max(bounds.right, point.x);
        bounds.top = std::max(bounds.top, point.y);
    }
    // Far more than the rounding of any pair test at the magnitudes along each axis: those of
    // both ends, since an end near 0 may come from large values (a huge shape far out).
    const float marginX = 1e-4f + std::max(std::fabs(bounds.left), std::fabs(bounds.right)) * 1e-5f;
    const float marginY = 1e-4f + std::max(std::fabs(bounds.bottom), std::fabs(bounds.top)) * 1e-5f;
    bounds_ = {bounds.left - marginX, bounds.bottom - marginY, bounds.right + marginX, bounds.top + marginY};
}

ReflectionMap BaseCollider::commonReflectibles(Vector2& offset)
{
    ReflectionMap properties;
    properties.emplace("Active", Reflectable(active));
    properties.emplace("Offset", Reflectable(offset));
    properties.emplace("CollisionGroup", Reflectable(collisionGroupIndex_));
    properties.emplace("IsGhost", Reflectable(isGhost));
    return properties;
}

} // namespace Orva::Physics
