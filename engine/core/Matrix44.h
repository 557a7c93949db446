#pragma once

#include <cmath>

#include "core/Vector.h"

namespace Orva::Math {

// A 4x4 transformation matrix, row-major (m[r][c]), for column vectors multiplied on the
// right: the translation sits in the last column. Used as Matrix44<float>; the renderer hands
// the 16 floats to GL in memory order with transpose set.
template <class T> class ORVA_API Matrix44
{
public:
    T m[4][4];

    Matrix44() noexcept : m{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}} {}

    static Matrix44 identity() noexcept { return {}; }

    // this × b: b applies first. Each element sums its four products in order from 0, so
    // results do not depend on the compiler's choice of evaluation. A row's four sums are
    // formed side by side, which the compiler turns into vector arithmetic, each lane adding
    // in the same order.
    Matrix44 operator*(const Matrix44& b) const noexcept
    {
        Matrix44 out;
        for (int i = 0; i < 4; ++i) {
            T row[4] = {0, 0, 0, 0};
#pragma GCC unroll 4
            for (int k = 0; k < 4; ++k) {
                for (int j = 0; j < 4; ++j) {
                    row[j] += m[i][k] * b.m[k][j];
                }
            }
            for (int j = 0; j < 4; ++j) {
                out.m[i][j] = row[j];
            }
        }
        return out;
    }

    static Matrix44 translation(T x, T y, T z) noexcept
    {
        Matrix44 out;
        out.m[0][3] = x;
        out.m[1][3] = y;
        out.m[2][3] = z;
        return out;
    }
    static Matrix44 translation(const Vector3D<T>& v) noexcept
    {
        return translation(v.x, v.y, v.z);
    }

    static Matrix44 scale(T x, T y, T z) noexcept
    {
        Matrix44 out;
        out.m[0][0] = x;
        out.m[1][1] = y;
        out.m[2][2] = z;
        return out;
    }
    static Matrix44 scale(const Vector3D<T>& v) noexcept
    {
        return scale(v.x, v.y, v.z);
    }

    // Turns +x towards +y by an angle in radians.
    static Matrix44 rotationZ(T radians) noexcept
    {
        return rotationZ(static_cast<T>(std::cos(static_cast<double>(radians))),
                         static_cast<T>(std::sin(static_cast<double>(radians))));
    }
    // The same from the angle's cosine and sine, for a caller that needs them as well.
    static Matrix44 rotationZ(T c, T s) noexcept
    {
        Matrix44 out;
        out.m[0][0] = c;
        out.m[0][1] = -s;
        out.m[1][0] = s;
        out.m[1][1] = c;
        return out;
    }
};

using Matrix44f = Matrix44<float>;

} // namespace Orva::Math
