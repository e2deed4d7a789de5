#include "GU_PrimGroup.h"
#include <cctype>
#include "GU_Detail.h"

GU_PrimGroup::GU_PrimGroup(GU_Detail *gdp) : myDetail(gdp) {}

bool GU_PrimGroup::isValidName(const char *name) {
    if (!name || !*name) return false;
    if (!std::isalpha(static_cast<unsigned char>(name[0])) && name[0] != '_') return false;
    for (const char *c = name + 1; *c; ++c)
        if (!std::isalnum(static_cast<unsigned char>(*c)) && *c != '_') return false;
    return true;
}

GB_PrimitiveGroup *GU_PrimGroup::newGroup(const char *name) {
    if (!myDetail || !isValidName(name)) return nullptr;
    // The detail's own newGroup empties an existing group; keep its members.
    if (GB_PrimitiveGroup *g = myDetail->findPrimitiveGroup(name)) return g;
    return myDetail->newPrimitiveGroup(name, false);
}
