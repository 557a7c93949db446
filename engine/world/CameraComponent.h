#pragma once

#include "core/Export.h"
#include "world/BaseComponent.h"

namespace Orva {

// Marks the object whose transform drives the viewport camera. A process-wide flag records
// that a camera exists: making one raises it, and destroying any camera clears it, even while
// another camera remains.
class ORVA_API CameraComponent : public BaseComponent
{
public:
    static constexpr int TypeNumber = 8;

    CameraComponent() noexcept;
    CameraComponent(const CameraComponent&) = default;
    CameraComponent& operator=(const CameraComponent&) = default;
    ~CameraComponent() override;

    // Whether a camera has been made since the last one was destroyed.
    static bool cameraExists() noexcept { return cameraExists_; }

private:
    static bool cameraExists_;
};

} // namespace Orva
