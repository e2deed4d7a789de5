#include "PRM_Template.h"
#include <cmath>

const PRM_Default *PRM_Template::getDefault(int vi) const {
    if (!myDefaults || vi < 0 || vi >= myVectorSize) return nullptr;
    return &myDefaults[vi];
}

float PRM_Template::getDefaultFloat(int vi) const {
    const PRM_Default *d = getDefault(vi);
    return d ? d->getFloat() : 0.0f;
}

const char *PRM_Template::getDefaultString(int vi) const {
    const PRM_Default *d = getDefault(vi);
    return (d && d->getString()) ? d->getString() : "";
}

int PRM_Template::getMultiDefaultCount() const {
    float n = myDefaults ? myDefaults[0].getFloat() : myFloatSetting;
    if (!(n > 0)) return 0;  // also NaN
    return static_cast<int>(std::lround(n));
}

int PRM_Template::countTemplates(const PRM_Template *list) {
    int n = 0;
    if (list)
        while (!list[n].isTerminator()) ++n;
    return n;
}
