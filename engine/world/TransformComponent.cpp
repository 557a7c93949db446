#include "world/TransformComponent.h"

#include <cmath>

#include "core/TweenTargets.h"
#include "world/GameObject.h"

namespace Orva {

namespace {

float cosine(float radians)
{
    return static_cast<float>(std::cos(static_cast<double>(radians)));
}

float sine(float radians)
{
    return static_cast<float>(std::sin(static_cast<double>(radians)));
}

// A NaN on either side is a change: a value that goes to NaN, or comes back, is followed.
bool differs(float a, float b)
{
    return !(std::fabs(a - b) <= TransformComponent::ChangeThreshold);
}

bool differs(const Math::Vector3D<float>& a, const Math::Vector3D<float>& b)
{
    return differs(a.x, b.x) || differs(a.y, b.y) || differs(a.z, b.z);
}

} // namespace

TransformComponent::TransformComponent() noexcept
{
    type = TypeNumber;
}

TransformComponent::TransformComponent(const Vector3& translation, const Vector3& scale,
                                       float rotationRad) noexcept
    : localTranslation(translation), localScale(scale), localRotationRad(rotationRad),
      previousTranslation(translation), previousScale(scale), previousRotation(rotationRad), dirty(false),
      justUpdatedMatrix(true), worldTranslation(translation), worldScale(scale), worldRotationRad(rotationRad)
{
    type = TypeNumber;
    const float c = cosine(rotationRad);
    const float s = sine(rotationRad);
    worldMatrix = localMatrix(c, s);
    setDirectionVectors(c, s);
}

TransformComponent::~TransformComponent() = default;

ReflectionMap TransformComponent::getReflectibles()
{
    ReflectionMap properties;
    properties.emplace("LocalTranslation", Reflectable(localTranslation));
    properties.emplace("LocalRotationRad", Reflectable(localRotationRad));
    properties.emplace("LocalScale", Reflectable(localScale));
    return properties;
}

const TransformComponent* TransformComponent::parentTransform() const noexcept
{
    const GameObject* parent = owner ? owner->getParent() : nullptr;
    return parent ? parent->getTransform() : nullptr;
}

bool TransformComponent::hasChanged() const noexcept
{
    return differs(localRotationRad, previousRotation) || differs(localScale, previousScale) ||
           differs(localTranslation, previousTranslation);
}

TransformComponent::Matrix TransformComponent::localMatrix(float c, float s) const noexcept
{
    return Matrix::translation(localTranslation) * Matrix::rotationZ(c, s) * Matrix::scale(localScale);
}

void TransformComponent::refreshDirectionVectors() noexcept
{
    setDirectionVectors(cosine(worldRotationRad), sine(worldRotationRad));
}

void TransformComponent::setDirectionVectors(float c, float s) noexcept
{
    rightVector = {c, s};
    upVector = {-s, c};
}

void TransformComponent::rememberLocalValues() noexcept
{
    previousTranslation = localTranslation;
    previousScale = localScale;
    previousRotation = localRotationRad;
}

void TransformComponent::recomputeWorld(bool scaleDepthByParent) noexcept
{
    rememberLocalValues();
    worldTranslation = localTranslation;
    worldScale = localScale;
    worldRotationRad = localRotationRad;
    // One cosine and sine of the local rotation serve the matrix and, without a parent, the
    // direction vectors too.
    const float c = cosine(localRotationRad);
    const float s = sine(localRotationRad);
    worldMatrix = localMatrix(c, s);
    const TransformComponent* const parent = parentTransform();
    if (!parent) {
        setDirectionVectors(c, s);
        return;
    }
    worldMatrix = parent->worldMatrix * worldMatrix;
    worldTranslation = {worldMatrix.m[0][3], worldMatrix.m[1][3], worldMatrix.m[2][3]};
    worldRotationRad = parent->worldRotationRad + localRotationRad;
    worldScale.x = parent->worldScale.x * localScale.x;
    worldScale.y = parent->worldScale.y * localScale.y;
    if (scaleDepthByParent) {
        worldScale.z = parent->worldScale.z * localScale.z;
    }
    refreshDirectionVectors();
}

void TransformComponent::update(float /*dt*/)
{
    stepped = true;
    if (!dirty && !hasChanged()) {
        if (keepJustUpdated) {
            keepJustUpdated = false;
        } else {
            justUpdatedMatrix = false;
        }
        return;
    }
    dirty = false;
    recomputeWorld(true);
    if (owner) {
        owner->updateChildTransforms();
    }
    justUpdatedMatrix = true;
}

void TransformComponent::recomputeNow(bool scaleDepthByParent)
{
    recomputeWorld(scaleDepthByParent);
    dirty = false;
    keepJustUpdated = true;
    justUpdatedMatrix = true;
    if (owner) {
        owner->updateChildTransforms();
    }
}

void TransformComponent::forceUpdate()
{
    recomputeNow(false);
}

void TransformComponent::placeIfNew()
{
    if (!stepped) {
        recomputeNow(true);
    }
}

void TransformComponent::setLocalTranslation(const Vector3& translation)
{
    localTranslation = translation;
    placeIfNew();
}

void TransformComponent::setLocalScale(const Vector3& scale)
{
    localScale = scale;
    placeIfNew();
}

void TransformComponent::setLocalRotationRad(const float& rotationRad)
{
    localRotationRad = rotationRad;
    placeIfNew();
}

void TransformComponent::init()
{
    if (owner && owner->getTransform()) {
        forceUpdate();
    }
}

TransformComponent::Vector2 TransformComponent::localPositionUnder(const TransformComponent& parent,
                                                                   const Vector3& world) noexcept
{
    const float a = parent.worldRotationRad;
    const float c = cosine(a);
    const float s = sine(a);
    const float dx = world.x - parent.worldTranslation.x;
    const float dy = world.y - parent.worldTranslation.y;
    return {(dx * c + dy * s) / parent.worldScale.x, (dy * c - dx * s) / parent.worldScale.y};
}

void TransformComponent::setWorldTranslation(const Vector3& translation)
{
    if (const TransformComponent* parent = parentTransform()) {
        localTranslation.xy = localPositionUnder(*parent, translation);
    } else {
        localTranslation = translation;
    }
    worldTranslation = translation;
    dirty = true;
    placeIfNew();
}

void TransformComponent::setWorldScale(const Vector3& scale)
{
    worldScale = scale;
    localScale = scale;
    if (const TransformComponent* parent = parentTransform()) {
        localScale.x /= parent->worldScale.x;
        localScale.y /= parent->worldScale.y;
        localScale.z /= parent->worldScale.z;
    }
    placeIfNew();
}

void TransformComponent::setWorldRotationRad(float rotationRad)
{
    worldRotationRad = rotationRad;
    localRotationRad = rotationRad;
    if (const TransformComponent* parent = parentTransform()) {
        localRotationRad -= parent->worldRotationRad;
    }
    placeIfNew();
}

void TransformComponent::decoupleFromParent()
{
    forceUpdate();
    localTranslation.x = worldTranslation.x;
    localTranslation.y = worldTranslation.y;
    localScale = worldScale;
    localRotationRad = worldRotationRad;
    rememberLocalValues();
    dirty = true;
}

void TransformComponent::rebaseOnParent() noexcept
{
    const TransformComponent* parent = parentTransform();
    if (!parent) {
        return;
    }
    localTranslation.xy = localPositionUnder(*parent, worldTranslation);
    localRotationRad = worldRotationRad - parent->worldRotationRad;
    refreshDirectionVectors();
    localScale.x = worldScale.x / parent->worldScale.x;
    localScale.y = worldScale.y / parent->worldScale.y;
    dirty = true;
}

void TransformComponent::pushRotation() noexcept
{
    Actions::primitiveFloatTarget = &localRotationRad;
}

} // namespace Orva
