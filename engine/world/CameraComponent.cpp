#include "world/CameraComponent.h"

namespace Orva {

bool CameraComponent::cameraExists_ = false;

CameraComponent::CameraComponent() noexcept
{
    type = TypeNumber;
    cameraExists_ = true;
}

CameraComponent::~CameraComponent()
{
    cameraExists_ = false;
}

} // namespace Orva
