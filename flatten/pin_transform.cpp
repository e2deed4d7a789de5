#include "node/SOP_Flatskin.h"
#include <cmath>

UT_Matrix3 SOP_Flatskin::pinTransform(float rotate_degrees) {
    float theta = rotate_degrees * 0.017453292f;
    // Evaluated in double and rounded, like every other trigonometric value.
    float c = static_cast<float>(std::cos(static_cast<double>(theta)));
    float s = static_cast<float>(std::sin(static_cast<double>(theta)));
    // Row vector (u, v, 1) times this matrix: a clockwise turn by theta,
    // then +1 in u.
    const float m[3][3] = {{c, -s, 0.0f}, {s, c, 0.0f}, {1.0f, 0.0f, 1.0f}};
    return UT_Matrix3(m);
}

void SOP_Flatskin::applyPinTransform(double &u, double &v, const UT_Matrix3 &m) {
    UT_Vector3 p(static_cast<float>(u), static_cast<float>(v), 1.0f);
    p *= m;
    u = p(0);
    v = p(1);
}
