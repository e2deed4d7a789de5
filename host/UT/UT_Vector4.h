#pragma once

/// Four 32-bit floats; point positions are (x, y, z, w).
class UT_Vector4 {
public:
    UT_Vector4() = default;
    UT_Vector4(float x, float y, float z, float w = 1.0f) : v{x, y, z, w} {}
    float &operator()(int i) { return v[i]; }
    float operator()(int i) const { return v[i]; }
    float x() const { return v[0]; }
    float y() const { return v[1]; }
    float z() const { return v[2]; }
    float w() const { return v[3]; }
    UT_Vector4 operator-(const UT_Vector4 &b) const {
        return {v[0] - b.v[0], v[1] - b.v[1], v[2] - b.v[2], v[3] - b.v[3]};
    }
    UT_Vector4 operator+(const UT_Vector4 &b) const {
        return {v[0] + b.v[0], v[1] + b.v[1], v[2] + b.v[2], v[3] + b.v[3]};
    }
    bool operator==(const UT_Vector4 &b) const {
        return v[0] == b.v[0] && v[1] == b.v[1] && v[2] == b.v[2] && v[3] == b.v[3];
    }

private:
    float v[4] = {0, 0, 0, 1};
};
