#include "world/BaseComponent.h"

namespace Orva {

BaseComponent::~BaseComponent() = default;

ReflectionMap BaseComponent::getReflectibles()
{
    return {};
}

} // namespace Orva
