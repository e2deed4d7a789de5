// The node's parameter list, its disabling rules and the "grab" button.
#include "SOP_Flatskin.h"
#include <PRM/PRM_Shared.h>

// Built once when the library loads, in this order, and kept until unload.
static PRM_Name names[] = {
    PRM_Name("seams", "Seams", 0),
    PRM_Name("useseamatt", "Use seam att", 0),
    PRM_Name("seamatt", "Seam att", 0),
    PRM_Name("method", "Method", 0),
    PRM_Name("hintprim", "Hint prim", 0),
    PRM_Name("rotate", "Rotate", 0),
    PRM_Name("userange", "Use range", 0),
    PRM_Name("urange", "U out range", 0),
    PRM_Name("vrange", "V out range", 0),
    PRM_Name("npins", "Number of pins", 0),
    PRM_Name("grab", "Initialise pin uvs", 0),
    PRM_Name("livepins", "Use live pin uvs", 0),
    PRM_Name("vizstretch", "Visualise stretching", 0),
    PRM_Name("seamcode", "Add seam colours", 0),
    PRM_Name("seamcolour", "Seam colour", 0),
    PRM_Name("outgroup", "Create output group", 0),
    PRM_Name("groupname", "Group Name", 0),
    PRM_Name("solver", "Solver", 0),
    PRM_Name("angles", "Angles", 0),
    PRM_Name("keepaspect", "Keep aspect", 0),
    PRM_Name("enable#", "Enable pin", 0),
    PRM_Name("pin#", "Pin# Prim/Vert", 0),
    PRM_Name("pinuv#", "Pin UV", 0),
};
enum {
    N_SEAMS,
    N_USESEAMATT,
    N_SEAMATT,
    N_METHOD,
    N_HINTPRIM,
    N_ROTATE,
    N_USERANGE,
    N_URANGE,
    N_VRANGE,
    N_NPINS,
    N_GRAB,
    N_LIVEPINS,
    N_VIZSTRETCH,
    N_SEAMCODE,
    N_SEAMCOLOUR,
    N_OUTGROUP,
    N_GROUPNAME,
    N_SOLVER,
    N_ANGLES,
    N_KEEPASPECT,
    N_ENABLE,
    N_PIN,
    N_PINUV
};

// One line of help per parameter, in the order of names: the host shows
// them as tooltips.
static const char *const help[] = {
    "Edges to cut open before flattening: an edge pattern such as 'p0-5-9' (a chain of points, numbered from 0), '3e1' "
    "(edge 1 of primitive 3), '12' (every edge of primitive 12) or an edge group name such as 'autoseams'",
    "Take the seams from a point attribute instead of the 'Seams' pattern",
    "Point attribute (one float) marking seam points: an edge whose two points both have a value above 0.9 is cut",
    "Kept for stored work; both items give the same least-squares conformal map",
    "A primitive of the piece to flatten: the connected piece that holds it, after cutting, is unwrapped (a number "
    "past the last primitive flattens everything)",
    "Turns the layout clockwise by this angle (degrees) before it is fitted",
    "Fit the layout into 'U out range' and 'V out range'; off keeps the solver's scale",
    "The u interval the layout is fitted into; a reversed interval mirrors u",
    "The v interval the layout is fitted into; a reversed interval mirrors v",
    "Number of pins: vertices held at given UVs. Two pins at different UVs fix the layout; with fewer, two pins are "
    "chosen at the ends of the piece's longest extent",
    "Copies the UVs the input has at the enabled pins into their 'Pin UV' fields",
    "Pins take their UVs from the input's own UVs at those vertices, on every cook",
    "Colour the primitives by stretch ('Cd'): blue as wide as the reference primitive, red squeezed",
    "Colour the polygons along the seams ('Cd')",
    "Colours for the seams: a gradient along each seam or a random colour per seam",
    "Make a primitive group of the flattened piece's primitives",
    "Name of the output primitive group",
    "Conjugate gradient (iterative, the default), sparse Cholesky ('direct') or algebraic multigrid: the same layout; "
    "'direct' is much faster on large meshes",
    "Surface angles, or planar angles optimised by angle-based flattening (ABF++) first: fewer flipped triangles and "
    "less stretch, at the cost of a longer cook",
    "Fit the layout into the range with one scale for u and v, centred, so that its angles are kept",
    "Use this pin",
    "The pinned vertex: a primitive number and the vertex's place in that primitive (both from 0)",
    "Where the pinned vertex goes in UV space",
};
static const char *const groupHelp = "Primitives of the input to consider (a primitive group pattern); empty means all";

static PRM_Name methodItems[] = {
    PRM_Name("abf", "Lscm with Abf", 0),
    PRM_Name("lscm", "Lscm", 0),
    PRM_Name(0, 0, 0),
};
static PRM_Name seamColourItems[] = {
    PRM_Name("grad", "Gradient", 0),
    PRM_Name("rand", "Random", 0),
    PRM_Name(0, 0, 0),
};
static PRM_Name solverItems[] = {
    PRM_Name("cg", "Conjugate gradient", 0),
    PRM_Name("direct", "Sparse Cholesky", 0),
    PRM_Name("multigrid", "Algebraic multigrid", 0),
    PRM_Name(0, 0, 0),
};
static PRM_Name anglesItems[] = {
    PRM_Name("surface", "Surface angles", 0),
    PRM_Name("abfpp", "Angle-based flattening (ABF++)", 0),
    PRM_Name(0, 0, 0),
};
static PRM_ChoiceList methodMenu(0x1001, methodItems);
static PRM_ChoiceList seamColourMenu(0x1001, seamColourItems);
static PRM_ChoiceList solverMenu(0x1001, solverItems);
static PRM_ChoiceList anglesMenu(0x1001, anglesItems);

static PRM_Template pinTemplates[] = {
    PRM_Template(PRM_TOGGLE, 1, &names[N_ENABLE], PRMoneDefaults, 0, 0, 0, 0, 1, help[N_ENABLE], 0),
    PRM_Template(PRM_ORD, 2, &names[N_PIN], PRMzeroDefaults, 0, &PRMnonNegativeRange, 0, 0, 1, help[N_PIN], 0),
    PRM_Template(PRM_FLT_J, 2, &names[N_PINUV], PRMuvRangeDefaults, 0, &PRMunitRange, 0, 0, 1, help[N_PINUV], 0),
    PRM_Template(),
};

static PRM_Default seamAttDefault(0, "seam", 3);
static PRM_Default groupNameDefault(0, "UnwrappedGroup", 3);

PRM_Template SOP_Flatskin::myTemplateList[] = {
    PRM_Template(PRM_STRING, 1, &PRMgroupName, 0, &SOP_Node::primGroupMenu, 0, 0, 0, 1, groupHelp, 0),
    PRM_Template(PRM_STRING, 1, &names[N_SEAMS], 0, &SOP_Node::pointGroupMenu, 0, 0, 0, 1, help[N_SEAMS], 0),
    PRM_Template(PRM_TOGGLE, 1, &names[N_USESEAMATT], PRMzeroDefaults, 0, 0, 0, 0, 1, help[N_USESEAMATT], 0),
    PRM_Template(PRM_STRING, 1, &names[N_SEAMATT], &seamAttDefault, 0, 0, 0, 0, 1, help[N_SEAMATT], 0),
    PRM_Template(PRM_ORD, 1, &names[N_METHOD], PRMoneDefaults, &methodMenu, 0, 0, 0, 1, help[N_METHOD], 0),
    PRM_Template(PRM_INT, 1, &names[N_HINTPRIM], PRMzeroDefaults, 0, &PRMnonNegativeRange, 0, 0, 1, help[N_HINTPRIM],
                 0),
    PRM_Template(PRM_ANGLE_MINMAX_J, 1, &names[N_ROTATE], PRMzeroDefaults, 0, &PRMangleRange, 0, 0, 1, help[N_ROTATE],
                 0),
    PRM_Template(PRM_TOGGLE, 1, &names[N_USERANGE], PRMoneDefaults, 0, 0, 0, 0, 1, help[N_USERANGE], 0),
    PRM_Template(PRM_FLT_J, 2, &names[N_URANGE], PRMuvRangeDefaults, 0, &PRMunitRange, 0, 0, 1, help[N_URANGE], 0),
    PRM_Template(PRM_FLT_J, 2, &names[N_VRANGE], PRMuvRangeDefaults, 0, &PRMunitRange, 0, 0, 1, help[N_VRANGE], 0),
    PRM_Template(PRM_MULTITYPE_LIST, pinTemplates, 2, &names[N_NPINS], PRMzeroDefaults, 0, 0, help[N_NPINS]),
    PRM_Template(PRM_CALLBACK, 1, &names[N_GRAB], 0, 0, 0, SOP_Flatskin::grabCallback, 0, 1, help[N_GRAB], 0),
    PRM_Template(PRM_TOGGLE, 1, &names[N_LIVEPINS], PRMzeroDefaults, 0, 0, 0, 0, 1, help[N_LIVEPINS], 0),
    PRM_Template(PRM_TOGGLE, 1, &names[N_VIZSTRETCH], PRMzeroDefaults, 0, 0, 0, 0, 1, help[N_VIZSTRETCH], 0),
    PRM_Template(PRM_TOGGLE, 1, &names[N_SEAMCODE], PRMzeroDefaults, 0, 0, 0, 0, 1, help[N_SEAMCODE], 0),
    PRM_Template(PRM_ORD, 1, &names[N_SEAMCOLOUR], PRMzeroDefaults, &seamColourMenu, 0, 0, 0, 1, help[N_SEAMCOLOUR], 0),
    PRM_Template(PRM_TOGGLE, 1, &names[N_OUTGROUP], PRMzeroDefaults, 0, 0, 0, 0, 1, help[N_OUTGROUP], 0),
    PRM_Template(PRM_STRING, 1, &names[N_GROUPNAME], &groupNameDefault, 0, 0, 0, 0, 1, help[N_GROUPNAME], 0),
    PRM_Template(PRM_ORD, 1, &names[N_SOLVER], PRMzeroDefaults, &solverMenu, 0, 0, 0, 1, help[N_SOLVER], 0),
    PRM_Template(PRM_ORD, 1, &names[N_ANGLES], PRMzeroDefaults, &anglesMenu, 0, 0, 0, 1, help[N_ANGLES], 0),
    PRM_Template(PRM_TOGGLE, 1, &names[N_KEEPASPECT], PRMzeroDefaults, 0, 0, 0, 0, 1, help[N_KEEPASPECT], 0),
    PRM_Template(),
};

unsigned SOP_Flatskin::disableParms() {
    unsigned changed = 0;
    const bool live = evalInt("livepins", 0, 0) != 0;
    for (int i = 1; i <= evalInt("npins", 0, 0); ++i) {
        const bool on = evalIntInst("enable#", &i, 0, 0, 1) != 0;
        changed += enableParmInst("pin#", &i, on, 1, -1);
        changed += enableParmInst("pinuv#", &i, on && !live, 1, -1);
    }
    const bool userange = evalInt("userange", 0, 0) != 0;
    const bool useseamatt = evalInt("useseamatt", 0, 0) != 0;
    changed += enableParm("urange", userange, -1);
    changed += enableParm("vrange", userange, -1);
    changed += enableParm("keepaspect", userange, -1);
    changed += enableParm("seamatt", useseamatt, -1);
    changed += enableParm("seams", !useseamatt, -1);
    changed += enableParm("seamcolour", evalInt("seamcode", 0, 0) != 0, -1);
    changed += enableParm("groupname", evalInt("outgroup", 0, 0) != 0, -1);
    return changed;
}

int SOP_Flatskin::grabCallback(void *data, int, float, const PRM_Template *) {
    static_cast<SOP_Flatskin *>(data)->grabPinUVs();
    return 1;
}

void SOP_Flatskin::grabPinUVs() {
    if (!myLivePins) return;
    const UT_FloatArray &live = flatskinLivePinUVs();
    for (int i = 1; i <= evalInt("npins", 0, 0); ++i) {
        if (!evalIntInst("enable#", &i, 0, 0, 1)) continue;
        // Pins added or enabled after the cook have no captured entry:
        // leave them as they are.
        if (2 * i + 1 >= live.entries()) continue;
        setFloatInst(live(2 * i), "pinuv#", &i, 0, 0, 1);
        setFloatInst(live(2 * i + 1), "pinuv#", &i, 1, 0, 1);
    }
}
