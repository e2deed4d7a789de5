// Distortion figures of a layout: flips, the spread of the area ratio and
// the L2 stretch.
#include "distortion.h"
#include <algorithm>
#include <cmath>
#include <limits>

double uvArea(const LayoutTriangle &t) {
    return 0.5 * ((t.uv[1][0] - t.uv[0][0]) * (t.uv[2][1] - t.uv[0][1]) -
                  (t.uv[2][0] - t.uv[0][0]) * (t.uv[1][1] - t.uv[0][1]));
}

double surfaceArea(const LayoutTriangle &t) {
    double u[3], v[3];
    for (int i = 0; i < 3; ++i) {
        u[i] = t.p[1][i] - t.p[0][i];
        v[i] = t.p[2][i] - t.p[0][i];
    }
    const double x = u[1] * v[2] - u[2] * v[1], y = u[2] * v[0] - u[0] * v[2], z = u[0] * v[1] - u[1] * v[0];
    return 0.5 * std::sqrt(x * x + y * y + z * z);
}

void L2StretchSum::add(const LayoutTriangle &t) {
    const double a3 = surfaceArea(t);
    if (!(a3 > 0)) return;
    const double a = uvArea(t);
    myArea3 += a3;
    myAreaUv += std::fabs(a);
    if (a == 0) {
        myCollapsed = true;
        return;
    }
    // Partial derivatives of the surface point along u and along v.
    double su = 0, sv = 0;
    for (int i = 0; i < 3; ++i) {
        const double du = (t.p[0][i] * (t.uv[1][1] - t.uv[2][1]) + t.p[1][i] * (t.uv[2][1] - t.uv[0][1]) +
                           t.p[2][i] * (t.uv[0][1] - t.uv[1][1])) /
                          (2 * a);
        const double dv = (t.p[0][i] * (t.uv[2][0] - t.uv[1][0]) + t.p[1][i] * (t.uv[0][0] - t.uv[2][0]) +
                           t.p[2][i] * (t.uv[1][0] - t.uv[0][0])) /
                          (2 * a);
        su += du * du;
        sv += dv * dv;
    }
    mySum += a3 * (su + sv) / 2;
}

double L2StretchSum::value() const {
    if (myCollapsed) return std::numeric_limits<double>::infinity();
    if (!(myArea3 > 0)) return 0;
    // Scaling the layout by s divides both derivatives by s.
    const double scale2 = myArea3 / myAreaUv;
    return std::sqrt(mySum / myArea3 / scale2);
}

double l2Stretch(const std::vector<LayoutTriangle> &tris) {
    L2StretchSum sum;
    for (const LayoutTriangle &t : tris) sum.add(t);
    return sum.value();
}

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    const std::size_t k = std::min(v.size() - 1, std::size_t(q * double(v.size() - 1) + 0.5));
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(k), v.end());
    return v[k];
}

Distortion measureDistortion(const std::vector<LayoutTriangle> &tris, std::vector<double> *ratios) {
    Distortion d;
    d.triangles = static_cast<long>(tris.size());
    double area3 = 0, areaUv = 0, positive = 0;
    for (const LayoutTriangle &t : tris) {
        const double a = uvArea(t);
        area3 += surfaceArea(t);
        areaUv += std::fabs(a);
        if (a > 0) positive += a;
    }
    const bool ccw = 2 * positive >= areaUv;
    std::vector<double> own;
    std::vector<double> &r = ratios ? *ratios : own;
    r.clear();
    for (const LayoutTriangle &t : tris) {
        const double a = uvArea(t), a3 = surfaceArea(t);
        if ((a > 0) != ccw && a != 0) ++d.flipped;
        if (a3 > 0 && areaUv > 0) r.push_back((std::fabs(a) / areaUv) / (a3 / area3));
    }
    d.areaP5 = percentile(r, 0.05);
    d.areaP95 = percentile(r, 0.95);
    d.l2 = l2Stretch(tris);
    return d;
}
