// The seam node's parameters.
#include "SOP_AutoSeams.h"
#include <PRM/PRM_Shared.h>

static PRM_Name names[] = {
    PRM_Name("groupname", "Group Name", 0),
    PRM_Name("target", "Distortion Target", 0),
    PRM_Name("maxcuts", "Max Extra Cuts", 0),
};
enum { N_GROUPNAME, N_TARGET, N_MAXCUTS };

static PRM_Default groupNameDefault(0, "autoseams", 3);
static PRM_Default targetDefault(2.2f);
static PRM_Default maxCutsDefault(40.0f);
// The L2 stretch to reach: 1 is an isometry, so nothing below it.
static PRM_Range targetRange(PRM_RANGE_RESTRICTED, 1.0f, PRM_RANGE_UI, 5.0f);
static PRM_Range maxCutsRange(PRM_RANGE_RESTRICTED, 0.0f, PRM_RANGE_UI, 100.0f);

PRM_Template SOP_AutoSeams::myTemplateList[] = {
    PRM_Template(PRM_STRING, 1, &PRMgroupName, 0, &SOP_Node::primGroupMenu, 0, 0, 0, 1, 0, 0),
    PRM_Template(PRM_STRING, 1, &names[N_GROUPNAME], &groupNameDefault, 0, 0, 0, 0, 1, 0, 0),
    PRM_Template(PRM_FLT_J, 1, &names[N_TARGET], &targetDefault, 0, &targetRange, 0, 0, 1, 0, 0),
    PRM_Template(PRM_INT_J, 1, &names[N_MAXCUTS], &maxCutsDefault, 0, &maxCutsRange, 0, 0, 1, 0, 0),
    PRM_Template(),
};
