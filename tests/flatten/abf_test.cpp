// Angle-based flattening: the constraints at convergence, the fallback,
// and the surface angles reaching the rows unchanged.
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <UT/UT_Interrupt.h>
#include "flatten/abf_angles.h"
#include "support/flatskin_fixture.h"

namespace {
struct Mesh {
    std::vector<std::array<double, 3>> pos;
    std::vector<int> tris;

    /// The surface angle at every corner, as 32-bit floats.
    std::vector<double> flat() const {
        std::vector<double> f;
        for (const auto &p : pos) f.insert(f.end(), p.begin(), p.end());
        return f;
    }
    std::vector<float> angles() const {
        std::vector<float> a(tris.size());
        for (std::size_t c = 0; c < tris.size(); ++c) {
            const std::size_t t = c - c % 3;
            const auto &p = pos[tris[c]], &q = pos[tris[t + (c + 1) % 3]], &r = pos[tris[t + (c + 2) % 3]];
            double u[3], v[3], uu = 0, vv = 0, uv = 0;
            for (int i = 0; i < 3; ++i) {
                u[i] = q[i] - p[i];
                v[i] = r[i] - p[i];
                uu += u[i] * u[i], vv += v[i] * v[i], uv += u[i] * v[i];
            }
            a[c] = float(std::acos(std::clamp(uv / std::sqrt(uu * vv), -1.0, 1.0)));
        }
        return a;
    }
};

/// k x k quads split into triangles over z = f(x, y).
Mesh grid(int k, double (*f)(double, double)) {
    Mesh m;
    for (int j = 0; j <= k; ++j)
        for (int i = 0; i <= k; ++i) m.pos.push_back({double(i) / k, double(j) / k, f(double(i) / k, double(j) / k)});
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < k; ++i) {
            const int a = j * (k + 1) + i;
            m.tris.insert(m.tris.end(), {a, a + 1, a + k + 2, a, a + k + 2, a + k + 1});
        }
    return m;
}

/// A fan of n triangles around a raised centre (one interior point with an
/// angle deficit), with an inner ring of n more points when ring is set.
Mesh fan(int n, double height, bool ring) {
    Mesh m;
    m.pos.push_back({0, 0, height});
    for (int r = 1; r <= (ring ? 2 : 1); ++r)
        for (int i = 0; i < n; ++i)
            m.pos.push_back({r * std::cos(2 * M_PI * i / n), r * std::sin(2 * M_PI * i / n), height * (2 - r) * 0.3});
    for (int i = 0; i < n; ++i) m.tris.insert(m.tris.end(), {0, 1 + i, 1 + (i + 1) % n});
    if (ring)
        for (int i = 0; i < n; ++i) {
            const int a = 1 + i, b = 1 + (i + 1) % n;
            m.tris.insert(m.tris.end(), {a, a + n, b + n, a, b + n, b});
        }
    return m;
}

/// A grid with its middle quads left out: a disk with a hole.
Mesh holed() {
    Mesh g = grid(6, [](double x, double y) { return 0.8 * x * y - 0.3 * x * x; }), m;
    m.pos = g.pos;
    for (std::size_t t = 0; t < g.tris.size(); t += 3) {
        const int q = int(t / 6), i = q % 6, j = q / 6;
        if (i >= 2 && i <= 3 && j >= 2 && j <= 3) continue;
        m.tris.insert(m.tris.end(), g.tris.begin() + long(t), g.tris.begin() + long(t) + 3);
    }
    return m;
}

/// An octahedron: closed, so its angle sums cannot all be 2 pi.
Mesh octahedron() {
    Mesh m;
    m.pos = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    m.tris = {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4, 2, 0, 5, 1, 2, 5, 3, 1, 5, 0, 3, 5};
    return m;
}

/// Points every one of whose edges two triangles share.
std::vector<bool> interiorPoints(const Mesh &m) {
    std::map<std::pair<int, int>, int> uses;
    for (std::size_t c = 0; c < m.tris.size(); ++c) {
        const int a = m.tris[c], b = m.tris[c - c % 3 + (c + 1) % 3];
        ++uses[{std::min(a, b), std::max(a, b)}];
    }
    std::vector<bool> in(m.pos.size(), false);
    for (int p : m.tris) in[p] = true;
    for (const auto &[e, n] : uses)
        if (n != 2) in[e.first] = in[e.second] = false;
    return in;
}

uint64_t uvHash(GU_Detail &g) {
    const int off = g.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    uint64_t h = 1469598103934665603ull;  // FNV-1a over the bits of every u and v
    for (int p = 0; p < g.primitives().entries(); ++p)
        for (unsigned j = 0; j < g.primitives()(p)->getVertexCount(); ++j)
            for (int c = 0; c < 2; ++c) {
                const float f = g.primitives()(p)->getVertex(j).getValue<float>(off, c);
                uint32_t b;
                std::memcpy(&b, &f, 4);
                for (int k = 0; k < 4; ++k) h = (h ^ ((b >> (8 * k)) & 0xFF)) * 1099511628211ull;
            }
    return h;
}

float wave(float x, float y) { return 0.4f * std::sin(3 * x) * std::cos(4 * y) + 0.3f * x * y; }
}  // namespace

TEST(AbfAngles, ConvergedAnglesMeetEveryConstraint) {
    auto wavy = [](double x, double y) { return 0.4 * std::sin(3 * x) * std::cos(4 * y); };
    const struct {
        const char *name;
        Mesh mesh;
        bool ordered;  // large enough for an elimination order of its points
    } cases[] = {
        {"wavy grid", grid(8, wavy), false},
        {"large wavy grid", grid(60, wavy), true},
        {"cone", fan(7, 1.5, false), false},
        {"cone with ring", fan(9, 2.0, true), false},
        {"disk with hole", holed(), false},
    };
    for (const auto &c : cases) {
        std::vector<float> a;
        const AbfResult r = abfAngles(c.mesh.flat(), c.mesh.tris, c.mesh.angles(), a);
        ASSERT_TRUE(r.converged) << c.name << ": " << r.reason;
        ASSERT_EQ(a.size(), c.mesh.tris.size()) << c.name;
        ASSERT_EQ(r.pointOrder.empty(), !c.ordered) << c.name;
        std::vector<int> order = r.pointOrder;
        std::sort(order.begin(), order.end());
        for (std::size_t p = 0; p < order.size(); ++p) ASSERT_EQ(order[p], int(p)) << c.name << ": not a permutation";
        const std::vector<bool> in = interiorPoints(c.mesh);
        std::vector<double> sum(in.size(), 0.0), wheel(in.size(), 0.0);
        for (std::size_t t = 0; t < a.size(); t += 3) {
            EXPECT_NEAR(double(a[t]) + a[t + 1] + a[t + 2], M_PI, 1e-6) << c.name << " triangle " << t / 3;
            for (int i = 0; i < 3; ++i) {
                EXPECT_GT(a[t + i], 0.0f);
                sum[c.mesh.tris[t + i]] += a[t + i];
                // Around point p: the sine at the corner after p over the one before.
                const int p = c.mesh.tris[t + i];
                wheel[p] +=
                    std::log(std::sin(double(a[t + (i + 1) % 3]))) - std::log(std::sin(double(a[t + (i + 2) % 3])));
            }
        }
        int interior = 0;
        for (std::size_t p = 0; p < in.size(); ++p) {
            if (!in[p]) continue;
            ++interior;
            EXPECT_NEAR(sum[p], 2 * M_PI, 1e-5) << c.name << " point " << p;
            EXPECT_NEAR(wheel[p], 0.0, 1e-4) << c.name << " point " << p;
        }
        EXPECT_GT(interior, 0) << c.name;
    }
}

TEST(AbfAngles, RefusesWhatCannotConvergeAndFallsBackInTheNode) {
    // Host-free: a closed surface and an angle that is not a number.
    const Mesh oct = octahedron();
    std::vector<float> nan = oct.angles(), a;
    nan[4] = NAN;
    for (const std::vector<float> &surface : {oct.angles(), nan}) {
        const AbfResult r = abfAngles(oct.flat(), oct.tris, surface, a);
        EXPECT_FALSE(r.converged);
        EXPECT_FALSE(r.reason.empty());
        EXPECT_TRUE(a.empty());
    }

    // The node: a closed cube gets the surface angles' layout and a warning.
    uint64_t hash[2];
    for (int angles = 0; angles < 2; ++angles) {
        fs_test::Unwrap u;
        const float p[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
        for (const auto &q : p) u.input.appendPoint(UT_Vector4(q[0], q[1], q[2], 1));
        const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
        for (const auto &f : faces) u.input.appendPoly(f, 4);
        u.node->setInt("angles", 0, angles);
        ASSERT_LT(u.cook(), UT_ERROR_ABORT);
        EXPECT_EQ(u.said("Angle-based flattening did not converge, using the surface angles"), angles == 1);
        hash[angles] = uvHash(u.out());
    }
    EXPECT_EQ(hash[0], hash[1]);
}

TEST(AbfAngles, SurfaceAnglesKeepTheLayoutBitForBit) {
    // Layouts of the wavy grid below as the node wrote them before the
    // angles could be chosen, with and without the range fit.
    const uint64_t before[2] = {0x3d63035500b9b592ull, 0x712266f400499f3bull};
    for (int solver = 0; solver < 2; ++solver)
        for (int range = 0; range < 2; ++range) {
            fs_test::Unwrap u;
            fs_test::makeGrid(u.input, 24, 17, 2.0f, 1.0f, wave);
            u.node->setInt("solver", 0, solver);
            u.node->setInt("userange", 0, range);
            u.node->setInt("angles", 0, 0);
            ASSERT_LT(u.cook(), UT_ERROR_ABORT);
            EXPECT_EQ(uvHash(u.out()), before[range]) << solver << range;
        }
    // The optimised angles change it, and flip nothing.
    fs_test::Unwrap u;
    fs_test::makeGrid(u.input, 24, 17, 2.0f, 1.0f, wave);
    u.node->setInt("angles", 0, 1);
    ASSERT_LT(u.cook(), UT_ERROR_ABORT);
    EXPECT_FALSE(u.said("Angle-based flattening did not converge, using the surface angles"));
    EXPECT_NE(uvHash(u.out()), before[1]);
    int positive = 0, triangles = 0;
    for (int p = 0; p < u.out().primitives().entries(); ++p)
        for (int k = 1; k < 3; ++k, ++triangles)
            positive += fs_test::signedArea(u.uv(p, 0), u.uv(p, k), u.uv(p, k + 1)) > 0;
    EXPECT_TRUE(positive == 0 || positive == triangles) << positive << " of " << triangles;
}

TEST(AbfAngles, AStopBetweenNewtonStepsInterruptsTheCook) {
    // Polls 1 to 3 come between the cook's stages; poll 4 is the first
    // Newton step's, at 10% (the solver's own start at 20%).
    fs_test::Unwrap u;
    fs_test::makeGrid(u.input, 12, 12, 1.0f, 1.0f, wave);
    u.node->setInt("angles", 0, 1);
    int polls = 0, percent = -1;
    UTgetInterrupt()->setProgressFunc([&](const char *, int p) {
        if (++polls != 4) return;
        percent = p;
        UTgetInterrupt()->interrupt();
    });
    const OP_ERROR e = u.cook();
    UTgetInterrupt()->setProgressFunc(nullptr);
    EXPECT_GE(e, UT_ERROR_ABORT);
    EXPECT_EQ(percent, 10);
    EXPECT_TRUE(u.said("Cook interrupted", 0));
    EXPECT_FALSE(u.said("Angle-based flattening did not converge, using the surface angles"));
    EXPECT_EQ(u.out().vertexAttribs().find("uv"), nullptr);
    EXPECT_LT(u.cook(), UT_ERROR_ABORT);
    EXPECT_NE(u.out().vertexAttribs().find("uv"), nullptr);
}
