#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include "GU/GU_DetailGroupPair.h"
#include "OP/OP_Operator.h"
#include "SOP/SOP_Node.h"
#include "support/test_meshes.h"

using namespace test_meshes;

namespace {

/// A node whose cook is whatever the test wants.
class TestSop : public SOP_Node {
public:
    using SOP_Node::SOP_Node;
    std::function<OP_ERROR(TestSop &, OP_Context &)> body;
    OP_ERROR cookMySop(OP_Context &context) override { return body ? body(*this, context) : error(); }
    GU_Detail *output() { return gdp; }
};

OP_Node *makeTestSop(OP_Network *net, const char *name, OP_Operator *op) { return new TestSop(net, name, op); }

}  // namespace

class SopNodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildGrid(input);
        node = static_cast<TestSop *>(root.createNode(&op, "node"));
    }
    OP_Operator op{"test", "Test", makeTestSop, nullptr, 1, 1};
    OP_Network root{nullptr, "obj", nullptr};
    GU_Detail input;
    TestSop *node = nullptr;
    OP_Context context{0};
};

TEST_F(SopNodeTest, LockingWithoutInputZeroAborts) {
    EXPECT_EQ(node->lockInputs(context), UT_ERROR_ABORT);
    EXPECT_FALSE(node->inputsLocked());
    EXPECT_EQ(node->error(), UT_ERROR_ABORT);
    ASSERT_EQ(node->messages().size(), 1u);
    EXPECT_EQ(node->messages()[0].code, SOP_ERR_INVALID_SRC);
    EXPECT_EQ(node->messages()[0].formatted(), "Not enough sources specified");
    node->setInput(1, &input);
    EXPECT_EQ(node->lockInputs(context), UT_ERROR_ABORT) << "input 1 does not stand in for input 0";

    node->clearErrors();
    node->setInput(0, &input);
    EXPECT_EQ(node->lockInputs(context), UT_ERROR_NONE);
    EXPECT_TRUE(node->inputsLocked());
    EXPECT_EQ(node->inputGeo(0), &input);
    EXPECT_EQ(node->inputGeo(0, context), &input);
    EXPECT_EQ(node->inputGeo(5), nullptr);
    node->unlockInputs();
    EXPECT_FALSE(node->inputsLocked());
    node->setInput(0, nullptr);
    EXPECT_EQ(node->inputGeo(0), nullptr);
}

TEST_F(SopNodeTest, DuplicateSourceCopiesEverythingInOrder) {
    float seam = 0;
    int seamOff = input.addPointAttrib("seam", 4, GB_ATTRIB_FLOAT, &seam);
    float uv0[3] = {0, 0, 0};
    int uvOff = input.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, uv0);
    int one = 1;
    int idOff = input.addPrimAttrib("id", 4, GB_ATTRIB_INT, &one);
    int layerOff = input.addAttrib("currentlayer", 4, GB_ATTRIB_INT, &one);
    input.points()(5)->setValue<float>(seamOff, 1.0f);
    input.primitives()(2)->getVertex(3).setValue<float>(uvOff, 0.75f, 1);
    input.primitives()(3)->setValue<int>(idOff, 33);
    input.setDetailValue<int>(layerOff, 2);
    input.newPointGroup("pts")->add(7);
    input.newPrimitiveGroup("prims")->add(3);
    input.newEdgeGroup("edges")->add(input.points()(0), input.points()(1), input.primitives()(0));
    GOP_Manager other;
    other.createPrimitiveGroup(input, "someoneElses");
    node->setInput(0, &input);

    GU_Detail *out = node->output();
    out->appendPoint();  // stale content that clean = 1 must remove
    ASSERT_LT(node->duplicateSource(0, context, out), UT_ERROR_ABORT);
    ASSERT_EQ(out->points().entries(), 9);
    ASSERT_EQ(out->primitives().entries(), 5);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(out->points()(i)->getPos(), input.points()(i)->getPos());
    for (int i = 0; i < 5; ++i) {
        const GEO_Primitive *a = input.primitives()(i), *b = out->primitives()(i);
        ASSERT_EQ(a->getVertexCount(), b->getVertexCount());
        for (unsigned v = 0; v < a->getVertexCount(); ++v)
            EXPECT_EQ(a->getVertex(v).getPt()->getNum(), b->getVertex(v).getPt()->getNum());
        EXPECT_EQ(static_cast<const GEO_PrimPoly *>(a)->isClosed(), static_cast<const GEO_PrimPoly *>(b)->isClosed());
    }
    int s = out->pointAttribs().getOffset("seam", 4, GB_ATTRIB_FLOAT);
    int u = out->vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    int id = out->primitiveAttribs().getOffset("id", 4, GB_ATTRIB_INT);
    int layer = out->attribs().getOffset("currentlayer", 4, GB_ATTRIB_INT);
    ASSERT_TRUE(s >= 0 && u >= 0 && id >= 0 && layer >= 0);
    EXPECT_EQ(out->points()(5)->getValue<float>(s), 1.0f);
    EXPECT_EQ(out->primitives()(2)->getVertex(3).getValue<float>(u, 1), 0.75f);
    EXPECT_EQ(out->primitives()(3)->getValue<int>(id), 33);
    EXPECT_EQ(out->primitives()(0)->getValue<int>(id), 1);
    EXPECT_EQ(out->getDetailValue<int>(layer), 2);
    EXPECT_EQ(membersOf(out->findPointGroup("pts")), std::vector<int>({7}));
    EXPECT_EQ(membersOf(out->findPrimitiveGroup("prims")), std::vector<int>({3}));
    ASSERT_NE(out->findEdgeGroup("edges"), nullptr);
    EXPECT_TRUE(out->findEdgeGroup("edges")->contains(0, 1));
    EXPECT_EQ(out->primitiveGroups().entries(), 1) << "another manager's ad-hoc group is not copied";
    other.destroyAdhocGroups();
}

TEST_F(SopNodeTest, DuplicateSourceCleansOrAppendsAndReportsAMissingInput) {
    EXPECT_EQ(node->duplicateSource(0, context, node->output()), UT_ERROR_ABORT);
    EXPECT_EQ(node->messages().back().formatted(), "Not enough sources specified");
    node->clearErrors();
    node->setInput(0, &input);
    GB_PrimitiveGroup *adhoc = node->groupManager().createPrimitiveGroup(*node->output());
    ASSERT_NE(adhoc, nullptr);
    node->duplicateSource(0, context, node->output());
    EXPECT_EQ(node->groupManager().adhocGroupCount(), 0) << "the cleared detail's ad-hoc groups are forgotten";
    node->duplicateSource(0, context, node->output(), 0);
    EXPECT_EQ(node->output()->points().entries(), 18) << "clean = 0 appends";
    EXPECT_EQ(node->duplicateSource(0, context, nullptr), UT_ERROR_ABORT);
}

TEST_F(SopNodeTest, CookClearsOldMessagesAndReturnsTheWorstSeverity) {
    node->addError(SOP_ERR_BADGROUP, "old");
    node->body = [](TestSop &n, OP_Context &) {
        n.addWarning(SOP_MESSAGE, "w");
        n.addMessage(SOP_MESSAGE, "m");
        return UT_ERROR_NONE;  // the node's error() counts, not what cookMySop says
    };
    EXPECT_EQ(node->cook(context), UT_ERROR_WARNING);
    ASSERT_EQ(node->messages().size(), 2u);
    node->body = [](TestSop &n, OP_Context &c) {
        n.lockInputs(c);
        return n.error();
    };
    EXPECT_EQ(node->cook(context), UT_ERROR_ABORT);
    node->setInput(0, &input);
    EXPECT_EQ(node->cook(context), UT_ERROR_NONE);
    EXPECT_TRUE(node->inputsLocked()) << "cook leaves unlocking to the node";
    EXPECT_EQ(node->getCookedGeo(), node->output());
}

TEST_F(SopNodeTest, ParsingGoesThroughTheNodesGroupManager) {
    node->setInput(0, &input);
    node->duplicateSource(0, context, node->output());
    const GB_PrimitiveGroup *g = node->parsePrimitiveGroups("1-2", node->output());
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(membersOf(g), std::vector<int>({1, 2}));
    GB_EdgeGroup *e = node->parseEdgeGroups("p0-1", node->output());
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(node->parsePrimitiveGroups("nosuch", node->output()), nullptr);
    const GB_PointGroup *pts = node->parsePointGroups("0", const_cast<GU_Detail *>(node->inputGeo(0)));
    ASSERT_NE(pts, nullptr);
    EXPECT_EQ(node->groupManager().adhocGroupCount(), 3);
    node->destroyAdhocGroups();
    EXPECT_EQ(node->groupManager().adhocGroupCount(), 0);
    EXPECT_EQ(input.pointGroups().entries(), 0) << "the ad-hoc group on the input is gone too";
    EXPECT_EQ(node->output()->primitiveGroups().entries(), 0);
    EXPECT_EQ(node->output()->edgeGroups().entries(), 0);
}

TEST_F(SopNodeTest, SelectionAndInputChangeTracking) {
    node->setInput(0, &input);
    node->duplicateSource(0, context, node->output());
    const GB_PrimitiveGroup *g = node->parsePrimitiveGroups("0", node->output());
    node->select(g, 1, 0);
    EXPECT_EQ(node->getSelection(), g);
    node->select(nullptr);
    EXPECT_EQ(node->getSelection(), nullptr);

    GU_DetailGroupPair pair;
    EXPECT_EQ(node->checkInputChanged(0, -1, pair, node->output(), g), 1);
    EXPECT_EQ(pair.myDetail, node->output());
    EXPECT_EQ(pair.myGroup, g);
    EXPECT_EQ(node->checkInputChanged(0, -1, pair, node->output(), g), 0);
    EXPECT_EQ(node->checkInputChanged(0, -1, pair, node->output(), nullptr), 1);
    EXPECT_EQ(node->checkInputChanged(0, -1, pair, &input, nullptr), 1);
    EXPECT_EQ(pair.myDetail, &input);
}

TEST_F(SopNodeTest, BaseVirtualsAndLabels) {
    EXPECT_EQ(node->disableParms(), 0u);
    node->addWarning(SOP_MESSAGE, "w");
    EXPECT_EQ(node->cookInputGroups(context, 1), UT_ERROR_WARNING);
    EXPECT_STREQ(node->inputLabel(0), "Input 1");
    const char *label = node->inputLabel(3);
    node->inputLabel(7);
    EXPECT_STREQ(label, "Input 4") << "an earlier label stays valid";
    EXPECT_EQ(SOP_Node::primGroupMenu.getItemCount(), 0);

    const char *labels[] = {"Geometry to unwrap", nullptr};
    OP_Operator labelled("lab", "Lab", makeTestSop, nullptr, 1, 1, nullptr, 0, labels);
    TestSop n(nullptr, "n", &labelled);
    EXPECT_STREQ(n.inputLabel(0), "Geometry to unwrap");
    EXPECT_STREQ(n.inputLabel(1), "Input 2");
}

TEST(SopNodeLifetimeTest, DeletingTheNodeRemovesItsOutputsAdhocGroups) {
    GU_Detail input;
    buildGrid(input);
    OP_Operator op("test", "Test", makeTestSop, nullptr, 1, 1);
    auto *node = new TestSop(nullptr, "n", &op);
    node->setInput(0, &input);
    OP_Context context;
    node->duplicateSource(0, context, node->output());
    node->groupManager().createPrimitiveGroup(*node->output(), "tmpPrimGroup");
    node->parseEdgeGroups("*", node->output());
    EXPECT_EQ(node->groupManager().adhocGroupCount(node->output()), 2);
    delete node;  // the address sanitizer run checks that nothing dangles
    EXPECT_EQ(input.primitiveGroups().entries(), 0);
}
