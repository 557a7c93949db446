#include "core/MathUtils.h"

#include <cstdint>

#include "core/Random.h"

namespace Orva::Math {
namespace {

template <class Real> Real randomReal(Real lo, Real hi)
{
    const Real step = (hi - lo) / static_cast<Real>(RANDOM_MAX);
    return lo + static_cast<Real>(Orva::rand()) * step;
}

template <class Real> Real clampReal(Real v, Real lo, Real hi)
{
    const Real raised = v > lo ? v : lo;
    return hi > raised ? raised : hi;
}

} // namespace

int Utils::random(int lo, int hi)
{
    // In 64 bits neither the width nor the sum can overflow; the sum wraps back to int.
    const std::int64_t width = std::int64_t{hi} - lo + 1;
    const std::int64_t r = Orva::rand();
    if (width == 0) {
        return lo;
    }
    return static_cast<int>(lo + r % width);
}

float Utils::random(float lo, float hi)
{
    return randomReal(lo, hi);
}

double Utils::random(double lo, double hi)
{
    return randomReal(lo, hi);
}

int Utils::clamp(const int& v, int lo, int hi)
{
    const int raised = v > lo ? v : lo;
    return raised < hi ? raised : hi;
}

float Utils::clamp(const float& v, float lo, float hi)
{
    return clampReal(v, lo, hi);
}

double Utils::clamp(const double& v, double lo, double hi)
{
    return clampReal(v, lo, hi);
}

} // namespace Orva::Math
