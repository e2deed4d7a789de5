#include "SOP_Flatskin.h"

OP_ERROR SOP_Flatskin::cookInputGroups(OP_Context &context, int alone) {
    if (alone && lockInputs(context) >= UT_ERROR_ABORT) return error();

    GU_Detail *detail = alone ? const_cast<GU_Detail *>(inputGeo(0, context)) : gdp;
    myGroup = nullptr;
    UT_String pattern;
    evalString(pattern, 0, 0, 0);
    if (pattern.isstring() && detail) {
        myGroup = parsePrimitiveGroups(pattern, detail, 1, 1, false, 0);
        if (!myGroup)
            addError(SOP_ERR_BADGROUP, pattern);
        else if (!alone)
            select(myGroup, 1, 0);
    }
    checkInputChanged(0, -1, myDetailGroupPair, detail, myGroup);

    if (alone) {
        destroyAdhocGroups();
        myGroup = nullptr;  // it was one of the groups just destroyed
        unlockInputs();
    }
    return error();
}
