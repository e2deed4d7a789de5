#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "GU/GU_Detail.h"
#include "support/test_meshes.h"

using namespace test_meshes;

namespace {

/// A 2 by 1 grid with one attribute of each class and groups of each kind.
void makeSource(GU_Detail &src) {
    makeGrid(src, 2, 1, 2, 1);
    const int seam = src.addPointAttrib("seam", 4, GB_ATTRIB_FLOAT, nullptr);
    const float white[3] = {1, 1, 1};
    const int cd = src.addPrimAttrib("Cd", 12, GB_ATTRIB_FLOAT, white);
    const int uv = src.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, nullptr);
    const int layer = src.addAttrib("layer", 4, GB_ATTRIB_INT, nullptr);
    const int clash = src.addPointAttrib("clash", 4, GB_ATTRIB_INT, nullptr);
    for (const auto &p : src.points()) {
        p->setValue<float>(seam, 10.0f + float(p->getNum()));
        p->setValue<int>(clash, 7);
    }
    for (const auto &prim : src.primitives()) {
        prim->setValue<float>(cd, 0.5f * float(prim->getNum()), 1);
        for (unsigned v = 0; v < prim->getVertexCount(); ++v)
            prim->getVertex(v).setValue<float>(uv, float(prim->getNum() * 10 + v), 2);
    }
    src.setDetailValue<int>(layer, 42);
    src.newPointGroup("top")->add(src.points()(4));
    src.newPointGroup("shared")->add(src.points()(0));
    src.newPrimitiveGroup("right")->add(src.primitives()(1));
    src.newPrimitiveGroup("adhoc", true)->add(src.primitives()(0));
    GB_EdgeGroup *mid = src.newEdgeGroup("mid");
    mid->add(src.points()(1), src.points()(4), src.primitives()(0));
}

}  // namespace

TEST(GEO_Merge, AppendsInOrderWithAttributesAndGroups) {
    GU_Detail dst, src;
    makeGrid(dst, 1, 1, 1, 1);  // points 0-3, prim 0
    const float half = 0.5f;
    const int clash_float = dst.addPointAttrib("clash", 4, GB_ATTRIB_FLOAT, &half);
    const int own = dst.addPointAttrib("own", 4, GB_ATTRIB_FLOAT, &half);
    dst.newPointGroup("shared")->add(dst.points()(3));
    makeSource(src);
    dst.merge(src);

    ASSERT_EQ(dst.points().entries(), 4 + 6);
    ASSERT_EQ(dst.primitives().entries(), 1 + 2);
    for (int p = 0; p < 6; ++p) EXPECT_TRUE(dst.points()(4 + p)->getPos() == src.points()(p)->getPos()) << p;
    for (int p = 0; p < 2; ++p) {
        std::vector<int> want = pointsOf(*src.primitives()(p));
        for (int &q : want) q += 4;
        EXPECT_EQ(pointsOf(*dst.primitives()(1 + p)), want);
    }
    EXPECT_EQ(pointsOf(*dst.primitives()(0)), (std::vector<int>{0, 1, 3, 2}));

    // Attributes of every class come across with their values; the old
    // elements get the defaults.
    const int seam = dst.pointAttribs().getOffset("seam", 4, GB_ATTRIB_FLOAT);
    const int cd = dst.primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    const int uv = dst.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    const int layer = dst.attribs().getOffset("layer", 4, GB_ATTRIB_INT);
    ASSERT_GE(seam, 0);
    ASSERT_GE(cd, 0);
    ASSERT_GE(uv, 0);
    ASSERT_GE(layer, 0);
    EXPECT_EQ(dst.points()(0)->getValue<float>(seam), 0.0f);
    for (int p = 0; p < 6; ++p) EXPECT_EQ(dst.points()(4 + p)->getValue<float>(seam), 10.0f + float(p));
    EXPECT_EQ(dst.primitives()(0)->getValue<float>(cd, 1), 1.0f);
    for (int p = 0; p < 2; ++p) {
        const GEO_Primitive *prim = dst.primitives()(1 + p);
        EXPECT_EQ(prim->getValue<float>(cd, 1), 0.5f * float(p));
        EXPECT_EQ(prim->getValue<float>(cd, 0), 1.0f);
        for (unsigned v = 0; v < 4; ++v) EXPECT_EQ(prim->getVertex(v).getValue<float>(uv, 2), float(p * 10 + v));
    }
    EXPECT_EQ(dst.getDetailValue<int>(layer), 42);
    // The same name with another type stays as it was; own attributes keep
    // their values and give the new points their default.
    EXPECT_LT(dst.pointAttribs().getOffset("clash", 4, GB_ATTRIB_INT), 0);
    for (int p = 0; p < 10; ++p) {
        EXPECT_EQ(dst.points()(p)->getValue<float>(clash_float), 0.5f);
        EXPECT_EQ(dst.points()(p)->getValue<float>(own), 0.5f);
    }

    // Groups: a name on both sides is one group holding both sets.
    GB_PointGroup *shared = dst.findPointGroup("shared");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->entries(), 2);
    EXPECT_TRUE(shared->contains(3) && shared->contains(4));
    ASSERT_NE(dst.findPointGroup("top"), nullptr);
    EXPECT_TRUE(dst.findPointGroup("top")->contains(8));
    EXPECT_EQ(dst.findPointGroup("top")->entries(), 1);
    ASSERT_NE(dst.findPrimitiveGroup("right"), nullptr);
    EXPECT_TRUE(dst.findPrimitiveGroup("right")->contains(2));
    EXPECT_EQ(dst.findPrimitiveGroup("right")->entries(), 1);
    GB_Group *adhoc = dst.primitiveGroups().find("adhoc", true);
    ASSERT_NE(adhoc, nullptr);
    EXPECT_TRUE(adhoc->getInternal());
    EXPECT_TRUE(adhoc->contains(1));
    GB_EdgeGroup *mid = dst.findEdgeGroup("mid");
    ASSERT_NE(mid, nullptr);
    ASSERT_EQ(mid->entries(), 1);
    EXPECT_TRUE(mid->contains(5, 8));
    EXPECT_EQ(mid->edges()[0].p0, dst.points()(5));
    EXPECT_EQ(mid->edges()[0].prim, dst.primitives()(1));
}

TEST(GEO_Merge, OptionsLeaveOutPrimitiveAndInternalGroups) {
    GU_Detail src;
    makeSource(src);
    {
        GU_Detail dst;
        dst.merge(src, nullptr, 0);
        EXPECT_EQ(dst.primitiveGroups().entries(), 0);
        EXPECT_NE(dst.findPointGroup("top"), nullptr);
    }
    {
        GU_Detail dst;
        dst.merge(src, nullptr, 1, 0, nullptr, false);
        EXPECT_EQ(dst.primitiveGroups().find("adhoc", true), nullptr);
        EXPECT_NE(dst.findPrimitiveGroup("right"), nullptr);
    }
    {
        // Merging twice appends twice; merging into itself does nothing.
        GU_Detail dst;
        dst.merge(src);
        dst.merge(src);
        EXPECT_EQ(dst.points().entries(), 12);
        EXPECT_EQ(pointsOf(*dst.primitives()(3)), (std::vector<int>{7, 8, 11, 10}));
        EXPECT_EQ(dst.findPointGroup("top")->entries(), 2);
        dst.merge(dst);
        EXPECT_EQ(dst.points().entries(), 12);
    }
}
