#include "ButtonPress.h"
#include <map>
#include "ParmSetter.h"
#include "ParmText.h"
#include "UsageError.h"

void requireButton(const OP_Parameters &node, const std::string &name) {
    const PRM_Parm &p = requireParm(node, name);
    if (p.getType() != PRM_CALLBACK) throw UsageError("parameter '" + name + "' is not a button");
}

/// Every valued parameter's -p text at t, by name.
static std::map<std::string, std::string> snapshot(const OP_Parameters &node, float t) {
    std::map<std::string, std::string> out;
    for (const PRM_Parm *p : node.allParms())
        if (PRMhasValue(p->getType())) out[p->getName()] = valueText(*p, t);
    return out;
}

std::vector<ParmSetting> pressAndDiff(OP_Parameters &node, const std::string &name, float t) {
    auto before = snapshot(node, t);
    if (!node.pressButton(name.c_str(), t)) throw UsageError("button '" + name + "' has no action");
    std::vector<ParmSetting> out;
    for (const PRM_Parm *p : node.allParms()) {
        if (!PRMhasValue(p->getType())) continue;
        std::string now = valueText(*p, t);
        auto it = before.find(p->getName());
        if (it == before.end() || it->second != now) out.push_back({p->getName(), now});
    }
    return out;
}
