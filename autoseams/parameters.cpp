// The seam node's parameters.
#include "SOP_AutoSeams.h"
#include <PRM/PRM_Shared.h>

static PRM_Name names[] = {
    PRM_Name("groupname", "Group Name", 0),
    PRM_Name("target", "Distortion Target", 0),
    PRM_Name("maxcuts", "Max Extra Cuts", 0),
    PRM_Name("layoutangles", "Judge Layouts By", 0),
};
enum { N_GROUPNAME, N_TARGET, N_MAXCUTS, N_LAYOUTANGLES };

// One line of help per parameter, in the order of names: the host shows
// them as tooltips.
static const char *const help[] = {
    "Name of the edge group of seams added to the output (cut along it with flatskin's 'seams')",
    "How far to go: a piece is good enough when its layout's L2 stretch is at most this and its area ratio "
    "(5th to 95th percentile) lies within [1/target^2, target^2]",
    "How many shortest paths the search may add to a piece's topological cut",
    "The layouts the search judges: from the surface's angles, or from angles optimised by ABF++ (pair it with "
    "flatskin's 'angles' = abfpp)",
};
static const char *const groupHelp = "Primitives to find seams on (a primitive group pattern); empty means all";

static PRM_Name layoutAngleItems[] = {
    PRM_Name("surface", "Surface angles", 0),
    PRM_Name("abfpp", "Angle-based flattening (ABF++)", 0),
    PRM_Name(0, 0, 0),
};
static PRM_ChoiceList layoutAngleMenu(0x1001, layoutAngleItems);

static PRM_Default groupNameDefault(0, "autoseams", 3);
static PRM_Default targetDefault(2.2f);
static PRM_Default maxCutsDefault(40.0f);
// The L2 stretch to reach: 1 is an isometry, so nothing below it.
static PRM_Range targetRange(PRM_RANGE_RESTRICTED, 1.0f, PRM_RANGE_UI, 5.0f);
static PRM_Range maxCutsRange(PRM_RANGE_RESTRICTED, 0.0f, PRM_RANGE_UI, 100.0f);

PRM_Template SOP_AutoSeams::myTemplateList[] = {
    PRM_Template(PRM_STRING, 1, &PRMgroupName, 0, &SOP_Node::primGroupMenu, 0, 0, 0, 1, groupHelp, 0),
    PRM_Template(PRM_STRING, 1, &names[N_GROUPNAME], &groupNameDefault, 0, 0, 0, 0, 1, help[N_GROUPNAME], 0),
    PRM_Template(PRM_FLT_J, 1, &names[N_TARGET], &targetDefault, 0, &targetRange, 0, 0, 1, help[N_TARGET], 0),
    PRM_Template(PRM_INT_J, 1, &names[N_MAXCUTS], &maxCutsDefault, 0, &maxCutsRange, 0, 0, 1, help[N_MAXCUTS], 0),
    PRM_Template(PRM_ORD, 1, &names[N_LAYOUTANGLES], PRMoneDefaults, &layoutAngleMenu, 0, 0, 0, 1, help[N_LAYOUTANGLES],
                 0),
    PRM_Template(),
};
