// Inputs that carry a bookkeeping attribute of their own.
#include <gtest/gtest.h>
#include <cstring>
#include "support/flatskin_fixture.h"

using namespace fs_test;

namespace {
constexpr float kMinusOne = -1.0f;

/// Every output vertex's uv, as raw bits, in primitive and vertex order.
std::vector<uint32_t> layoutBits(Unwrap &u) {
    std::vector<uint32_t> bits;
    for (const auto &p : u.out().primitives())
        for (unsigned q = 0; q < p->getVertexCount(); ++q) {
            auto t = u.uv(p->getNum(), static_cast<int>(q));
            for (double x : {t.first, t.second}) {
                float f = static_cast<float>(x);
                uint32_t b;
                std::memcpy(&b, &f, sizeof b);
                bits.push_back(b);
            }
        }
    return bits;
}

std::vector<uint32_t> cookedLayout(void (*decorate)(GU_Detail &), int solver) {
    Unwrap u;
    makeTube(u.input, 8, 3);
    if (decorate) decorate(u.input);
    u.node->setString("seams", 0, "p0-8-16-24");
    u.node->setInt("solver", 0, solver);
    EXPECT_LT(u.cook(), UT_ERROR_ABORT);
    // The user's attribute reaches the output untouched.
    if (decorate) {
        const GU_Detail &o = u.out();
        const GB_Attribute *a = o.pointAttribs().find("ptN");
        if (!a) a = o.primitiveAttribs().find("primN");
        if (!a) a = o.vertexAttribs().find("vtxN");
        EXPECT_TRUE(a && a->size == 4 && a->type == GB_ATTRIB_FLOAT);
    }
    return layoutBits(u);
}
}  // namespace

TEST(BookkeepingConflict, AnInputAttributeOfAnotherTypeLeavesTheLayoutAsWithoutIt) {
    void (*cases[])(GU_Detail &) = {
        [](GU_Detail &g) { g.pointAttribs().append("ptN", 4, GB_ATTRIB_FLOAT, &kMinusOne); },
        [](GU_Detail &g) { g.primitiveAttribs().append("primN", 4, GB_ATTRIB_FLOAT, &kMinusOne); },
        [](GU_Detail &g) { g.vertexAttribs().append("vtxN", 4, GB_ATTRIB_FLOAT, &kMinusOne); },
    };
    for (int solver : {0, 1}) {
        const std::vector<uint32_t> plain = cookedLayout(nullptr, solver);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(cookedLayout(cases[i], solver), plain) << "case " << i << " solver " << solver;
    }
}
