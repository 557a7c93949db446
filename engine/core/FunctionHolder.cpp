#include "core/FunctionHolder.h"

#include <utility>

namespace Orva {

FunctionHolder::CallableFunction::~CallableFunction() = default;

FunctionHolder::FunctionHolder(FunctionHolder&& other) noexcept
    : callable_(std::exchange(other.callable_, nullptr)), dead_(std::exchange(other.dead_, false))
{
}

FunctionHolder& FunctionHolder::operator=(FunctionHolder&& other) noexcept
{
    if (this != &other) {
        delete callable_;
        callable_ = std::exchange(other.callable_, nullptr);
        dead_ = std::exchange(other.dead_, false);
    }
    return *this;
}

FunctionHolder::~FunctionHolder()
{
    delete callable_;
}

FunctionHolder FunctionHolder::clone() const
{
    return FunctionHolder(callable_ ? callable_->clone() : nullptr);
}

} // namespace Orva
