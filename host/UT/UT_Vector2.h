#pragma once
#include <cmath>

/// A pair of 32-bit floats.
class UT_Vector2 {
public:
    UT_Vector2() = default;
    UT_Vector2(float x, float y) : v{x, y} {}
    float &operator()(int i) { return v[i]; }
    float operator()(int i) const { return v[i]; }
    float &x() { return v[0]; }
    float &y() { return v[1]; }
    UT_Vector2 operator-(const UT_Vector2 &b) const { return {v[0] - b.v[0], v[1] - b.v[1]}; }
    UT_Vector2 operator+(const UT_Vector2 &b) const { return {v[0] + b.v[0], v[1] + b.v[1]}; }
    float length() const { return std::sqrt(v[0] * v[0] + v[1] * v[1]); }

private:
    float v[2] = {0, 0};
};
