#pragma once
#include "UT_Vector3.h"

/// A 3x3 matrix of 32-bit floats, row-major; vectors multiply as rows.
class UT_Matrix3 {
public:
    UT_Matrix3() = default;
    explicit UT_Matrix3(const float m[3][3]) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) a[i][j] = m[i][j];
    }
    float &operator()(int i, int j) { return a[i][j]; }
    float operator()(int i, int j) const { return a[i][j]; }

private:
    float a[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

inline UT_Vector3 &UT_Vector3::operator*=(const UT_Matrix3 &m) {
    UT_Vector3 r;
    for (int j = 0; j < 3; ++j) r(j) = v[0] * m(0, j) + v[1] * m(1, j) + v[2] * m(2, j);
    *this = r;
    return *this;
}
