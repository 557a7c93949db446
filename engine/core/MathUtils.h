#pragma once

#include "core/Export.h"

namespace Orva::Math {

// Random numbers in a range and clamping, for scripts. random() draws from the engine
// generator (core/Random.h) and never seeds it.
class ORVA_API Utils
{
public:
    // lo + (r % d) with d = hi - lo + 1, r the next 15-bit draw. A d of 0 (hi = lo - 1) gives
    // lo; a negative d still counts upwards from lo, so random(5, 1) gives 5, 6 or 7.
    static int random(int lo, int hi);
    // lo + r * ((hi - lo) / 32767): r = 0 gives lo, r = 32767 gives hi.
    static float random(float lo, float hi);
    static double random(double lo, double hi);

    // v raised to lo, then lowered to hi; when lo > hi the result is hi.
    static int clamp(const int& v, int lo, int hi);
    // As above, by comparisons that send a NaN v to lo and a NaN hi to hi.
    static float clamp(const float& v, float lo, float hi);
    static double clamp(const double& v, double lo, double hi);
};

} // namespace Orva::Math
