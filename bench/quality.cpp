// Quality figures of a layout: flipped triangles against the majority
// orientation, corner-angle distortion and the spread of the area ratio.
#include "bench.h"

#include "autoseams/distortion.h"

#include <GEO/GEO_PointClassifier.h>
#include <GU/triangulate_polygon.h>
#include <GEO/GEO_PrimClassifier.h>
#include <UT/UT_Vector3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>

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

int findRoot(std::vector<int> &parent, int x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
}

// Islands and seam length of the polygons of out in class cls: polygons
// join across an edge whose two corners carry the same UVs on both sides.
void measureIslands(const GU_Detail &out, const GEO_PrimClassifier &pieces, int cls, int uv, Quality &q) {
    const int np = out.primitives().entries();
    std::vector<int> parent(np);
    std::iota(parent.begin(), parent.end(), 0);
    struct Side {
        int prim;
        const GEO_Vertex *a, *b;
    };
    std::map<std::pair<int, int>, Side> first;
    auto same = [uv](const GEO_Vertex *x, const GEO_Vertex *y) {
        return x->getValue<float>(uv, 0) == y->getValue<float>(uv, 0) &&
               x->getValue<float>(uv, 1) == y->getValue<float>(uv, 1);
    };
    for (const auto &prim : out.primitives()) {
        if (pieces.getClass(prim->getNum()) != cls) continue;
        const unsigned m = prim->getVertexCount();
        for (unsigned i = 0; i < m; ++i) {
            const GEO_Vertex *a = &prim->getVertex(i), *b = &prim->getVertex((i + 1) % m);
            const int pa = a->getPt()->getNum(), pb = b->getPt()->getNum();
            if (pa == pb) continue;
            const auto key = std::make_pair(std::min(pa, pb), std::max(pa, pb));
            auto [it, added] = first.try_emplace(key, Side{prim->getNum(), pa < pb ? a : b, pa < pb ? b : a});
            if (added) continue;
            const Side &o = it->second;
            if (same(o.a, pa < pb ? a : b) && same(o.b, pa < pb ? b : a)) {
                parent[findRoot(parent, o.prim)] = findRoot(parent, prim->getNum());
            } else {
                q.seamLength += (UT_Vector3(a->getPt()->getPos()) - UT_Vector3(b->getPt()->getPos())).length();
            }
        }
    }
    for (const auto &prim : out.primitives())
        if (pieces.getClass(prim->getNum()) == cls && findRoot(parent, prim->getNum()) == prim->getNum()) ++q.islands;
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
    // First, so that its edge table is gone before the triangles are made.
    measureIslands(out, pieces, cls, uv, q);

    struct Tri {
        double p[3][3], t[3][3];
        double signedUv, a3;
    };
    std::vector<Tri> tris;
    std::vector<double> xyz;
    std::vector<std::array<int, 3>> split;
    for (const auto &prim : out.primitives()) {
        if (pieces.getClass(prim->getNum()) != cls) continue;
        // The triangles flatskin lays out: the polygon split on its 3D
        // corners as convex() splits it. A fan of the UV polygon would put
        // a flipped sliver into every concave layout of a hexagon.
        const unsigned m = prim->getVertexCount();
        if (m < 3) continue;
        xyz.resize(3 * m);
        for (unsigned i = 0; i < m; ++i) {
            const UT_Vector4 &pos = prim->getVertex(i).getPt()->getPos();
            for (int k = 0; k < 3; ++k) xyz[3 * i + k] = pos(k);
        }
        triangulatePolygon(xyz.data(), int(m), split);
        for (const std::array<int, 3> &idx : split) {
            Tri tr{};
            for (int c = 0; c < 3; ++c) {
                const GEO_Vertex &v = prim->getVertex(unsigned(idx[c]));
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
    double total3 = 0;
    for (const Tri &t : tris) {
        votes += t.signedUv > 0 ? 1 : -1;
        total3 += t.a3;
    }
    // The area spread and the L2 stretch come from the figures the seam
    // search judges its layouts by, so the table and the search agree.
    std::vector<LayoutTriangle> layout(tris.size());
    for (std::size_t i = 0; i < tris.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 3; ++k) layout[i].p[c][k] = tris[i].p[c][k];
            layout[i].uv[c][0] = tris[i].t[c][0];
            layout[i].uv[c][1] = tris[i].t[c][1];
        }
    const Distortion figures = measureDistortion(layout);
    q.l2 = figures.l2;
    q.areaP5 = figures.areaP5;
    q.areaP95 = figures.areaP95;
    q.area = total3;
    double angleSum = 0;
    long corners = 0;
    for (const Tri &t : tris) {
        ++q.triangles;
        if ((t.signedUv > 0) != (votes > 0)) ++q.flipped;
        if (t.a3 <= 0) continue;  // degenerate in 3D: no angles to keep
        for (int c = 0; c < 3; ++c) {
            const double d = std::fabs(angle(t.t[c], t.t[(c + 1) % 3], t.t[(c + 2) % 3]) -
                                       angle(t.p[c], t.p[(c + 1) % 3], t.p[(c + 2) % 3])) *
                             180.0 / M_PI;
            angleSum += d;
            q.angleMax = std::max(q.angleMax, d);
            ++corners;
        }
    }
    q.angleMean = corners ? angleSum / double(corners) : 0;
    return q;
}

}  // namespace bench
