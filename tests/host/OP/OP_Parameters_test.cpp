#include <gtest/gtest.h>
#include <string>
#include "OP/OP_Parameters.h"
#include "PRM/PRM_Include.h"
#include "support/sample_parms.h"

namespace {

using namespace test_parms;
PRM_Template *const templates = sampleTemplates;
SamplePress &lastPress = lastSamplePress;
using Press = SamplePress;

std::string str(const OP_Parameters &p, const char *name, int vi = 0) {
    UT_String s;
    p.evalString(s, name, vi, 0);
    return s.toStdString();
}

}  // namespace

class ParametersTest : public ::testing::Test {
protected:
    OP_Parameters parms{templates};
};

TEST_F(ParametersTest, NewParametersHoldTheirDefaults) {
    EXPECT_EQ(parms.getNumParms(), 13);
    EXPECT_EQ(parms.evalInt("method", 0, 0), 1);
    EXPECT_EQ(str(parms, "method"), "lscm") << "a menu shows its item token";
    EXPECT_EQ(parms.evalInt("hintprim", 0, 0), 0);
    EXPECT_FLOAT_EQ(parms.evalFloat("urange", 0, 0), 0.1f);
    EXPECT_FLOAT_EQ(parms.evalFloat("urange", 1, 0), 0.9f);
    EXPECT_EQ(str(parms, "groupname"), "UnwrappedGroup");
    EXPECT_EQ(str(parms, "group"), "");
    EXPECT_EQ(parms.evalInt("npins", 0, 0), 0) << "the default record, not the float setting, gives the count";
    EXPECT_TRUE(parms.isParmEnabled("seams"));
}

TEST_F(ParametersTest, IndexFormsIndexTheTopLevelList) {
    parms.setString("seams", 0, "p0-1");
    UT_String s;
    parms.evalString(s, 1, 0, 0);
    EXPECT_EQ(s.toStdString(), "p0-1");
    EXPECT_EQ(parms.evalInt(2, 0, 0), 1);
    EXPECT_FLOAT_EQ(parms.evalFloat(5, 1, 0), 0.9f);
    parms.setInt("npins", 0, 3);
    EXPECT_EQ(parms.evalInt(6, 0, 0), 3) << "instances do not shift top-level indices";
    parms.evalString(s, 8, 0, 0);
    EXPECT_EQ(s.toStdString(), "UnwrappedGroup");
}

TEST_F(ParametersTest, UnknownNamesIndicesAndComponentsEvaluateToNothing) {
    UT_String s("stale");
    EXPECT_EQ(parms.evalInt("nosuch", 0, 0), 0);
    EXPECT_EQ(parms.evalFloat("urange", 2, 0), 0.0f);
    EXPECT_EQ(parms.evalFloat("urange", -1, 0), 0.0f);
    EXPECT_EQ(parms.evalInt(9, 0, 0), 0);
    EXPECT_EQ(parms.evalInt(-1, 0, 0), 0);
    EXPECT_EQ(parms.evalInt(static_cast<const char *>(nullptr), 0, 0), 0);
    parms.evalString(s, "nosuch", 0, 0);
    EXPECT_EQ(s.toStdString(), "");
    int one = 1;
    EXPECT_EQ(parms.evalIntInst("enable#", &one, 0, 0), 0) << "no instance 1 yet";
    EXPECT_EQ(parms.evalFloat("seams", 0, 0), 0.0f) << "a string has no number";
    EXPECT_EQ(parms.evalInt("grab", 0, 0), 0);
    EXPECT_EQ(parms.findParm("nosuch"), nullptr);
}

TEST_F(ParametersTest, SettingTheCountAddsInstancesAtTheirDefaults) {
    ASSERT_TRUE(parms.setInt("npins", 0, 3));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(parms.evalIntInst("enable#", &i, 0, 0), 1);
        EXPECT_EQ(parms.evalIntInst("pin#", &i, 1, 0), 0);
        EXPECT_FLOAT_EQ(parms.evalFloatInst("pinuv#", &i, 0, 0), 0.1f);
        EXPECT_FLOAT_EQ(parms.evalFloatInst("pinuv#", &i, 1, 0), 0.9f);
    }
    const PRM_Parm *p = parms.findParm("pinuv2");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getTemplate(), &pinTemplates[2]);
    EXPECT_EQ(p->getInstance(), std::vector<int>({2}));
    EXPECT_EQ(parms.findParm("pin3")->getTemplate(), &pinTemplates[1]);
    EXPECT_EQ(parms.findParm("pinuv4"), nullptr);
    EXPECT_EQ(parms.findParm("pinuv#"), nullptr) << "templates are not parameters";
}

TEST_F(ParametersTest, ShrinkingRemovesTheLastInstancesAndRegrowingStartsFresh) {
    parms.setInt("npins", 0, 3);
    int two = 2, three = 3;
    parms.setFloatInst(0.5f, "pinuv#", &two, 0, 0);
    parms.setFloatInst(0.25f, "pinuv#", &three, 0, 0);
    parms.setInt("npins", 0, 2);
    EXPECT_EQ(parms.findParm("pinuv3"), nullptr);
    EXPECT_FLOAT_EQ(parms.evalFloatInst("pinuv#", &two, 0, 0), 0.5f) << "kept instances keep their values";
    EXPECT_EQ(parms.evalFloatInst("pinuv#", &three, 0, 0), 0.0f);
    parms.setInt("npins", 0, 3);
    EXPECT_FLOAT_EQ(parms.evalFloatInst("pinuv#", &three, 0, 0), 0.1f) << "a re-added instance is new";
    bool clamped = false;
    EXPECT_TRUE(parms.setInt("npins", 0, -4, &clamped));
    EXPECT_TRUE(clamped);
    EXPECT_EQ(parms.evalInt("npins", 0, 0), 0);
    EXPECT_EQ(parms.findParm("enable1"), nullptr);
}

TEST_F(ParametersTest, ParametersAreListedWithInstancesAfterTheirList) {
    parms.setInt("npins", 0, 2);
    std::vector<std::string> names;
    for (const PRM_Parm *p : parms.allParms()) names.push_back(p->getName());
    std::vector<std::string> want = {"group",     "seams", "method", "hintprim", "rotate", "urange", "npins",
                                     "enable1",   "pin1",  "pinuv1", "enable2",  "pin2",   "pinuv2", "grab",
                                     "groupname", "tags",  "scale",  "flag",     "sep"};
    EXPECT_EQ(names, want);
}

TEST_F(ParametersTest, AnimatedValuesAreLinearBetweenKeysAndHeldBeyond) {
    ASSERT_TRUE(parms.setKeys("rotate", 0, {{10, 100}, {0, 0}, {20, 40}}));
    EXPECT_FLOAT_EQ(parms.evalFloat("rotate", 0, -5), 0.0f);
    EXPECT_FLOAT_EQ(parms.evalFloat("rotate", 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(parms.evalFloat("rotate", 0, 2.5f), 25.0f);
    EXPECT_FLOAT_EQ(parms.evalFloat("rotate", 0, 10), 100.0f);
    EXPECT_FLOAT_EQ(parms.evalFloat("rotate", 0, 15), 70.0f);
    EXPECT_FLOAT_EQ(parms.evalFloat("rotate", 0, 1000), 40.0f);
    EXPECT_EQ(parms.evalInt("rotate", 0, 2.6f), 26) << "integers round to nearest";
    parms.setFloat("rotate", 0, 7);
    EXPECT_FLOAT_EQ(parms.evalFloat("rotate", 0, 15), 7.0f) << "a set value replaces the animation";
}

TEST_F(ParametersTest, SettingAnAnimatedInstanceAtATimeSetsAKey) {
    parms.setInt("npins", 0, 1);
    ASSERT_TRUE(parms.setKeys("pinuv1", 0, {{0, 0}, {10, 1}}));
    int one = 1;
    parms.setFloatInst(0.2f, "pinuv#", &one, 0, 5);
    EXPECT_FLOAT_EQ(parms.evalFloatInst("pinuv#", &one, 0, 5), 0.2f);
    EXPECT_FLOAT_EQ(parms.evalFloatInst("pinuv#", &one, 0, 2.5f), 0.1f);
    EXPECT_FLOAT_EQ(parms.evalFloatInst("pinuv#", &one, 0, 10), 1.0f);
    EXPECT_EQ(parms.findParm("pinuv1")->value(0).keys().size(), 3u);
}

TEST_F(ParametersTest, RestrictedEndsClampAndSayTheyDid) {
    bool clamped = false;
    EXPECT_TRUE(parms.setFloat("urange", 1, 1.5f, &clamped));
    EXPECT_TRUE(clamped);
    EXPECT_FLOAT_EQ(parms.evalFloat("urange", 1, 0), 1.0f);
    parms.setFloat("urange", 0, 0.3f, &clamped);
    EXPECT_FALSE(clamped);
    parms.setFloat("rotate", 0, 720, &clamped);
    EXPECT_FALSE(clamped) << "the angle range only guides the interface";
    EXPECT_FLOAT_EQ(parms.evalFloat("rotate", 0, 0), 720.0f);
    parms.setInt("hintprim", 0, -3, &clamped);
    EXPECT_TRUE(clamped);
    EXPECT_EQ(parms.evalInt("hintprim", 0, 0), 0);
    parms.setInt("hintprim", 0, 5000, &clamped);
    EXPECT_FALSE(clamped);
    parms.setInt("method", 0, 7, &clamped);
    EXPECT_TRUE(clamped) << "a menu value stays an item";
    EXPECT_EQ(parms.evalInt("method", 0, 0), 1);
    parms.setKeys("urange", 0, {{0, -1}, {1, 0.5f}}, &clamped);
    EXPECT_TRUE(clamped);
    EXPECT_FLOAT_EQ(parms.evalFloat("urange", 0, 0), 0.0f);
    parms.setInt("npins", 0, 1);
    int one = 1;
    parms.setFloatInst(-2.0f, "pinuv#", &one, 1, 0);
    EXPECT_FLOAT_EQ(parms.evalFloatInst("pinuv#", &one, 1, 0), 0.0f);
    parms.setFloatInst(-2.0f, "pin#", &one, 0, 0);
    EXPECT_EQ(parms.evalIntInst("pin#", &one, 0, 0), 0);
}

TEST_F(ParametersTest, SettersRefuseWrongKindsAndUnknownTargets) {
    EXPECT_FALSE(parms.setString("rotate", 0, "1"));
    EXPECT_FALSE(parms.setInt("groupname", 0, 1));
    EXPECT_FALSE(parms.setFloat("grab", 0, 1));
    EXPECT_FALSE(parms.setFloat("urange", 2, 1));
    EXPECT_FALSE(parms.setInt("nosuch", 0, 1));
    EXPECT_FALSE(parms.setKeys("npins", 0, {{0, 1}})) << "a count cannot be animated";
    EXPECT_FALSE(parms.setKeys("rotate", 0, {}));
    EXPECT_FALSE(parms.setKeys("seams", 0, {{0, 1}}));
    EXPECT_EQ(str(parms, "groupname"), "UnwrappedGroup");
    EXPECT_TRUE(parms.setString("groupname", 0, nullptr));
    EXPECT_EQ(str(parms, "groupname"), "");
}

TEST_F(ParametersTest, ValuesReadAsTextAndTogglesAsZeroOrOne) {
    parms.setInt("npins", 0, 1);
    parms.setInt("enable1", 0, 5);
    EXPECT_EQ(parms.evalInt("enable1", 0, 0), 1);
    parms.setInt("hintprim", 0, 12);
    EXPECT_EQ(str(parms, "hintprim"), "12");
    EXPECT_EQ(str(parms, "urange", 1), "0.9");
    EXPECT_EQ(str(parms, "npins"), "1");
}

TEST_F(ParametersTest, EnableCallsCountOnlyChanges) {
    EXPECT_EQ(parms.enableParm("seams", 0), 1);
    EXPECT_FALSE(parms.isParmEnabled("seams"));
    EXPECT_EQ(parms.enableParm("seams", 0), 0);
    EXPECT_EQ(parms.enableParm("seams", 5), 1) << "any non-zero state enables";
    EXPECT_EQ(parms.enableParm("seams", 1), 0);
    EXPECT_EQ(parms.enableParm("nosuch", 0), 0);
    EXPECT_FALSE(parms.isParmEnabled("nosuch"));

    parms.setInt("npins", 0, 2);
    int two = 2;
    EXPECT_EQ(parms.enableParmInst("pin#", &two, 0), 1);
    EXPECT_EQ(parms.enableParmInst("pin#", &two, 0), 0);
    EXPECT_FALSE(parms.isParmEnabled("pin2"));
    EXPECT_TRUE(parms.isParmEnabled("pin1"));
    int nine = 9;
    EXPECT_EQ(parms.enableParmInst("pin#", &nine, 0), 0);
}

namespace {
// A node whose parameters are not its first base, so that the button's data
// pointer must be adjusted to the whole object.
struct Padding {
    virtual ~Padding() = default;
    double pad[3] = {0, 0, 0};
};
struct ButtonNode : Padding, OP_Parameters {
    ButtonNode() : OP_Parameters(templates) {}
};
}  // namespace

TEST(ParametersButtonTest, PressingCallsTheCallbackWithTheWholeNode) {
    ButtonNode node;
    lastPress = Press();
    ASSERT_TRUE(node.pressButton("grab", 3.5f));
    EXPECT_EQ(lastPress.count, 1);
    EXPECT_EQ(static_cast<ButtonNode *>(lastPress.data), &node);
    EXPECT_EQ(lastPress.index, 0);
    EXPECT_FLOAT_EQ(lastPress.time, 3.5f);
    EXPECT_EQ(lastPress.tplate, &templates[7]);
    EXPECT_FALSE(node.pressButton("seams", 0)) << "not a button";
    EXPECT_FALSE(node.pressButton("nosuch", 0));
    EXPECT_EQ(lastPress.count, 1);
}

TEST(ParametersMessagesTest, ErrorIsTheWorstSeveritySinceCleared) {
    OP_Parameters p(nullptr);
    EXPECT_EQ(p.error(), UT_ERROR_NONE);
    p.addMessage(4, "note");
    EXPECT_EQ(p.error(), UT_ERROR_MESSAGE);
    p.addWarning(4, "careful");
    EXPECT_EQ(p.error(), UT_ERROR_WARNING);
    p.addError(2, "bad*");
    p.addWarning(4, "later");
    EXPECT_EQ(p.error(), UT_ERROR_ABORT) << "a later warning does not lower the severity";
    ASSERT_EQ(p.messages().size(), 4u);
    EXPECT_EQ(p.messages()[2].severity, UT_ERROR_ABORT);
    EXPECT_EQ(p.messages()[2].code, 2);
    EXPECT_EQ(p.messages()[2].text, "bad*");
    p.clearErrors();
    EXPECT_EQ(p.error(), UT_ERROR_NONE);
    EXPECT_TRUE(p.messages().empty());
    p.addError(0);
    EXPECT_EQ(p.messages()[0].text, "");
}

TEST(ParametersMessagesTest, CatalogueWording) {
    auto say = [](int code, const char *text) { return OP_Message{UT_ERROR_ABORT, code, text}.formatted(); };
    EXPECT_EQ(say(0, "Not enough sources specified"), "Not enough sources specified");
    EXPECT_EQ(say(1, "a.geo"), "Unable to read file: a.geo");
    EXPECT_EQ(say(2, "grp*"), "Invalid group specification: grp*");
    EXPECT_EQ(say(3, "pts"), "Invalid point group specification: pts");
    EXPECT_EQ(say(4, "Seam attribute not found"), "Seam attribute not found");
    EXPECT_EQ(say(5, "1bad"), "Illegal group name: 1bad");
    EXPECT_EQ(say(42, "x"), "Error 42: x");
}
