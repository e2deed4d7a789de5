#pragma once
#include <cmath>
#include "UT_Vector4.h"

class UT_Matrix3;

/// Three 32-bit floats.
class UT_Vector3 {
public:
    UT_Vector3() = default;
    UT_Vector3(float x, float y, float z) : v{x, y, z} {}
    /// Keeps x, y and z of a four-component vector.
    UT_Vector3(const UT_Vector4 &p) : v{p(0), p(1), p(2)} {}
    UT_Vector3 &operator=(const UT_Vector4 &p) {
        v[0] = p(0);
        v[1] = p(1);
        v[2] = p(2);
        return *this;
    }

    float &operator()(int i) { return v[i]; }
    float operator()(int i) const { return v[i]; }
    float x() const { return v[0]; }
    float y() const { return v[1]; }
    float z() const { return v[2]; }

    float dot(const UT_Vector3 &b) const { return v[0] * b.v[0] + v[1] * b.v[1] + v[2] * b.v[2]; }
    float length() const { return std::sqrt(dot(*this)); }
    /// Scales to unit length and returns the old length. A zero vector
    /// stays zero, so dot products with it are 0 and angles stay finite.
    float normalize() {
        float len = length();
        if (len > 0.0f && std::isfinite(len)) {
            v[0] /= len;
            v[1] /= len;
            v[2] /= len;
        } else {
            v[0] = v[1] = v[2] = 0.0f;
        }
        return len;
    }
    UT_Vector3 cross(const UT_Vector3 &b) const {
        return {v[1] * b.v[2] - v[2] * b.v[1], v[2] * b.v[0] - v[0] * b.v[2], v[0] * b.v[1] - v[1] * b.v[0]};
    }
    UT_Vector3 operator-(const UT_Vector3 &b) const { return {v[0] - b.v[0], v[1] - b.v[1], v[2] - b.v[2]}; }
    UT_Vector3 operator+(const UT_Vector3 &b) const { return {v[0] + b.v[0], v[1] + b.v[1], v[2] + b.v[2]}; }
    UT_Vector3 operator*(float s) const { return {v[0] * s, v[1] * s, v[2] * s}; }
    UT_Vector3 &operator+=(const UT_Vector3 &b) {
        v[0] += b.v[0];
        v[1] += b.v[1];
        v[2] += b.v[2];
        return *this;
    }
    /// Row vector times matrix: this = this * m.
    UT_Vector3 &operator*=(const UT_Matrix3 &m);

private:
    float v[3] = {0, 0, 0};
};
