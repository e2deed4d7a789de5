// A small operator for the tests of the loader and the program: "testcopy"
// copies its input and has one parameter of each kind the program sets.
#include <OP/OP_Operator.h>
#include <OP/OP_OperatorTable.h>
#include <PRM/PRM_Include.h>
#include <SOP/SOP_Node.h>
#include <UT/UT_Interrupt.h>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

PRM_Name names[] = {
    PRM_Name("shift", "Shift X"),
    PRM_Name("urange", "U range"),
    PRM_Name("fail", "Fail"),
    PRM_Name("warn", "Warn"),
    PRM_Name("mode", "Mode"),
    PRM_Name("npins", "Number of pins"),
    PRM_Name("grab", "Grab pin uvs"),
    PRM_Name("groupname", "Group"),
    PRM_Name("count", "Count"),
    PRM_Name("enable#", "Enable pin"),
    PRM_Name("pin#", "Pin# Prim/Vert"),
    PRM_Name("pinuv#", "Pin UV"),
    PRM_Name("wait", "Wait for an interruption"),
    PRM_Name("warning", "Warning text"),
    PRM_Name("nouv", "No uv"),
};
PRM_Name modeItems[] = {PRM_Name("keep", "Keep"), PRM_Name("shift", "Shift"), PRM_Name("flat", "Flatten"), PRM_Name(0)};
PRM_ChoiceList modeMenu(PRM_CHOICELIST_SINGLE, modeItems);
PRM_Default groupDefault(0, "copied", PRM_DEFAULT_LITERAL);
PRM_Range countRange(PRM_RANGE_RESTRICTED, 0, PRM_RANGE_RESTRICTED, 10);

PRM_Template pinTemplates[] = {
    PRM_Template(PRM_TOGGLE, 1, &names[9], PRMoneDefaults),
    PRM_Template(PRM_ORD, 2, &names[10], PRMzeroDefaults, 0, &PRMnonNegativeRange),
    PRM_Template(PRM_FLT_J, 2, &names[11], PRMuvRangeDefaults, 0, &PRMunitRange),
    PRM_Template(),
};

int grab(void *data, int, float, const PRM_Template *);

PRM_Template templates[] = {
    PRM_Template(PRM_FLT, 1, &names[0], PRMzeroDefaults, 0, 0, 0, 0, 1, "How far mode shift moves x"),
    PRM_Template(PRM_FLT_J, 2, &names[1], PRMuvRangeDefaults, 0, &PRMunitRange),
    PRM_Template(PRM_TOGGLE, 1, &names[2], PRMzeroDefaults),
    PRM_Template(PRM_TOGGLE, 1, &names[3], PRMzeroDefaults),
    PRM_Template(PRM_ORD, 1, &names[4], PRMzeroDefaults, &modeMenu),
    PRM_Template(PRM_INT, 1, &names[8], PRMoneDefaults, 0, &countRange),
    PRM_Template(PRM_MULTITYPE_LIST, pinTemplates, 0, &names[5], PRMzeroDefaults),
    PRM_Template(PRM_CALLBACK, 1, &names[6], 0, 0, 0, grab),
    PRM_Template(PRM_STRING, 1, &names[7], &groupDefault),
    PRM_Template(PRM_TOGGLE, 1, &names[12], PRMzeroDefaults),
    PRM_Template(PRM_STRING, 1, &names[13]),
    PRM_Template(PRM_TOGGLE, 1, &names[14], PRMzeroDefaults),
    PRM_Template(),
};

/// Polls the interrupt object for up to 20 seconds, reporting progress;
/// true when it was interrupted.
bool waitForInterrupt() {
    UT_Interrupt *boss = UTgetInterrupt();
    boss->opStart("Waiting");
    bool stopped = false;
    for (int i = 0; i < 2000 && !stopped; ++i) {
        stopped = boss->opInterrupt(i / 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    boss->opEnd();
    return stopped;
}

/// Copies input 0; "wait" waits for an interruption; "mode" shift moves x by "shift", flat sets z to 0;
/// "fail" records an error and "warn" a warning, "warning" one of its
/// text; a non-empty "groupname" makes a primitive group of every
/// primitive; a vertex "uv" is made from the points' x and y when the
/// input has none, and "nouv" removes it instead.
class SOP_TestCopy : public SOP_Node {
public:
    using SOP_Node::SOP_Node;

    OP_ERROR cookMySop(OP_Context &context) override {
        const float t = context.getTime();
        if (lockInputs(context) >= UT_ERROR_ABORT) return error();
        duplicateSource(0, context, gdp);
        unlockInputs();
        if (evalInt("fail", 0, t)) {
            addError(SOP_ERR_BADGROUP, "asked to fail");
            return error();
        }
        if (evalInt("warn", 0, t)) addWarning(SOP_MESSAGE, "asked to warn");
        UT_String warning;
        evalString(warning, "warning", 0, t);
        if (warning.isstring()) addWarning(SOP_MESSAGE, warning.buffer());
        if (evalInt("wait", 0, t) && waitForInterrupt()) {
            addError(SOP_ERR_INVALID_SRC, "Cook interrupted");
            return error();
        }
        addMessage(SOP_MESSAGE, "copied");
        const int mode = evalInt("mode", 0, t);
        const float shift = evalFloat("shift", 0, t);
        for (const auto &p : gdp->points()) {
            UT_Vector4 &pos = p->getPos();
            if (mode == 1) pos(0) += shift;
            if (mode == 2) pos(2) = 0;
        }
        UT_String group;
        evalString(group, "groupname", 0, t);
        if (group.isstring()) {
            GB_Group *g = gdp->primitiveGroups().newGroup(group.buffer());
            for (const auto &prim : gdp->primitives()) g->add(prim.get());
        }
        if (evalInt("nouv", 0, t)) {
            gdp->vertexAttribs().destroy("uv", 12, GB_ATTRIB_FLOAT);
        } else if (!gdp->vertexAttribs().find("uv")) {
            float zero[3] = {0, 0, 0};
            int off = gdp->addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, zero);
            for (const auto &prim : gdp->primitives())
                for (GEO_Vertex &v : prim->vertices()) {
                    v.setValue<float>(off, v.getPt()->getPos().x(), 0);
                    v.setValue<float>(off, v.getPt()->getPos().y(), 1);
                }
        }
        return error();
    }
};

/// Sets each enabled pin's uv to the cooked uv of its corner (clamped to
/// the unit square).
int grab(void *data, int, float t, const PRM_Template *) {
    auto *node = static_cast<SOP_TestCopy *>(data);
    GU_Detail *g = node->getCookedGeo();
    int off = g->vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    for (int i = 1; i <= node->evalInt("npins", 0, t); ++i) {
        if (!node->evalIntInst("enable#", &i, 0, t)) continue;
        GEO_Primitive *prim = g->primitives()(node->evalIntInst("pin#", &i, 0, t));
        int vtx = node->evalIntInst("pin#", &i, 1, t);
        if (!prim || off < 0 || vtx < 0 || vtx >= static_cast<int>(prim->getVertexCount())) continue;
        for (int c = 0; c < 2; ++c)
            node->setFloatInst(prim->getVertex(vtx).getValue<float>(off, c), "pinuv#", &i, c, t);
    }
    return 1;
}

OP_Node *construct(OP_Network *net, const char *name, OP_Operator *op) { return new SOP_TestCopy(net, name, op); }

}  // namespace

extern "C" {
void newSopOperator(OP_OperatorTable *table) {
    table->addOperator(new OP_Operator("testcopy", "Test Copy", construct, templates, 1, 1));
}
void HoudiniDSOVersion(const char **v) { *v = "9.0"; }
void HoudiniGetTagInfo(const char **v) { *v = "test"; }
}
