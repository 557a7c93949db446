#include "world/BaseComponent.h"

namespace Orva {

std::uint32_t BaseComponent::pageGeneration_ = 0;

BaseComponent::~BaseComponent() = default;

std::uint64_t BaseComponent::handleId(const BaseComponent& component) noexcept
{
    return component.componentID == 0 ? 0 : std::uint64_t{pageGeneration_} << 32 | component.componentID;
}

bool BaseComponent::handleHolds(const BaseComponent* slot, std::uint64_t id) noexcept
{
    return id == 0 || (id >> 32 == pageGeneration_ && slot->componentID == static_cast<std::uint32_t>(id));
}

ReflectionMap BaseComponent::getReflectibles()
{
    return {};
}

} // namespace Orva
