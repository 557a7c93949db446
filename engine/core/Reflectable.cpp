#include "core/Reflectable.h"

#include <utility>

namespace Orva {

Reflectable::Concept::~Concept() = default;

Reflectable::Reflectable(Reflectable&& other) noexcept
    : model_(std::exchange(other.model_, nullptr)), tag_(other.tag_)
{
}

Reflectable& Reflectable::operator=(Reflectable&& other) noexcept
{
    if (this != &other) {
        delete std::exchange(model_, std::exchange(other.model_, nullptr));
    }
    tag_ = other.tag_;
    return *this;
}

Reflectable::~Reflectable()
{
    delete model_;
}

} // namespace Orva
