#include "PinParms.h"
#include <cmath>
#include <cstring>

std::vector<UvPin> enabledPins(const OP_Parameters &node, float t) {
    std::vector<UvPin> out;
    for (const PRM_Parm *p : node.allParms()) {
        if (std::strcmp(p->getTemplate()->getToken(), "pin#") != 0 || p->getVectorSize() < 2) continue;
        const PRM_Parm *enable = node.findParm(PRM_Parm::expandName("enable#", p->getInstance()).c_str());
        if (enable && std::lround(enable->value(0).eval(t)) == 0) continue;
        out.push_back(
            {static_cast<int>(std::lround(p->value(0).eval(t))), static_cast<int>(std::lround(p->value(1).eval(t)))});
    }
    return out;
}
