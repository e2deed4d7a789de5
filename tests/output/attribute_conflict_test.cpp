// Output attributes that the input holds with another size or type: left
// as they are, and said so.
#include <gtest/gtest.h>
#include "support/flatskin_fixture.h"

using namespace fs_test;

TEST(AttributeConflict, UvsAndColoursOfAnotherLayoutAreKeptAndReported) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    const float two[2] = {0.5f, 0.25f}, point_uv[3] = {0.1f, 0.2f, 0.3f}, grey = 0.5f;
    u.input.vertexAttribs().append("uv", 8, GB_ATTRIB_FLOAT, two);
    u.input.pointAttribs().append("uv", 12, GB_ATTRIB_FLOAT, point_uv);
    u.input.primitiveAttribs().append("Cd", 4, GB_ATTRIB_FLOAT, &grey);
    u.node->setInt("vizstretch", 0, 1);
    u.node->setInt("seamcode", 0, 1);
    u.cook();
    EXPECT_TRUE(u.said("No uvs written: the vertex attribute \"uv\" has another size or type", 4));
    EXPECT_TRUE(u.said("No stretch colours: the primitive attribute \"Cd\" has another size or type", 4));
    EXPECT_TRUE(u.said("No seam colours: the primitive attribute \"Cd\" has another size or type", 4));
    const GU_Detail &o = u.out();
    const int vuv = o.vertexAttribs().getOffset("uv", 8, GB_ATTRIB_FLOAT);
    const int puv = o.pointAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    const int cd = o.primitiveAttribs().getOffset("Cd", 4, GB_ATTRIB_FLOAT);
    ASSERT_GE(vuv, 0);
    ASSERT_GE(puv, 0);
    ASSERT_GE(cd, 0);
    for (const auto &p : o.primitives()) {
        EXPECT_EQ(p->getValue<float>(cd, 0), grey);
        for (unsigned q = 0; q < p->getVertexCount(); ++q) {
            EXPECT_EQ(p->getVertex(q).getValue<float>(vuv, 0), two[0]);
            EXPECT_EQ(p->getVertex(q).getValue<float>(vuv, 1), two[1]);
        }
    }
    EXPECT_EQ(o.points()(4)->getValue<float>(puv, 2), point_uv[2]);
}
