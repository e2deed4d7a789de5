#include "SOP_Node.h"
#include "OP/OP_Operator.h"

// The host fills group menus from the geometry; ours have no items.
PRM_ChoiceList SOP_Node::primGroupMenu(PRM_CHOICELIST_REPLACE, nullptr);
PRM_ChoiceList SOP_Node::pointGroupMenu(PRM_CHOICELIST_REPLACE, nullptr);

SOP_Node::SOP_Node(OP_Network *net, const char *name, OP_Operator *op)
    : OP_Network(net, name, op), gdp(new GU_Detail) {}

SOP_Node::~SOP_Node() {
    // Groups on gdp go with it; records of groups on other details (which
    // may be gone) are only forgotten by the manager's destructor.
    myGroupManager.destroyAdhocGroups(gdp);
    delete gdp;
}

OP_ERROR SOP_Node::cookInputGroups(OP_Context &, int) { return error(); }

unsigned SOP_Node::disableParms() { return 0; }

const char *SOP_Node::inputLabel(unsigned idx) const {
    if (getOperator())
        if (const char *label = getOperator()->getInputLabel(idx)) return label;
    auto it = myInputLabels.find(idx);
    if (it == myInputLabels.end()) it = myInputLabels.emplace(idx, "Input " + std::to_string(idx + 1)).first;
    return it->second.c_str();
}

OP_ERROR SOP_Node::lockInputs(OP_Context &) {
    unsigned required = getOperator() ? getOperator()->getMinInputs() : 1;
    for (unsigned i = 0; i < required; ++i) {
        if (!inputGeo(static_cast<int>(i))) {
            addError(SOP_ERR_INVALID_SRC, NOT_ENOUGH_SOURCES);
            return UT_ERROR_ABORT;
        }
    }
    myInputsLocked = true;
    return UT_ERROR_NONE;
}

OP_ERROR SOP_Node::duplicateSource(unsigned index, OP_Context &, GU_Detail *dest, int clean) {
    const GU_Detail *src = inputGeo(static_cast<int>(index));
    if (!src) {
        addError(SOP_ERR_INVALID_SRC, NOT_ENOUGH_SOURCES);
        return error();
    }
    if (!dest) {
        addError(SOP_ERR_INVALID_SRC, "No geometry to copy the input into");
        return error();
    }
    if (dest == src) return error();
    if (clean) {
        // Clearing frees dest's groups; drop our records of them first.
        myGroupManager.destroyAdhocGroups(dest);
        dest->clearAndDestroy();
    }
    // Ad-hoc groups of the input belong to whoever made them: not copied.
    dest->merge(*src, nullptr, 1, 0, nullptr, false);
    return error();
}

const GU_Detail *SOP_Node::inputGeo(int index, OP_Context &) { return inputGeo(index); }

const GU_Detail *SOP_Node::inputGeo(int index) const {
    return (index >= 0 && index < static_cast<int>(myInputs.size())) ? myInputs[index] : nullptr;
}

const GB_PrimitiveGroup *SOP_Node::parsePrimitiveGroups(const char *pattern, GU_Detail *detail, int allow_numeric,
                                                        int ordered, bool strict, int offset) {
    return myGroupManager.parsePrimitiveGroups(pattern, detail, allow_numeric, ordered, strict, offset);
}

const GB_PointGroup *SOP_Node::parsePointGroups(const char *pattern, GU_Detail *detail, int allow_numeric, int ordered,
                                                bool strict, int offset) {
    return myGroupManager.parsePointGroups(pattern, detail, allow_numeric, ordered, strict, offset);
}

GB_EdgeGroup *SOP_Node::parseEdgeGroups(const char *pattern, GU_Detail *detail, bool strict, int prim_offset,
                                        int pt_offset) {
    return myGroupManager.parseEdgeGroups(pattern, detail, strict, prim_offset, pt_offset);
}

void SOP_Node::select(const GB_PrimitiveGroup *group, int, int) { mySelection = group; }

int SOP_Node::checkInputChanged(int, int, GU_DetailGroupPair &pair, const GU_Detail *detail, const GB_Group *group) {
    bool changed = pair.myDetail != detail || pair.myGroup != group;
    pair.myDetail = detail;
    pair.myGroup = group;
    return changed ? 1 : 0;
}

void SOP_Node::setInput(int idx, const GU_Detail *geo) {
    if (idx < 0) return;
    if (idx >= static_cast<int>(myInputs.size())) myInputs.resize(static_cast<size_t>(idx) + 1, nullptr);
    myInputs[idx] = geo;
}

OP_ERROR SOP_Node::cook(OP_Context &context) {
    clearErrors();
    cookMySop(context);
    return error();
}
