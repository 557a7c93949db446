#include "core/Random.h"

namespace Orva {
namespace {
std::uint32_t generatorState = 1;
}

void srand(std::uint32_t seed)
{
    generatorState = seed;
}

int rand()
{
    generatorState = generatorState * 214013u + 2531011u;
    return static_cast<int>((generatorState >> 16) & RANDOM_MAX);
}

} // namespace Orva
