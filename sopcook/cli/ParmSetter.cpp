#include "ParmSetter.h"
#include <map>
#include "ParmText.h"
#include "UsageError.h"

const PRM_Parm &requireParm(const OP_Parameters &node, const std::string &name) {
    const PRM_Parm *p = node.findParm(name.c_str());
    if (!p) throw UsageError("unknown parameter '" + name + "' (sopcook --describe OPERATOR lists them)");
    return *p;
}

namespace {

/// The components of value for parm, checked for count.
std::vector<std::string> componentsFor(const PRM_Parm &parm, const std::string &value) {
    if (!PRMhasValue(parm.getType()))
        throw UsageError("parameter '" + parm.getName() + "' is a " + kindName(parm.getType()) + " and holds no value" +
                         (parm.getType() == PRM_CALLBACK ? " (use --press)" : ""));
    // A one-component string takes the value as it stands, spaces and all.
    if (PRMisStringType(parm.getType()) && parm.getVectorSize() == 1) return {value};
    std::vector<std::string> c;
    try {
        c = splitComponents(value);
    } catch (const UsageError &e) {
        throw UsageError("parameter '" + parm.getName() + "': " + e.what());
    }
    if (static_cast<int>(c.size()) != parm.getVectorSize())
        throw UsageError("parameter '" + parm.getName() + "' has " + std::to_string(parm.getVectorSize()) +
                         " component" + (parm.getVectorSize() == 1 ? "" : "s") + ", found " + std::to_string(c.size()) +
                         " in '" + value + "'");
    return c;
}

[[noreturn]] void outOfRange(const PRM_Parm &parm, int vi, const std::string &text) {
    std::string where = "parameter '" + parm.getName() + "'";
    if (parm.getVectorSize() > 1) where += " component " + std::to_string(vi + 1);
    const PRM_Range *r = parm.getTemplate()->getRangePtr();
    std::string range = r ? rangeText(r) : "its menu items";
    throw UsageError(where + ": " + text + " is outside its range " + range);
}

void setNumber(OP_Parameters &node, const PRM_Parm &parm, int vi, const std::string &text) {
    const float v = parseComponent(parm, vi, text);
    bool clamped = false;
    bool ok = PRMisFloatType(parm.getType()) ? node.setFloat(parm.getName().c_str(), vi, v, &clamped)
                                             : node.setInt(parm.getName().c_str(), vi, static_cast<int>(v), &clamped);
    if (!ok) throw UsageError("parameter '" + parm.getName() + "' refused the value '" + text + "'");
    if (clamped) outOfRange(parm, vi, text);
}

void applySetting(OP_Parameters &node, const ParmSetting &s) {
    const PRM_Parm &parm = requireParm(node, s.name);
    std::vector<std::string> comps = componentsFor(parm, s.value);
    for (int vi = 0; vi < static_cast<int>(comps.size()); ++vi) {
        if (PRMisStringType(parm.getType())) {
            if (!node.setString(s.name.c_str(), vi, comps[vi].c_str()))
                throw UsageError("parameter '" + s.name + "' refused the value '" + comps[vi] + "'");
        } else {
            setNumber(node, parm, vi, comps[vi]);
        }
    }
}

void applyKeys(OP_Parameters &node, const std::string &name, const std::vector<const ParmKey *> &keys) {
    const PRM_Parm &parm = requireParm(node, name);
    if (!PRMisFloatType(parm.getType()) && !PRMisIntType(parm.getType()))
        throw UsageError("parameter '" + name + "' is a " + kindName(parm.getType()) + " and cannot be keyed");
    if (parm.isMulti()) throw UsageError("parameter '" + name + "' is an instance count and cannot be keyed");
    const int n = parm.getVectorSize();
    std::vector<std::vector<std::pair<float, float>>> perComponent(n);
    const PRM_Range *range = parm.getTemplate()->getRangePtr();
    for (const ParmKey *k : keys) {
        std::vector<std::string> comps = componentsFor(parm, k->value);
        for (int vi = 0; vi < n; ++vi) {
            float v = parseComponent(parm, vi, comps[vi]);
            bool clamped = false;
            if (range) range->clamp(v, &clamped);
            if (clamped) outOfRange(parm, vi, comps[vi]);
            perComponent[vi].emplace_back(k->time, v);
        }
    }
    for (int vi = 0; vi < n; ++vi) {
        bool clamped = false;
        if (!node.setKeys(name.c_str(), vi, perComponent[vi], &clamped))
            throw UsageError("parameter '" + name + "' refused its keys");
        if (clamped) outOfRange(parm, vi, "a key value");
    }
}

}  // namespace

void applySettings(OP_Parameters &node, const std::vector<ParmSetting> &parms, const std::vector<ParmKey> &keys) {
    std::map<std::string, bool> keyed;
    for (const ParmKey &k : keys) keyed[k.name] = true;
    for (const ParmSetting &s : parms)
        if (keyed.count(s.name)) throw UsageError("parameter '" + s.name + "' is given both -p and -k");
    // Counts first, in the order given: their instances must exist before
    // instance parameters are set. Nested lists appear as their outer
    // counts are set, so repeat until no count is left.
    std::vector<bool> done(parms.size(), false);
    for (bool progress = true; progress;) {
        progress = false;
        for (size_t i = 0; i < parms.size(); ++i) {
            const PRM_Parm *p = node.findParm(parms[i].name.c_str());
            if (done[i] || !p || !p->isMulti()) continue;
            applySetting(node, parms[i]);
            done[i] = progress = true;
        }
    }
    for (size_t i = 0; i < parms.size(); ++i)
        if (!done[i]) applySetting(node, parms[i]);
    std::map<std::string, std::vector<const ParmKey *>> byName;
    std::vector<std::string> order;
    for (const ParmKey &k : keys) {
        if (!byName.count(k.name)) order.push_back(k.name);
        byName[k.name].push_back(&k);
    }
    for (const std::string &name : order) applyKeys(node, name, byName[name]);
}
