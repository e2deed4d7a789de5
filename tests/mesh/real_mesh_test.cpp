// A real closed mesh, cut open along a path of edges, unwraps with few flips.
#include <gtest/gtest.h>
#include <cstdio>
#include <map>
#include <queue>
#include "sopcook/io/GeometryFile.h"
#include "support/flatskin_fixture.h"
#include "support/shortest_path_cut.h"

using namespace fs_test;

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
    std::vector<int> path = test_meshes::shortestEdgePath(u.input, lo, hi);
    ASSERT_GT(path.size(), 3u);
    u.node->setString("seams", 0, test_meshes::chainPattern(path).c_str());
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
