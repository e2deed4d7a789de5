// The parameter list, the disabling rules and the grab button.
#include <gtest/gtest.h>
#include <PRM/PRM_Shared.h>
#include "support/flatskin_fixture.h"

using namespace fs_test;

TEST(Parameters, ListInOrderWithDefaultsMenusAndRanges) {
    const PRM_Template *t = SOP_Flatskin::myTemplateList;
    const char *tokens[] = {"group",    "seams",      "useseamatt", "seamatt",   "method", "hintprim", "rotate",
                            "userange", "urange",     "vrange",     "npins",     "grab",   "livepins", "vizstretch",
                            "seamcode", "seamcolour", "outgroup",   "groupname", "solver", "angles",   "keepaspect"};
    ASSERT_EQ(PRM_Template::countTemplates(t), 21);
    for (int i = 0; i < 21; ++i) EXPECT_STREQ(t[i].getToken(), tokens[i]) << i;
    EXPECT_TRUE(t[21].isTerminator());
    EXPECT_EQ(t[1].getChoiceListPtr(), &SOP_Node::pointGroupMenu);
    EXPECT_EQ(t[0].getChoiceListPtr(), &SOP_Node::primGroupMenu);
    EXPECT_STREQ(t[3].getDefaultString(0), "seam");
    EXPECT_STREQ(t[17].getDefaultString(0), "UnwrappedGroup");
    EXPECT_EQ(t[8].getVectorSize(), 2);
    EXPECT_EQ(t[8].getRangePtr(), &PRMunitRange);
    EXPECT_EQ(t[6].getType(), PRM_ANGLE_MINMAX_J);
    EXPECT_TRUE(t[10].isMulti());
    EXPECT_EQ(PRM_Template::countTemplates(t[10].getMultiParmTemplate()), 3);
    EXPECT_NE(t[11].getCallback(), nullptr);

    Unwrap u;
    EXPECT_EQ(u.node->evalInt("method", 0, 0), 1);
    EXPECT_EQ(u.node->evalInt("userange", 0, 0), 1);
    EXPECT_EQ(u.node->evalInt("npins", 0, 0), 0);
    EXPECT_EQ(u.node->evalInt("solver", 0, 0), 0);
    EXPECT_EQ(u.node->evalInt("angles", 0, 0), 0);
    EXPECT_EQ(u.node->evalInt("keepaspect", 0, 0), 0);
    EXPECT_FLOAT_EQ(u.node->evalFloat("urange", 1, 0), 0.9f);
    UT_String s;
    u.node->evalString(s, "method", 0, 0);
    EXPECT_STREQ(s.buffer(), "lscm");
    u.node->setInt("npins", 0, 1);
    EXPECT_EQ(u.node->evalInt("enable1", 0, 0), 1);
    EXPECT_EQ(u.node->evalInt("pin1", 1, 0), 0);
    EXPECT_FLOAT_EQ(u.node->evalFloat("pinuv1", 0, 0), 0.1f);
    EXPECT_STREQ(u.node->inputLabel(0), "Geometry to unwrap");
    EXPECT_STREQ(u.node->inputLabel(1), "WTF?");
}

TEST(Parameters, DisablingRules) {
    Unwrap u;
    u.node->setInt("npins", 0, 2);
    u.node->setInt("enable2", 0, 0);
    // Each row: a parameter and whether it is enabled with the defaults
    // (pin 2 disabled), then after livepins, useseamatt, seamcode and
    // outgroup are turned on and userange off.
    struct Row {
        const char *parm;
        bool before, after;
    };
    const Row rows[] = {
        {"pin1", true, true},    {"pinuv1", true, false},  {"pin2", false, false},      {"pinuv2", false, false},
        {"seams", true, false},  {"seamatt", false, true}, {"seamcolour", false, true}, {"groupname", false, true},
        {"urange", true, false}, {"vrange", true, false},  {"keepaspect", true, false}, {"angles", true, true},
    };
    u.node->disableParms();
    for (const Row &r : rows) EXPECT_EQ(u.node->isParmEnabled(r.parm), r.before) << r.parm;
    EXPECT_EQ(u.node->disableParms(), 0u);  // nothing changes the second time

    u.node->setInt("livepins", 0, 1);
    u.node->setInt("useseamatt", 0, 1);
    u.node->setInt("userange", 0, 0);
    u.node->setInt("seamcode", 0, 1);
    u.node->setInt("outgroup", 0, 1);
    // pinuv1, seams, seamatt, urange, vrange, keepaspect, seamcolour, groupname.
    EXPECT_EQ(u.node->disableParms(), 8u);
    for (const Row &r : rows) EXPECT_EQ(u.node->isParmEnabled(r.parm), r.after) << r.parm;
}

// The host shows each parameter's help as its tooltip.
TEST(Parameters, EveryParameterHasAHelpText) {
    for (const PRM_Template *t = SOP_Flatskin::myTemplateList; !t->isTerminator(); ++t) {
        ASSERT_NE(t->getHelpText(), nullptr) << t->getToken();
        EXPECT_GT(std::string(t->getHelpText()).size(), 10u) << t->getToken();
        if (t->getMultiParmTemplate())
            for (const PRM_Template *i = t->getMultiParmTemplate(); !i->isTerminator(); ++i) {
                ASSERT_NE(i->getHelpText(), nullptr) << i->getToken();
            }
    }
}

TEST(Parameters, ToggleAndNameAreReadAtTimeZero) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    u.node->setKeys("outgroup", 0, {{0.0f, 0.0f}, {1.0f, 1.0f}});
    u.cook(1.0f);
    EXPECT_EQ(u.out().findPrimitiveGroup("UnwrappedGroup"), nullptr);
    // urange is read at the cook time.
    u.node->setKeys("urange", 1, {{0.0f, 0.9f}, {1.0f, 0.5f}});
    u.cook(1.0f);
    double hi = -1;
    for (int p = 0; p < 4; ++p)
        for (int q = 0; q < 4; ++q) hi = std::max(hi, u.uv(p, q).first);
    EXPECT_NEAR(hi, 0.5, 1e-6);
}
