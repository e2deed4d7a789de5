// A real closed mesh, cut open along a path of edges, unwraps with few flips.
#include <gtest/gtest.h>
#include <cstdio>
#include <map>
#include <queue>
#include "sopcook/io/GeometryFile.h"
#include "support/flatskin_fixture.h"

using namespace fs_test;

namespace {
/// Shortest edge path (by length) between points a and b, as point numbers.
std::vector<int> shortestPath(const GU_Detail &g, int a, int b) {
    const int n = g.points().entries();
    std::vector<std::vector<int>> adj(n);
    for (const auto &p : g.primitives())
        for (unsigned i = 0; i < p->getVertexCount(); ++i) {
            int x = p->getVertex(i).getPt()->getNum();
            int y = p->getVertex((i + 1) % p->getVertexCount()).getPt()->getNum();
            adj[x].push_back(y);
            adj[y].push_back(x);
        }
    std::vector<double> d(n, 1e300);
    std::vector<int> from(n, -1);
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> q;
    d[a] = 0;
    q.push({0, a});
    while (!q.empty()) {
        auto [dist, x] = q.top();
        q.pop();
        if (dist > d[x]) continue;
        for (int y : adj[x]) {
            UT_Vector3 e = UT_Vector3(g.points()(y)->getPos()) - UT_Vector3(g.points()(x)->getPos());
            double nd = dist + e.length();
            if (nd < d[y]) { d[y] = nd; from[y] = x; q.push({nd, y}); }
        }
    }
    std::vector<int> path;
    for (int x = b; x >= 0; x = from[x]) path.insert(path.begin(), x);
    return path;
}
} // namespace

TEST(RealMesh, SpotCutOpenByAPathUnwrapsWithFewFlips) {
    Unwrap u;
    std::vector<std::string> notes;
    readGeometryFile(std::string(FLATSKIN_MESHES) + "/spot_quads.obj", u.input, notes);
    ASSERT_GT(u.input.primitives().entries(), 1000);

    // From the lowest point to the highest: a long cut opens the closed
    // surface into a disk.
    int lo = 0, hi = 0;
    for (const auto &p : u.input.points()) {
        if (p->getPos()(1) < u.input.points()(lo)->getPos()(1)) lo = p->getNum();
        if (p->getPos()(1) > u.input.points()(hi)->getPos()(1)) hi = p->getNum();
    }
    std::vector<int> path = shortestPath(u.input, lo, hi);
    ASSERT_GT(path.size(), 3u);
    std::string pattern = "p" + std::to_string(path[0]);
    for (size_t i = 1; i < path.size(); ++i) pattern += "-" + std::to_string(path[i]);
    u.node->setString("seams", 0, pattern.c_str());
    EXPECT_LT(u.cook(), UT_ERROR_ABORT);

    int flipped = 0, total = 0, orientation_votes = 0;
    std::vector<double> areas;
    for (const auto &p : u.out().primitives())
        for (unsigned t = 1; t + 1 < p->getVertexCount(); ++t) {
            auto a = u.uv(p->getNum(), 0), b = u.uv(p->getNum(), t), c = u.uv(p->getNum(), t + 1);
            ASSERT_TRUE(std::isfinite(a.first) && std::isfinite(a.second));
            double s = signedArea(a, b, c);
            areas.push_back(s);
            orientation_votes += s > 0 ? 1 : -1;
        }
    for (double s : areas) {
        ++total;
        if ((s > 0) != (orientation_votes > 0)) ++flipped;
    }
    double share = double(flipped) / total;
    std::printf("spot_quads: %d of %d triangles flipped (%.3f%%)\n", flipped, total, 100 * share);
    EXPECT_LE(share, 0.01);
}
