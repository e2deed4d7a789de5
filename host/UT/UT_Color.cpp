#include "UT_Color.h"
#include <cmath>

void UT_Color::getRampColor(UT_ColorRamp ramp, float value, float *r, float *g, float *b) {
    float t = std::isnan(value) ? 0.0f : (value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value));
    if (ramp == UT_COLORRAMP_GREY) {
        *r = *g = *b = t;
        return;
    }
    static const float keys[5][3] = {{0, 0, 1}, {0, 1, 1}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    float x = t * 4.0f;
    int i = static_cast<int>(x);
    if (i >= 4) i = 3;
    float f = x - static_cast<float>(i);
    *r = keys[i][0] + (keys[i + 1][0] - keys[i][0]) * f;
    *g = keys[i][1] + (keys[i + 1][1] - keys[i][1]) * f;
    *b = keys[i][2] + (keys[i + 1][2] - keys[i][2]) * f;
}
