// Quality figures of a layout: flipped triangles against the majority
// orientation, corner-angle distortion and the spread of the area ratio.
#include "bench.h"

#include <GEO/GEO_PointClassifier.h>
#include <GEO/GEO_PrimClassifier.h>

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

// Inner angle at a between b and c, for 3D or 2D points (z = 0).
double angle(const double *a, const double *b, const double *c) {
    double u[3], v[3];
    for (int i = 0; i < 3; ++i) {
        u[i] = b[i] - a[i];
        v[i] = c[i] - a[i];
    }
    const double cx = u[1] * v[2] - u[2] * v[1], cy = u[2] * v[0] - u[0] * v[2], cz = u[0] * v[1] - u[1] * v[0];
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), u[0] * v[0] + u[1] * v[1] + u[2] * v[2]);
}

double area3(const double *a, const double *b, const double *c) {
    double u[3], v[3];
    for (int i = 0; i < 3; ++i) {
        u[i] = b[i] - a[i];
        v[i] = c[i] - a[i];
    }
    const double cx = u[1] * v[2] - u[2] * v[1], cy = u[2] * v[0] - u[0] * v[2], cz = u[0] * v[1] - u[1] * v[0];
    return 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
}

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    const std::size_t k = std::min(v.size() - 1, std::size_t(q * double(v.size() - 1) + 0.5));
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(k), v.end());
    return v[k];
}

}  // namespace

Quality measureQuality(GU_Detail &out) {
    Quality q;
    const int uv = out.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    if (uv < 0 || out.primitives().entries() == 0) {
        q.finite = false;
        return q;
    }
    GEO_PointClassifier points;
    points.classifyPoints(out);
    GEO_PrimClassifier pieces;
    pieces.classifyBySharedPoints(out, points, nullptr);
    const int cls = pieces.getClass(0);

    struct Tri {
        double p[3][3], t[3][3];
        double signedUv, a3;
    };
    std::vector<Tri> tris;
    for (const auto &prim : out.primitives()) {
        if (pieces.getClass(prim->getNum()) != cls) continue;
        const unsigned m = prim->getVertexCount();
        for (unsigned k = 1; k + 1 < m; ++k) {
            Tri tr{};
            const unsigned idx[3] = {0, k, k + 1};
            for (int c = 0; c < 3; ++c) {
                const GEO_Vertex &v = prim->getVertex(idx[c]);
                const UT_Vector4 &pos = v.getPt()->getPos();
                for (int i = 0; i < 3; ++i) tr.p[c][i] = pos(i);
                tr.t[c][0] = v.getValue<float>(uv, 0);
                tr.t[c][1] = v.getValue<float>(uv, 1);
                tr.t[c][2] = 0;
                q.finite = q.finite && std::isfinite(tr.t[c][0]) && std::isfinite(tr.t[c][1]);
            }
            tr.signedUv = 0.5 * ((tr.t[1][0] - tr.t[0][0]) * (tr.t[2][1] - tr.t[0][1]) -
                                 (tr.t[2][0] - tr.t[0][0]) * (tr.t[1][1] - tr.t[0][1]));
            tr.a3 = area3(tr.p[0], tr.p[1], tr.p[2]);
            tris.push_back(tr);
        }
    }
    if (!q.finite || tris.empty()) return q;
    long votes = 0;
    double total3 = 0, totalUv = 0;
    for (const Tri &t : tris) {
        votes += t.signedUv > 0 ? 1 : -1;
        total3 += t.a3;
        totalUv += std::fabs(t.signedUv);
    }
    std::vector<double> ratios;
    double angleSum = 0;
    long corners = 0;
    double stretch = 0;  // sum of 3D area times (Gamma^2 + gamma^2) / 2
    for (const Tri &t : tris) {
        ++q.triangles;
        if ((t.signedUv > 0) != (votes > 0)) ++q.flipped;
        if (t.a3 <= 0) continue;  // degenerate in 3D: no angles to keep
        for (int c = 0; c < 3; ++c) {
            const double d = std::fabs(angle(t.t[c], t.t[(c + 1) % 3], t.t[(c + 2) % 3]) -
                                       angle(t.p[c], t.p[(c + 1) % 3], t.p[(c + 2) % 3])) * 180.0 / M_PI;
            angleSum += d;
            q.angleMax = std::max(q.angleMax, d);
            ++corners;
        }
        ratios.push_back((std::fabs(t.signedUv) / totalUv) / (t.a3 / total3));
        // The map's derivatives along s and t; Gamma^2 + gamma^2 is the sum
        // of their squared lengths.
        if (t.signedUv == 0) {
            stretch = INFINITY;
            continue;
        }
        double ss = 0, st = 0;
        for (int i = 0; i < 3; ++i) {
            const double ds = (t.p[0][i] * (t.t[1][1] - t.t[2][1]) + t.p[1][i] * (t.t[2][1] - t.t[0][1]) +
                               t.p[2][i] * (t.t[0][1] - t.t[1][1])) / (2 * t.signedUv);
            const double dt = (t.p[0][i] * (t.t[2][0] - t.t[1][0]) + t.p[1][i] * (t.t[0][0] - t.t[2][0]) +
                               t.p[2][i] * (t.t[1][0] - t.t[0][0])) / (2 * t.signedUv);
            ss += ds * ds;
            st += dt * dt;
        }
        stretch += t.a3 * (ss + st) / 2;
    }
    q.angleMean = corners ? angleSum / double(corners) : 0;
    q.l2Stretch = std::sqrt(stretch / total3) * std::sqrt(totalUv / total3);
    q.areaP5 = percentile(ratios, 0.05);
    q.areaP95 = percentile(ratios, 0.95);
    return q;
}

}  // namespace bench
