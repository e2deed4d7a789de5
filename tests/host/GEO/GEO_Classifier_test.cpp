#include <gtest/gtest.h>
#include <vector>
#include "GEO/GEO_PointClassifier.h"
#include "GEO/GEO_PrimClassifier.h"
#include "GU/GU_Detail.h"
#include "support/test_meshes.h"

using namespace test_meshes;

namespace {

std::vector<int> classesOf(GU_Detail &gdp, const GB_PrimitiveGroup *group = nullptr) {
    GEO_PointClassifier points;
    points.classifyPoints(gdp);
    GEO_PrimClassifier prims;
    prims.classifyBySharedPoints(gdp, points, group);
    std::vector<int> out;
    for (int p = 0; p < gdp.primitives().entries(); ++p) out.push_back(prims.getClass(p));
    return out;
}

}  // namespace

TEST(GEO_Classifier, ClassesFollowTheLowestPrimitiveOfEachPiece) {
    GU_Detail gdp;
    for (int i = 0; i < 12; ++i) gdp.appendPoint(UT_Vector4(float(i), 0, 0));
    // Pieces A (points 0-3), B (4-7), C (8-11), with primitives interleaved
    // so that piece B shows up first.
    addPoly(gdp, {4, 5, 6});    // B
    addPoly(gdp, {8, 9, 10});   // C
    addPoly(gdp, {0, 1, 2});    // A
    addPoly(gdp, {6, 7, 4});    // B
    addPoly(gdp, {2, 3, 0});    // A
    addPoly(gdp, {10, 11, 8});  // C
    EXPECT_EQ(classesOf(gdp), (std::vector<int>{0, 1, 2, 0, 2, 1}));

    // A primitive joining A and C through one point each merges them.
    addPoly(gdp, {3, 11, 3});
    EXPECT_EQ(classesOf(gdp), (std::vector<int>{0, 1, 1, 0, 1, 1, 1}));
}

TEST(GEO_Classifier, ChainsAndSinglePointsJoin) {
    GU_Detail gdp;
    // A strip of quads listed from its far end back, so each joins the
    // previous one only through the next; then a quad touching the strip's
    // first point only; then a separate grid.
    const int n = 10;
    for (int i = 0; i <= n; ++i) {
        gdp.appendPoint(UT_Vector4(float(i), 0, 0));
        gdp.appendPoint(UT_Vector4(float(i), 1, 0));
    }
    for (int i = n - 1; i >= 0; --i) addPoly(gdp, {2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1});
    const int base = gdp.points().entries();
    for (int k = 0; k < 3; ++k) gdp.appendPoint(UT_Vector4(-1, float(-k), 0));
    addPoly(gdp, {0, base, base + 1, base + 2});
    makeGrid(gdp, 2, 2, 2, 2);
    const std::vector<int> cls = classesOf(gdp);
    for (int p = 0; p <= n; ++p) EXPECT_EQ(cls[p], 0) << p;
    for (int p = n + 1; p < gdp.primitives().entries(); ++p) EXPECT_EQ(cls[p], 1) << p;

    GEO_PointClassifier points;
    points.classifyPoints(gdp);
    GEO_PrimClassifier prims;
    prims.classifyBySharedPoints(gdp, points);
    EXPECT_EQ(prims.getNumClass(), 2);
    EXPECT_EQ(prims.getClass(-1), -1);
    EXPECT_EQ(prims.getClass(gdp.primitives().entries()), -1);
    // Points take the class of the primitives on them.
    EXPECT_EQ(points.getClass(base + 1), 0);
    EXPECT_EQ(points.getClass(gdp.points().entries() - 1), 1);
}

TEST(GEO_Classifier, GroupLimitsWhatIsClassifiedAndWhatJoins) {
    GU_Detail gdp;
    makeGrid(gdp, 3, 1, 3, 1);  // quads 0 1 2 in a row
    gdp.appendPoint();          // a point nothing uses
    addPoly(gdp, {});           // a polygon without vertices
    GB_PrimitiveGroup ends("ends", true);
    ends.add(0);
    ends.add(2);
    ends.add(3);
    // Without quad 1 the two end quads share no point.
    EXPECT_EQ(classesOf(gdp, &ends), (std::vector<int>{0, -1, 1, 2}));
    EXPECT_EQ(classesOf(gdp), (std::vector<int>{0, 0, 0, 1}));

    GEO_PointClassifier points;
    GEO_PrimClassifier prims;
    prims.classifyBySharedPoints(gdp, points, &ends);  // without classifyPoints first
    EXPECT_EQ(prims.getNumClass(), 3);
    EXPECT_EQ(points.getClass(gdp.points().entries() - 1), -1);
    // Classifying again starts over rather than keeping old joins.
    GU_Detail apart;
    makeGrid(apart, 1, 1, 1, 1);
    makeGrid(apart, 1, 1, 1, 1);
    prims.classifyBySharedPoints(apart, points);
    EXPECT_EQ(prims.getNumClass(), 2);
    EXPECT_EQ(prims.getClass(2), -1);
}
