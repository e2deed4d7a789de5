// The seam search: the topological cut, then paths from the worst
// compressed points of the layout to the cut until the layout is good.
#include "autoseams.h"
#include "distortion.h"
#include <UT/UT_Interrupt.h>
#include <algorithm>
#include <cmath>
#include <limits>
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

/// How far a layout is from the target: at most 1 when it meets it (flips
/// on at most 0.1% of the triangles, L2 stretch at most target, the 5-95%
/// area ratio within [1/target^2, target^2]); the largest of the shares.
double badness(const Distortion &d, double target) {
    const double t2 = target * target;
    const double flips = d.triangles ? double(d.flipped) / (0.001 * double(d.triangles)) : 0.0;
    const double low = d.areaP5 > 0 ? 1 / (t2 * d.areaP5) : std::numeric_limits<double>::infinity();
    const double l2 = std::isfinite(d.l2) ? d.l2 / target : std::numeric_limits<double>::infinity();
    return std::max({flips, l2, low, d.areaP95 / t2});
}

/// Per vertex of tris, the surface area around it over its UV area (both
/// as shares of their totals): above 1 where the layout compresses.
/// Flipped triangles count as having no UV area.
void compression(const SeamMesh &m, const std::vector<int> &tris, const std::vector<LayoutTriangle> &layout, bool ccw,
                 std::vector<double> &score, std::vector<int> &verts) {
    static thread_local std::vector<double> a3, auv;
    a3.assign(m.vertexCount(), 0);
    auv.assign(m.vertexCount(), 0);
    double total3 = 0, totalUv = 0;
    for (const LayoutTriangle &t : layout) total3 += surfaceArea(t), totalUv += std::fabs(uvArea(t));
    verts.clear();
    score.assign(m.vertexCount(), 0);
    if (!(total3 > 0 && totalUv > 0 && std::isfinite(total3 + totalUv))) return;  // nothing to compare
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

/// Smooths the logarithm of score over the interior edges of component by
/// rounds of averaging each vertex with its neighbours, so that the search
/// aims at broad compressed regions rather than single ill-shaped
/// triangles. The rounds grow with the square root of the vertex count.
void smoothScore(const SeamMesh &m, int component, const std::vector<int> &verts, std::vector<double> &score) {
    static thread_local std::vector<double> next;
    next.resize(m.vertexCount());
    for (int v : verts) score[v] = std::log(std::clamp(score[v], 1e-300, 1e300));
    const int rounds = std::clamp(int(0.05 * std::sqrt(double(verts.size()))), 0, 30);
    for (int r = 0; r < rounds; ++r) {
        for (int v : verts) {
            double sum = score[v];
            int n = 1;
            for (int j = m.vertEdgeStart[v]; j < m.vertEdgeStart[v + 1]; ++j) {
                const int e = m.vertEdges[j];
                if (m.edgeKind[e] != EdgeKind::Interior || m.polyComponent[m.edgeFaces[e][0]] != component) continue;
                sum += score[m.edgeVerts[e][0] == v ? m.edgeVerts[e][1] : m.edgeVerts[e][0]];
                ++n;
            }
            next[v] = sum / n;
        }
        for (int v : verts) score[v] = next[v];
    }
    for (int v : verts) score[v] = std::exp(score[v]);
}

/// Adds the paths of one round: to the most compressed vertex, then to
/// others that are compressed beyond the target and away from the cut as
/// it grows. Returns the number of paths added; their edges are appended
/// to history.
int addPaths(const SeamMesh &m, const std::vector<int> &verts, const std::vector<double> &score, double target,
             double spacing, int budget, CutDistance &dist, std::vector<char> &cut, std::vector<int> &history) {
    std::vector<int> order(verts);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return score[a] > score[b] || (score[a] == score[b] && a < b); });
    int added = 0;
    for (int v : order) {
        if (added >= budget) break;
        if (added > 0 && score[v] < target * target) break;
        const double d = dist.distance(v);
        if (!std::isfinite(d) || d < (added > 0 ? spacing : 0.25 * spacing)) continue;
        const std::vector<int> path = dist.pathEdges(v);
        for (int e : path) {
            cut[e] = 1;
            history.push_back(e);
            for (int w : m.edgeVerts[e]) dist.addSource(w);
        }
        dist.run();
        ++added;
    }
    return added;
}

/// Sum of the surface areas of tris.
double areaOf(const SeamMesh &m, const std::vector<int> &tris) {
    double area = 0;
    for (int t : tris) {
        LayoutTriangle lt{};
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k) lt.p[c][k] = m.pos[m.tris[t][c]][k];
        area += surfaceArea(lt);
    }
    return area;
}

/// The distortion search on one component whose cut already opens it into
/// a disk. Leaves in cut the cut of the best layout found. False when
/// interrupted.
bool searchComponent(const SeamMesh &m, int comp, const std::vector<int> &tris, const std::vector<char> &shared,
                     const SeamOptions &opt, std::vector<char> &cut, SeamReport &report,
                     const std::function<bool(int)> &interrupted, int percent) {
    static thread_local std::vector<std::array<double, 2>> uv;
    uv.resize(3 * m.triCount());
    std::vector<double> score;
    std::vector<int> verts;
    CutDistance dist(m);
    // New paths keep this far from the cut (the first a quarter of it).
    const double spacing = 0.04 * std::sqrt(areaOf(m, tris));
    // Edges added by the search, in order; the best layout's cut is the
    // first bestSize of them. A round of several paths that makes the
    // layout worse is taken back, and the next rounds add half as many.
    std::vector<int> history;
    std::size_t bestSize = 0;
    double bestBadness = std::numeric_limits<double>::infinity();
    std::vector<std::array<double, 2>> bestUv;
    int added = 0, bestAdded = 0, stalled = 0, perRound = opt.pathsPerRound, lastRound = 0;
    auto revert = [&] {
        for (std::size_t i = bestSize; i < history.size(); ++i) cut[history[i]] = 0;
        history.resize(bestSize);
        added = bestAdded;
    };
    auto copyUv = [&](bool save) {
        bestUv.resize(3 * tris.size());
        for (std::size_t i = 0; i < tris.size(); ++i)
            for (int c = 0; c < 3; ++c) {
                auto &here = uv[3 * tris[i] + c];
                auto &kept = bestUv[3 * i + c];
                if (save)
                    kept = here;
                else
                    here = kept;
            }
    };
    for (;;) {
        if (interrupted(percent)) return false;
        ++report.layouts;
        if (!flattenComponent(m, tris, cut, uv, opt.abf)) {
            if (UTgetInterrupt()->interrupted()) return !interrupted(-1);
            ++report.failedSolves;
            break;
        }
        std::vector<LayoutTriangle> layout = layoutOf(m, tris, uv);
        const double bad = badness(measureDistortion(layout), opt.target);
        // Three layouts in a row that gain less than 1% end the search.
        stalled = bad > 0.99 * bestBadness ? stalled + 1 : 0;
        if (bad < bestBadness) {
            bestBadness = bad;
            bestSize = history.size();
            bestAdded = added;
            copyUv(true);
        } else if (lastRound > 1) {
            revert();
            perRound = std::max(1, lastRound / 2);
            copyUv(false);
            layout = layoutOf(m, tris, uv);
        }
        if (bestBadness <= 1) break;
        if (stalled >= 3 || added >= opt.maxCuts) {
            ++report.unmet;
            if (added >= opt.maxCuts) ++report.capped;
            break;
        }
        double positive = 0, all = 0;
        for (const LayoutTriangle &t : layout) {
            const double a = uvArea(t);
            all += std::fabs(a);
            if (a > 0) positive += a;
        }
        compression(m, tris, layout, 2 * positive >= all, score, verts);
        smoothScore(m, comp, verts, score);
        addCutSources(m, comp, tris, cut, shared, dist);
        const int budget = std::min(perRound, opt.maxCuts - added);
        const int now = addPaths(m, verts, score, opt.target, spacing, budget, dist, cut, history);
        if (now == 0) {
            ++report.unmet;
            break;
        }
        added += now;
        lastRound = now;
    }
    if (std::isfinite(bestBadness)) revert();
    report.addedPaths += added;
    return true;
}

}  // namespace

bool findSeams(const SeamMesh &m, const SeamOptions &opt, std::vector<char> &cut, SeamReport &report,
               const std::function<bool(int)> &interrupted) {
    report = SeamReport();
    report.components = m.components;
    topologicalCut(m, cut);
    if (interrupted(10)) return false;
    const std::vector<std::vector<int>> byComponent = trianglesByComponent(m);
    // Vertices that polygons of several components share.
    std::vector<char> shared(m.vertexCount(), 0);
    std::vector<int> seen(m.vertexCount(), -1);
    for (int t = 0; t < m.triCount(); ++t)
        for (int v : m.tris[t]) {
            const int c = m.polyComponent[m.triPoly[t]];
            if (seen[v] >= 0 && seen[v] != c) shared[v] = 1;
            seen[v] = c;
        }
    const double total = std::max(1, m.triCount());
    long done = 0;
    for (int comp = 0; comp < m.components; ++comp) {
        const std::vector<int> &tris = byComponent[comp];
        if (tris.empty()) continue;
        if (!hasCutOrBoundary(m, tris, cut)) {
            if (!openSphere(m, comp, tris, cut)) continue;
            ++report.openedSpheres;
        }
        if (!searchComponent(m, comp, tris, shared, opt, cut, report, interrupted, 10 + int(85 * done / total)))
            return false;
        done += static_cast<long>(tris.size());
    }
    return true;
}
