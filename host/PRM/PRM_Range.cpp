#include "PRM_Range.h"

float PRM_Range::clamp(float v, bool *clamped) const {
    float r = v;
    if (hasRestrictedMin() && r < myMin) r = myMin;
    if (hasRestrictedMax() && r > myMax) r = myMax;
    if (clamped) *clamped = (r != v) && (v == v);  // NaN compares unequal: never "clamped"
    return r;
}
