#include "fit_to_range.h"
#include <cmath>

template <typename T> static T fit(T x, T lo, T hi, T to0, T to1, T eps) {
    T d = hi - lo;
    if (-eps <= d && d <= eps) return static_cast<T>((to0 + to1) * static_cast<T>(0.5));
    if (lo < hi) {
        if (x < lo) return to0;
        if (x > hi) return to1;
    } else {
        if (x < hi) return to1;
        if (x > lo) return to0;
    }
    return static_cast<T>(to0 + (x - lo) * (to1 - to0) / d);
}

double fitToRange(double x, double lo, double hi, double to0, double to1) {
    return fit<double>(x, lo, hi, to0, to1, 1e-18);
}

float fitToRange(float x, float lo, float hi, float to0, float to1) { return fit<float>(x, lo, hi, to0, to1, 1e-8f); }

AspectFit fitKeepingAspect(const double lo[2], const double hi[2], const double to0[2], const double to1[2]) {
    double s = -1.0;
    for (int a = 0; a < 2; ++a) {
        const double span = hi[a] - lo[a];
        if (span <= 1e-18) continue;
        const double fits = std::fabs(to1[a] - to0[a]) / span;
        if (s < 0.0 || fits < s) s = fits;
    }
    if (s < 0.0) s = 0.0;
    AspectFit f;
    for (int a = 0; a < 2; ++a) {
        f.scale[a] = to1[a] < to0[a] ? -s : s;
        f.offset[a] = 0.5 * (to0[a] + to1[a]) - f.scale[a] * 0.5 * (lo[a] + hi[a]);
    }
    return f;
}
