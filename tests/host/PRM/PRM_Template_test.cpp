#include <gtest/gtest.h>
#include "PRM/PRM_Include.h"

TEST(PRMSharedTest, SharedRecordsHoldTheirValues) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(PRMzeroDefaults[i].getFloat(), 0.0f);
        EXPECT_EQ(PRMoneDefaults[i].getFloat(), 1.0f);
    }
    EXPECT_FLOAT_EQ(PRMuvRangeDefaults[0].getFloat(), 0.1f);
    EXPECT_FLOAT_EQ(PRMuvRangeDefaults[1].getFloat(), 0.9f);
    EXPECT_STREQ(PRMgroupName.getToken(), "group");
    EXPECT_STREQ(PRMgroupName.getLabel(), "Group");
    EXPECT_EQ(PRM_CHOICELIST_SINGLE, 0x1001);
}

TEST(PRMRangeTest, OnlyRestrictingEndsClamp) {
    bool c = false;
    EXPECT_EQ(PRMunitRange.clamp(1.5f, &c), 1.0f);
    EXPECT_TRUE(c);
    EXPECT_EQ(PRMunitRange.clamp(-0.5f, &c), 0.0f);
    EXPECT_TRUE(c);
    EXPECT_EQ(PRMunitRange.clamp(0.25f, &c), 0.25f);
    EXPECT_FALSE(c);
    EXPECT_EQ(PRMnonNegativeRange.clamp(-1.0f, &c), 0.0f);
    EXPECT_TRUE(c);
    EXPECT_EQ(PRMnonNegativeRange.clamp(500.0f, &c), 500.0f) << "the upper end is an interface limit only";
    EXPECT_FALSE(c);
    EXPECT_EQ(PRMangleRange.clamp(-90.0f, &c), -90.0f);
    EXPECT_EQ(PRMangleRange.clamp(720.0f, &c), 720.0f);
    EXPECT_FALSE(c);
    PRM_Range prm(PRM_RANGE_PRM, 2, PRM_RANGE_FREE, 3);
    EXPECT_EQ(prm.clamp(1.0f), 2.0f) << "PRM ends restrict like RESTRICTED ones";
    EXPECT_EQ(prm.clamp(9.0f), 9.0f);
}

TEST(PRMChoiceListTest, ItemsEndAtTheEmptyName) {
    static PRM_Name items[] = {PRM_Name("grad", "Gradient"), PRM_Name("flat", "Flat"), PRM_Name(0)};
    PRM_ChoiceList menu(PRM_CHOICELIST_SINGLE, items);
    EXPECT_EQ(menu.getItemCount(), 2);
    EXPECT_STREQ(menu.getItem(1)->getToken(), "flat");
    EXPECT_EQ(menu.getItem(2), nullptr);
    EXPECT_EQ(menu.getItem(-1), nullptr);
    EXPECT_EQ(menu.findItem("flat"), 1);
    EXPECT_EQ(menu.findItem("none"), -1);
    EXPECT_EQ(PRM_ChoiceList(PRM_CHOICELIST_REPLACE, nullptr).getItemCount(), 0);
}

TEST(PRMTemplateTest, DefaultsPerComponent) {
    static PRM_Name uv("pinuv#", "Pin UV");
    PRM_Template pair(PRM_FLT_J, 2, &uv, PRMuvRangeDefaults, 0, &PRMunitRange);
    EXPECT_FLOAT_EQ(pair.getDefaultFloat(0), 0.1f);
    EXPECT_FLOAT_EQ(pair.getDefaultFloat(1), 0.9f);
    EXPECT_EQ(pair.getDefault(2), nullptr) << "beyond the vector size";
    EXPECT_STREQ(pair.getToken(), "pinuv#");
    EXPECT_EQ(pair.getRangePtr(), &PRMunitRange);

    static PRM_Name name("seamatt");
    static PRM_Default seam(0, "seam", PRM_DEFAULT_LITERAL);
    PRM_Template str(PRM_STRING, 1, &name, &seam);
    EXPECT_STREQ(str.getDefaultString(0), "seam");
    EXPECT_STREQ(str.getLabel(), "seamatt") << "no label: the token stands in";

    PRM_Template bare(PRM_INT, 1, &name);
    EXPECT_EQ(bare.getDefaultFloat(0), 0.0f);
    EXPECT_STREQ(bare.getDefaultString(0), "");
}

TEST(PRMTemplateTest, MultiListCountsAndTerminators) {
    static PRM_Name en("enable#"), count("npins");
    static PRM_Template inst[] = {PRM_Template(PRM_TOGGLE, 1, &en, PRMoneDefaults), PRM_Template()};
    PRM_Template withDefault(PRM_MULTITYPE_LIST, inst, 2, &count, PRMzeroDefaults);
    PRM_Template withSetting(PRM_MULTITYPE_LIST, inst, 2, &count);
    EXPECT_TRUE(withDefault.isMulti());
    EXPECT_EQ(withDefault.getMultiParmTemplate(), inst);
    EXPECT_EQ(withDefault.getMultiDefaultCount(), 0) << "the default record wins over the float setting";
    EXPECT_EQ(withSetting.getMultiDefaultCount(), 2);
    EXPECT_EQ(PRM_Template::countTemplates(inst), 1);
    EXPECT_EQ(PRM_Template::countTemplates(nullptr), 0);
    EXPECT_TRUE(PRM_Template().isTerminator());
}
