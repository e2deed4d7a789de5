#pragma once
// A parameter list with one parameter of every kind the host kit knows,
// for the tests of the parameter framework and the value-parser fuzz
// target. The "grab" button records its presses in lastSamplePress.
#include "PRM/PRM_Include.h"

namespace test_parms {

/// What the last press of "grab" saw.
struct SamplePress {
    void *data = nullptr;
    int index = -1;
    float time = -1;
    const PRM_Template *tplate = nullptr;
    int count = 0;
};
inline SamplePress lastSamplePress;

inline int sampleGrab(void *data, int index, float time, const PRM_Template *tplate) {
    lastSamplePress = {data, index, time, tplate, lastSamplePress.count + 1};
    return 1;
}

inline PRM_Name seamsName("seams", "Seams");
inline PRM_Name tagsName("tags", "Tags");
inline PRM_Name methodName("method", "Method");
inline PRM_Name hintName("hintprim", "Hint prim");
inline PRM_Name rotateName("rotate", "Rotate");
inline PRM_Name urangeName("urange", "U out range");
inline PRM_Name scaleName("scale", "Scale");
inline PRM_Name flagName("flag", "Flag");
inline PRM_Name npinsName("npins", "Number of pins");
inline PRM_Name grabName("grab", "Initialise pin uvs");
inline PRM_Name sepName("sep", "Separator");
inline PRM_Name groupnameName("groupname", "Group Name");
inline PRM_Name enableName("enable#", "Enable pin");
inline PRM_Name pinName("pin#", "Pin# Prim/Vert");
inline PRM_Name pinuvName("pinuv#", "Pin UV");
inline PRM_Name methodItems[] = {PRM_Name("abf", "ABF"), PRM_Name("lscm", "LSCM"), PRM_Name(0)};
inline PRM_ChoiceList methodMenu(PRM_CHOICELIST_SINGLE, methodItems);
inline PRM_Default groupnameDefault(0, "UnwrappedGroup", PRM_DEFAULT_LITERAL);

inline PRM_Template pinTemplates[] = {
    PRM_Template(PRM_TOGGLE, 1, &enableName, PRMoneDefaults),
    PRM_Template(PRM_ORD, 2, &pinName, PRMzeroDefaults, 0, &PRMnonNegativeRange),
    PRM_Template(PRM_FLT_J, 2, &pinuvName, PRMuvRangeDefaults, 0, &PRMunitRange),
    PRM_Template(),
};

inline PRM_Template sampleTemplates[] = {
    PRM_Template(PRM_STRING, 1, &PRMgroupName),
    PRM_Template(PRM_STRING, 1, &seamsName),
    PRM_Template(PRM_ORD, 1, &methodName, PRMoneDefaults, &methodMenu),
    PRM_Template(PRM_INT, 1, &hintName, PRMzeroDefaults, 0, &PRMnonNegativeRange),
    PRM_Template(PRM_ANGLE_MINMAX_J, 1, &rotateName, PRMzeroDefaults, 0, &PRMangleRange),
    PRM_Template(PRM_FLT_J, 2, &urangeName, PRMuvRangeDefaults, 0, &PRMunitRange),
    PRM_Template(PRM_MULTITYPE_LIST, pinTemplates, 2, &npinsName, PRMzeroDefaults),
    PRM_Template(PRM_CALLBACK, 1, &grabName, 0, 0, 0, sampleGrab),
    PRM_Template(PRM_STRING, 1, &groupnameName, &groupnameDefault),
    PRM_Template(PRM_STRING, 2, &tagsName),
    PRM_Template(PRM_FLT, 3, &scaleName, PRMoneDefaults),
    PRM_Template(PRM_TOGGLE, 1, &flagName, PRMzeroDefaults),
    PRM_Template(PRM_SEPARATOR, 1, &sepName),
    PRM_Template(),
};

}  // namespace test_parms
