// The seam search: the topological cut, then paths from the worst
// compressed points of the layout to the cut until the layout is good.
#include "autoseams.h"
#include "distortion.h"
#include <UT/UT_Interrupt.h>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

/// The triangles of every component.
std::vector<std::vector<int>> trianglesByComponent(const SeamMesh &m) {
    std::vector<std::vector<int>> out(m.components);
    for (int t = 0; t < m.triCount(); ++t) out[m.polyComponent[m.triPoly[t]]].push_back(t);
    return out;
}

bool hasCutOrBoundary(const SeamMesh &m, const std::vector<int> &tris, const std::vector<char> &cut) {
    for (int t : tris)
        for (int c = 0; c < 3; ++c) {
            const int e = m.sideEdge[3 * t + c];
            if (e >= 0 && (cut[e] || m.edgeKind[e] != EdgeKind::Interior)) return true;
        }
    return false;
}

bool meetsTarget(const Distortion &d, double target) {
    return double(d.flipped) <= 0.001 * double(d.triangles) && d.l2 <= target && d.areaP5 >= 1 / (target * target) &&
           d.areaP95 <= target * target;
}

/// Per vertex of tris, the surface area around it over its UV area (both
/// as shares of their totals): above 1 where the layout compresses.
/// Flipped triangles count as having no UV area.
void compression(const SeamMesh &m, const std::vector<int> &tris, const std::vector<LayoutTriangle> &layout,
                 bool ccw, std::vector<double> &score, std::vector<int> &verts) {
    static thread_local std::vector<double> a3, auv;
    a3.assign(m.vertexCount(), 0);
    auv.assign(m.vertexCount(), 0);
    double total3 = 0, totalUv = 0;
    for (const LayoutTriangle &t : layout) total3 += surfaceArea(t), totalUv += std::fabs(uvArea(t));
    verts.clear();
    for (std::size_t i = 0; i < tris.size(); ++i) {
        const double s = surfaceArea(layout[i]) / total3, a = uvArea(layout[i]);
        const double u = ((a > 0) == ccw) ? std::fabs(a) / totalUv : 0.0;
        for (int v : m.tris[tris[i]]) {
            if (a3[v] == 0 && auv[v] == 0) verts.push_back(v);
            a3[v] += s;
            auv[v] += u;
        }
    }
    std::sort(verts.begin(), verts.end());
    verts.erase(std::unique(verts.begin(), verts.end()), verts.end());
    score.assign(m.vertexCount(), 0);
    for (int v : verts) score[v] = a3[v] / std::max(auv[v], 1e-300);
}

/// The layout of tris as surface and UV triangles.
std::vector<LayoutTriangle> layoutOf(const SeamMesh &m, const std::vector<int> &tris,
                                     const std::vector<std::array<double, 2>> &uv) {
    std::vector<LayoutTriangle> out(tris.size());
    for (std::size_t i = 0; i < tris.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            const int t = tris[i];
            for (int k = 0; k < 3; ++k) out[i].p[c][k] = m.pos[m.tris[t][c]][k];
            out[i].uv[c][0] = uv[3 * t + c][0];
            out[i].uv[c][1] = uv[3 * t + c][1];
        }
    return out;
}

/// Sources of the path search in component: every vertex on the cut, the
/// boundary or a singular edge, and vertices shared with other components.
void addCutSources(const SeamMesh &m, int component, const std::vector<int> &tris, const std::vector<char> &cut,
                   const std::vector<char> &shared, CutDistance &dist) {
    dist.reset(component);
    for (int t : tris)
        for (int c = 0; c < 3; ++c) {
            const int e = m.sideEdge[3 * t + c];
            if (e >= 0 && (cut[e] || m.edgeKind[e] != EdgeKind::Interior))
                for (int v : m.edgeVerts[e]) dist.addSource(v);
            if (shared[m.tris[t][c]]) dist.addSource(m.tris[t][c]);
        }
    dist.run();
}

/// Adds the paths of one round: to the worst compressed vertex, then to
/// others that are compressed beyond the target and far from the cut as it
/// grows. Returns the number of paths added.
int addPaths(const SeamMesh &m, const std::vector<int> &verts, const std::vector<double> &score, double target,
             double spacing, int budget, CutDistance &dist, std::vector<char> &cut) {
    std::vector<int> order(verts);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return score[a] > score[b] || (score[a] == score[b] && a < b); });
    int added = 0;
    for (int v : order) {
        if (added >= budget) break;
        if (added > 0 && score[v] < target * target) break;
        const double d = dist.distance(v);
        if (!(d > 0) || !std::isfinite(d) || (added > 0 && d < spacing)) continue;
        const std::vector<int> path = dist.pathEdges(v);
        for (int e : path) {
            cut[e] = 1;
            for (int w : m.edgeVerts[e]) dist.addSource(w);
        }
        dist.run();
        ++added;
    }
    return added;
}

} // namespace

bool findSeams(const SeamMesh &m, const SeamOptions &opt, std::vector<char> &cut, SeamReport &report,
               const std::function<bool(int)> &interrupted) {
    report = SeamReport();
    report.components = m.components;
    topologicalCut(m, cut);
    if (interrupted(10)) return false;
    const std::vector<std::vector<int>> byComponent = trianglesByComponent(m);
    std::vector<char> shared(m.vertexCount(), 0);
    {
        std::vector<int> seen(m.vertexCount(), -1);
        for (int t = 0; t < m.triCount(); ++t)
            for (int v : m.tris[t]) {
                const int c = m.polyComponent[m.triPoly[t]];
                if (seen[v] >= 0 && seen[v] != c) shared[v] = 1;
                seen[v] = c;
            }
    }
    std::vector<std::array<double, 2>> uv(3 * m.triCount());
    std::vector<double> score;
    std::vector<int> verts;
    CutDistance dist(m);
    const long total = std::max(1, m.triCount());
    long done = 0;
    for (int comp = 0; comp < m.components; ++comp) {
        const std::vector<int> &tris = byComponent[comp];
        if (tris.empty()) continue;
        if (!hasCutOrBoundary(m, tris, cut)) {
            if (!openSphere(m, comp, tris, cut)) continue;
            ++report.openedSpheres;
        }
        double area = 0;
        for (int t : tris) {
            LayoutTriangle lt{};
            for (int c = 0; c < 3; ++c)
                for (int k = 0; k < 3; ++k) lt.p[c][k] = m.pos[m.tris[t][c]][k];
            area += surfaceArea(lt);
        }
        const double spacing = 0.1 * std::sqrt(area);
        int added = 0;
        for (;;) {
            const int percent = 10 + int(85 * double(done) / double(total));
            if (interrupted(percent)) return false;
            ++report.layouts;
            if (!flattenComponent(m, tris, cut, uv)) {
                if (UTgetInterrupt()->interrupted()) return !interrupted(-1);
                ++report.failedSolves;
                break;
            }
            const std::vector<LayoutTriangle> layout = layoutOf(m, tris, uv);
            const Distortion d = measureDistortion(layout);
            if (meetsTarget(d, opt.target)) break;
            if (added >= opt.maxCuts) {
                ++report.unmet;
                break;
            }
            double positive = 0, all = 0;
            for (const LayoutTriangle &t : layout) {
                const double a = uvArea(t);
                all += std::fabs(a);
                if (a > 0) positive += a;
            }
            compression(m, tris, layout, 2 * positive >= all, score, verts);
            addCutSources(m, comp, tris, cut, shared, dist);
            const int budget = std::min(opt.pathsPerRound, opt.maxCuts - added);
            const int now = addPaths(m, verts, score, opt.target, spacing, budget, dist, cut);
            if (now == 0) {
                ++report.unmet;
                break;
            }
            added += now;
            report.addedPaths += now;
        }
        done += static_cast<long>(tris.size());
    }
    return true;
}
