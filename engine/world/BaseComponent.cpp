#include "world/BaseComponent.h"

namespace Orva {

std::uint32_t BaseComponent::pageGeneration_ = 0;

BaseComponent::~BaseComponent() = default;

ReflectionMap BaseComponent::getReflectibles()
{
    return {};
}

} // namespace Orva
