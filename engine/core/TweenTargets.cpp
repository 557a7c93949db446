#include "core/TweenTargets.h"

namespace Orva::Actions {

float* primitiveFloatTarget = nullptr;
int* primitiveIntTarget = nullptr;
double* primitiveDoubleTarget = nullptr;
float*& floatTweenTarget = primitiveFloatTarget;

} // namespace Orva::Actions
