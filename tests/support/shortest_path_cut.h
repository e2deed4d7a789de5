#pragma once
// Cuts that open a closed mesh along one shortest edge path: the baseline
// cut of the benchmark and of the real-mesh tests.
#include <algorithm>
#include <map>
#include <queue>
#include <string>
#include <utility>
#include <vector>
#include "GEO/GEO_Detail.h"
#include "UT/UT_Vector3.h"

namespace test_meshes {

/// The shortest path (by edge length, over the edges of g's polygons) from
/// point a to point b, as point numbers from a to b; empty when b cannot be
/// reached. a and b must be point numbers of g.
inline std::vector<int> shortestEdgePath(const GEO_Detail &g, int a, int b) {
    const int n = g.points().entries();
    std::vector<std::vector<int>> adj(static_cast<size_t>(n));
    for (const auto &p : g.primitives()) {
        const unsigned m = p->getVertexCount();
        for (unsigned i = 0; i < m; ++i) {
            const int x = p->getVertex(i).getPt()->getNum(), y = p->getVertex((i + 1) % m).getPt()->getNum();
            adj[x].push_back(y);
            adj[y].push_back(x);
        }
    }
    std::vector<double> d(static_cast<size_t>(n), 1e300);
    std::vector<int> back(static_cast<size_t>(n), -1);
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> q;
    d[a] = 0;
    q.push({0, a});
    while (!q.empty()) {
        auto [dist, x] = q.top();
        q.pop();
        if (dist > d[x]) continue;
        if (x == b) break;
        for (int y : adj[x]) {
            const double len = (UT_Vector3(g.points()(y)->getPos()) - UT_Vector3(g.points()(x)->getPos())).length();
            if (dist + len < d[y]) {
                d[y] = dist + len;
                back[y] = x;
                q.push({d[y], y});
            }
        }
    }
    if (a != b && back[b] < 0) return {};
    std::vector<int> path;
    for (int x = b; x >= 0; x = back[x]) path.push_back(x);
    std::reverse(path.begin(), path.end());
    return path;
}

/// The "seams" pattern of a chain of points: "pA-B-C...".
inline std::string chainPattern(const std::vector<int> &path) {
    if (path.empty()) return "";
    std::string pattern = "p" + std::to_string(path[0]);
    for (size_t i = 1; i < path.size(); ++i) pattern += "-" + std::to_string(path[i]);
    return pattern;
}

/// A "seams" pattern that opens a closed mesh: the shortest edge path
/// between the extreme points along the bounding box's longest axis.
/// Empty when the mesh has a boundary edge already (or nothing to cut).
inline std::string openingSeams(const GEO_Detail &g) {
    if (g.points().entries() == 0 || g.primitives().entries() == 0) return "";
    std::map<std::pair<int, int>, int> uses;
    for (const auto &p : g.primitives()) {
        const unsigned m = p->getVertexCount();
        for (unsigned i = 0; i < m; ++i) {
            const int a = p->getVertex(i).getPt()->getNum(), b = p->getVertex((i + 1) % m).getPt()->getNum();
            ++uses[{std::min(a, b), std::max(a, b)}];
        }
    }
    for (const auto &[edge, count] : uses)
        if (count == 1) return "";  // open already
    double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
    for (const auto &p : g.points())
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], double(p->getPos()(a)));
            hi[a] = std::max(hi[a], double(p->getPos()(a)));
        }
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (hi[a] - lo[a] > hi[axis] - lo[axis]) axis = a;
    int from = 0, to = 0;
    for (const auto &p : g.points()) {
        if (p->getPos()(axis) < g.points()(from)->getPos()(axis)) from = p->getNum();
        if (p->getPos()(axis) > g.points()(to)->getPos()(axis)) to = p->getNum();
    }
    const std::vector<int> path = shortestEdgePath(g, from, to);
    return path.size() >= 2 ? chainPattern(path) : "";
}

}  // namespace test_meshes
