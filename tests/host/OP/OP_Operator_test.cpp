#include <gtest/gtest.h>
#include "OP/OP_Network.h"
#include "OP/OP_Operator.h"
#include "OP/OP_OperatorTable.h"
#include "PRM/PRM_Include.h"

namespace {

PRM_Name sizeName("size", "Size");
PRM_Template nodeTemplates[] = {PRM_Template(PRM_FLT_J, 1, &sizeName, PRMoneDefaults), PRM_Template()};

int constructed = 0;

OP_Node *makeNode(OP_Network *net, const char *name, OP_Operator *op) {
    ++constructed;
    return new OP_Node(net, name, op);
}

OP_Node *failNode(OP_Network *, const char *, OP_Operator *) { return nullptr; }

}  // namespace

TEST(OperatorTest, HoldsWhatItWasGivenAndMakesNodes) {
    const char *labels[] = {"First", "Second", nullptr};
    OP_Operator op("box", "Box", makeNode, nodeTemplates, 1, 2, nullptr, 0, labels);
    EXPECT_STREQ(op.getName(), "box");
    EXPECT_STREQ(op.getEnglish(), "Box");
    EXPECT_EQ(op.getMinInputs(), 1u);
    EXPECT_EQ(op.getMaxInputs(), 2u);
    EXPECT_EQ(op.getParmTemplates(), nodeTemplates);
    EXPECT_STREQ(op.getInputLabel(1), "Second");
    EXPECT_EQ(op.getInputLabel(2), nullptr);

    OP_Network root(nullptr, "obj", nullptr);
    OP_Node *n = root.createNode(&op, "box");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->getOperator(), &op);
    EXPECT_EQ(n->getParent(), &root);
    EXPECT_FLOAT_EQ(n->evalFloat("size", 0, 0), 1.0f) << "the node's parameters come from the operator";
    EXPECT_STREQ(root.createNode(&op, "box")->getName(), "box1") << "names stay unique";
    EXPECT_STREQ(root.createNode(&op, "box")->getName(), "box2");
    EXPECT_EQ(root.getNchildren(), 3);
    EXPECT_EQ(root.findNode("box1"), root.getChild(1));
    EXPECT_TRUE(root.destroyNode(n));
    EXPECT_FALSE(root.destroyNode(n));
    EXPECT_EQ(root.findNode("box"), nullptr);
}

TEST(OperatorTest, FailedOrMissingConstructionGivesNoNode) {
    OP_Operator failing("bad", "Bad", failNode, nullptr, 0);
    OP_Operator none("none", "None", nullptr, nullptr, 0);
    OP_Network root(nullptr, "obj", nullptr);
    EXPECT_EQ(root.createNode(&failing, "x"), nullptr);
    EXPECT_EQ(root.createNode(&none, "x"), nullptr);
    EXPECT_EQ(root.createNode(nullptr, "x"), nullptr);
    EXPECT_EQ(root.getNchildren(), 0);
    EXPECT_EQ(failing.getMaxInputs(), 9999u);
}

TEST(OperatorTableTest, KeepsOperatorsInOrderAndRefusesRepeatedNames) {
    OP_OperatorTable table;
    OP_Operator *a = new OP_Operator("flatskin", "Flatskin", makeNode, nodeTemplates, 1);
    OP_Operator *b = new OP_Operator("other", "Other", makeNode, nullptr, 0);
    OP_Operator *dup = new OP_Operator("flatskin", "Again", makeNode, nullptr, 0);
    EXPECT_TRUE(table.addOperator(a));
    EXPECT_TRUE(table.addOperator(b));
    EXPECT_FALSE(table.addOperator(dup));
    EXPECT_FALSE(table.addOperator(a)) << "the same operator twice";
    EXPECT_FALSE(table.addOperator(nullptr));
    EXPECT_STREQ(dup->getEnglish(), "Again") << "a refused operator stays alive";
    EXPECT_EQ(table.getNumOperators(), 2);
    EXPECT_EQ(table.getOperator("flatskin"), a);
    EXPECT_EQ(table.getOperator("nosuch"), nullptr);
    EXPECT_EQ(table.operators(), std::vector<OP_Operator *>({a, b}));
    EXPECT_EQ(table.getOperator(1), b);
}
