#pragma once

#include "core/Export.h"
#include "core/Matrix44.h"
#include "core/Reflectable.h"
#include "core/Vector.h"
#include "world/BaseComponent.h"

namespace Orva {

// A game object's placement: local translation, scale and rotation (about z, in radians)
// relative to the parent object's transform, and the world values and world matrix derived
// from them. The pool's step recomputes a transform only when it is dirty or a local value
// moved by more than ChangeThreshold; any recomputation goes on to every descendant.
class ORVA_API TransformComponent : public BaseComponent
{
public:
    static constexpr int TypeNumber = 0;
    // Smaller changes of a local value are not seen by the step.
    static constexpr float ChangeThreshold = 1e-5f;

    using Vector2 = Math::Vector2D<float>;
    using Vector3 = Math::Vector3D<float>;
    using Matrix = Math::Matrix44<float>;

    TransformComponent() noexcept;
    // Settled at the given placement: world equals local, just updated, not dirty.
    TransformComponent(const Vector3& translation, const Vector3& scale, float rotationRad) noexcept;
    ~TransformComponent() override;

    // "LocalTranslation", "LocalRotationRad" and "LocalScale".
    ReflectionMap getReflectibles() override;

    Vector3& getLocalTranslation() noexcept { return localTranslation; }
    Vector3& getLocalScale() noexcept { return localScale; }
    float& getLocalRotationRad() noexcept { return localRotationRad; }
    // The next step sees the change; a new transform's world values follow at once
    // (placeIfNew).
    void setLocalTranslation(const Vector3& translation);
    void setLocalScale(const Vector3& scale);
    void setLocalRotationRad(const float& rotationRad);

    const Vector3& getWorldTranslation() const noexcept { return worldTranslation; }
    const Vector3& getWorldScale() const noexcept { return worldScale; }
    float getWorldRotationRad() const noexcept { return worldRotationRad; }
    // Row-major, translation in the last column.
    const Matrix& getWorldMatrix() const noexcept { return worldMatrix; }
    // (cos w, sin w) and (-sin w, cos w) of the world rotation w.
    const Vector2& getRightVector() const noexcept { return rightVector; }
    const Vector2& getUpVector() const noexcept { return upVector; }

    // Set the local values that give this world value under the current parent. A new world
    // translation marks the transform dirty; a new scale or rotation is found by the change
    // test. A new transform's world values follow at once (placeIfNew).
    void setWorldTranslation(const Vector3& translation);
    void setWorldScale(const Vector3& scale);
    void setWorldRotationRad(float rotationRad);

    // Recomputes now, and the descendants too. The transform then counts as just updated
    // through the next unchanged step as well, so that components stepped in the next frame
    // still see the change.
    void forceUpdate();
    // Until its pool first steps it, derives the world values (and the descendants') at once,
    // as the step would: nothing stepped earlier reads a new object at the origin. Afterwards
    // changes wait for the step, whose order every moving object relies on.
    void placeIfNew();
    // The pool's step; dt is not used.
    void update(float dt);
    // Force-updates when the owner's cached transform is set.
    void init();
    // The world placement becomes the local one; used when the object leaves its parent.
    void decoupleFromParent();
    // Re-expresses the world placement relative to the current parent (nothing without one).
    void rebaseOnParent() noexcept;
    // The next step recomputes.
    void markDirty() noexcept { dirty = true; }
    bool hasJustUpdatedMatrix() const noexcept { return justUpdatedMatrix; }
    // The next float tween made by a script animates the local rotation.
    void pushRotation() noexcept;

private:
    // The parent object's transform, when there is a parent with one.
    const TransformComponent* parentTransform() const noexcept;
    bool hasChanged() const noexcept;
    // The change test compares against these.
    void rememberLocalValues() noexcept;
    // c and s: the cosine and sine of the local rotation.
    Matrix localMatrix(float c, float s) const noexcept;
    // World values from the local ones and the parent's. The pool's step scales the world
    // depth by the parent's; forceUpdate keeps the local depth.
    void recomputeWorld(bool scaleDepthByParent) noexcept;
    // Recomputes now, descendants included, and counts as just updated through the next
    // unchanged step.
    void recomputeNow(bool scaleDepthByParent);
    void refreshDirectionVectors() noexcept;
    void setDirectionVectors(float c, float s) noexcept;
    // The local x and y that put the object at world (x, y) under the parent.
    static Vector2 localPositionUnder(const TransformComponent& parent, const Vector3& world) noexcept;

    Vector3 localTranslation{0.0f, 0.0f, 0.0f};
    Vector3 localScale{1.0f, 1.0f, 1.0f};
    float localRotationRad = 0.0f;
    Vector2 rightVector{1.0f, 0.0f};
    Vector2 upVector{0.0f, 1.0f};
    // The local values at the last recomputation.
    Vector3 previousTranslation{0.0f, 0.0f, 0.0f};
    Vector3 previousScale{1.0f, 1.0f, 1.0f};
    float previousRotation = 0.0f;
    bool dirty = true;
    bool stepped = false;
    bool keepJustUpdated = false;
    bool justUpdatedMatrix = false;
    Vector3 worldTranslation{0.0f, 0.0f, 0.0f};
    Vector3 worldScale{1.0f, 1.0f, 1.0f};
    float worldRotationRad = 0.0f;
    Matrix worldMatrix;
};

} // namespace Orva
