#include "OP_Parameters.h"
#include <climits>
#include <cmath>
#include <cstdio>

namespace {

/// v as the nearest int; 0 for NaN, the int limits for values beyond them.
int roundToInt(float v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<float>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<float>(INT_MIN)) return INT_MIN;
    return static_cast<int>(std::lround(v));
}

bool hasComponent(const PRM_Parm *parm, int vi) { return parm && vi >= 0 && vi < parm->getVectorSize(); }

/// The number component vi of parm holds at t; 0 for non-numbers.
float numberOf(const PRM_Parm *parm, int vi, float t) {
    if (!hasComponent(parm, vi)) return 0;
    PRM_Type type = parm->getType();
    if (type == PRM_MULTI) return static_cast<float>(parm->getInstanceCount());
    if (!PRMisFloatType(type) && !PRMisIntType(type)) return 0;
    return parm->value(vi).eval(t);
}

/// The text component vi of parm shows at t.
std::string textOf(const PRM_Parm *parm, int vi, float t) {
    if (!hasComponent(parm, vi)) return std::string();
    PRM_Type type = parm->getType();
    if (PRMisStringType(type)) return parm->value(vi).getString();
    if (PRMisIntType(type)) {
        int v = roundToInt(numberOf(parm, vi, t));
        const PRM_ChoiceList *menu = parm->getTemplate()->getChoiceListPtr();
        if (type == PRM_ORD && menu && menu->getItem(v)) return menu->getItem(v)->getToken();
        return std::to_string(v);
    }
    if (PRMisFloatType(type)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", static_cast<double>(numberOf(parm, vi, t)));
        return buf;
    }
    return std::string();
}

/// v made fit for parm: rounded for integer kinds, toggles to 0 or 1, menus
/// to their items, then the restricted range ends. *clamped tells whether a
/// limit (not mere rounding) changed it.
float fitNumber(const PRM_Parm *parm, float v, bool *clamped) {
    bool cut = false;
    const PRM_Template *t = parm->getTemplate();
    PRM_Type type = t->getType();
    if (PRMisIntType(type)) v = static_cast<float>(roundToInt(v));
    if (type == PRM_TOGGLE) v = (v != 0) ? 1.0f : 0.0f;
    if (type == PRM_MULTI && v < 0) {
        v = 0;
        cut = true;
    }
    const PRM_ChoiceList *menu = t->getChoiceListPtr();
    if (type == PRM_ORD && menu && menu->getItemCount() > 0) {
        float last = static_cast<float>(menu->getItemCount() - 1);
        if (v < 0) {
            v = 0;
            cut = true;
        }
        if (v > last) {
            v = last;
            cut = true;
        }
    }
    if (const PRM_Range *range = t->getRangePtr()) {
        bool r = false;
        v = range->clamp(v, &r);
        cut = cut || r;
    }
    if (clamped) *clamped = cut;
    return v;
}

std::vector<int> instanceVector(const int *inst, int nestlevel) {
    if (!inst || nestlevel <= 0) return {};
    return std::vector<int>(inst, inst + nestlevel);
}

}  // namespace

OP_Parameters::OP_Parameters(const PRM_Template *templates) : myTemplates(templates) {
    for (int i = 0, n = PRM_Template::countTemplates(templates); i < n; ++i)
        myParms.push_back(std::make_unique<PRM_Parm>(&templates[i], templates[i].getToken(), std::vector<int>()));
    rebuildIndex();
}

OP_Parameters::~OP_Parameters() = default;

void OP_Parameters::rebuildIndex() {
    myIndex.clear();
    std::vector<PRM_Parm *> all;
    for (auto &p : myParms) p->collect(all);
    for (PRM_Parm *p : all) myIndex.emplace(p->getName(), p);  // the first of a repeated name wins
}

PRM_Parm *OP_Parameters::findParm(const char *name) {
    if (!name) return nullptr;
    auto it = myIndex.find(name);
    return it == myIndex.end() ? nullptr : it->second;
}

const PRM_Parm *OP_Parameters::findParm(const char *name) const {
    return const_cast<OP_Parameters *>(this)->findParm(name);
}

const PRM_Parm *OP_Parameters::getParm(int pi) const {
    return (pi >= 0 && pi < getNumParms()) ? myParms[pi].get() : nullptr;
}

std::vector<const PRM_Parm *> OP_Parameters::allParms() const {
    std::vector<PRM_Parm *> all;
    for (auto &p : myParms) p->collect(all);
    return std::vector<const PRM_Parm *>(all.begin(), all.end());
}

PRM_Parm *OP_Parameters::lookup(const char *name, const int *inst, int nestlevel) {
    if (!name) return nullptr;
    return findParm(PRM_Parm::expandName(name, instanceVector(inst, nestlevel)).c_str());
}

const PRM_Parm *OP_Parameters::lookup(const char *name, const int *inst, int nestlevel) const {
    return const_cast<OP_Parameters *>(this)->lookup(name, inst, nestlevel);
}

int OP_Parameters::evalInt(const char *name, int vi, float t) const {
    return roundToInt(numberOf(findParm(name), vi, t));
}
int OP_Parameters::evalInt(int pi, int vi, float t) const { return roundToInt(numberOf(getParm(pi), vi, t)); }
float OP_Parameters::evalFloat(const char *name, int vi, float t) const { return numberOf(findParm(name), vi, t); }
float OP_Parameters::evalFloat(int pi, int vi, float t) const { return numberOf(getParm(pi), vi, t); }

void OP_Parameters::evalString(UT_String &val, const char *name, int vi, float t) const {
    val = UT_String(textOf(findParm(name), vi, t));
}
void OP_Parameters::evalString(UT_String &val, int pi, int vi, float t) const {
    val = UT_String(textOf(getParm(pi), vi, t));
}

int OP_Parameters::evalIntInst(const char *name, const int *inst, int vi, float t, int nestlevel) const {
    return roundToInt(numberOf(lookup(name, inst, nestlevel), vi, t));
}
float OP_Parameters::evalFloatInst(const char *name, const int *inst, int vi, float t, int nestlevel) const {
    return numberOf(lookup(name, inst, nestlevel), vi, t);
}
void OP_Parameters::evalStringInst(UT_String &val, const char *name, const int *inst, int vi, float t,
                                   int nestlevel) const {
    val = UT_String(textOf(lookup(name, inst, nestlevel), vi, t));
}

void OP_Parameters::setFloatInst(float value, const char *name, const int *inst, int vi, float t, int nestlevel) {
    storeNumber(lookup(name, inst, nestlevel), vi, value, t, true, nullptr);
}
void OP_Parameters::setIntInst(int value, const char *name, const int *inst, int vi, float t, int nestlevel) {
    storeNumber(lookup(name, inst, nestlevel), vi, static_cast<float>(value), t, true, nullptr);
}

bool OP_Parameters::storeNumber(PRM_Parm *parm, int vi, float v, float t, bool at_time, bool *clamped) {
    if (!hasComponent(parm, vi)) return false;
    PRM_Type type = parm->getType();
    if (!PRMisFloatType(type) && !PRMisIntType(type)) return false;
    v = fitNumber(parm, v, clamped);
    if (type == PRM_MULTI) {
        parm->setInstanceCount(static_cast<int>(v));  // destroys or makes instance parameters
        rebuildIndex();
        return true;
    }
    if (at_time)
        parm->value(vi).setAt(t, v);
    else
        parm->value(vi).setConstant(v);
    return true;
}

bool OP_Parameters::setInt(const char *name, int vi, int v, bool *clamped) {
    return storeNumber(findParm(name), vi, static_cast<float>(v), 0, false, clamped);
}

bool OP_Parameters::setFloat(const char *name, int vi, float v, bool *clamped) {
    return storeNumber(findParm(name), vi, v, 0, false, clamped);
}

bool OP_Parameters::setString(const char *name, int vi, const char *v) {
    PRM_Parm *parm = findParm(name);
    if (!hasComponent(parm, vi) || !PRMisStringType(parm->getType())) return false;
    parm->value(vi).setString(v ? v : "");
    return true;
}

bool OP_Parameters::setKeys(const char *name, int vi, std::vector<std::pair<float, float>> keys, bool *clamped) {
    PRM_Parm *parm = findParm(name);
    if (!hasComponent(parm, vi) || keys.empty()) return false;
    PRM_Type type = parm->getType();
    if (type == PRM_MULTI || (!PRMisFloatType(type) && !PRMisIntType(type))) return false;
    bool any = false;
    for (auto &k : keys) {
        bool c = false;
        k.second = fitNumber(parm, k.second, &c);
        any = any || c;
    }
    parm->value(vi).setKeys(std::move(keys));
    if (clamped) *clamped = any;
    return true;
}

bool OP_Parameters::pressButton(const char *name, float time) {
    PRM_Parm *parm = findParm(name);
    if (!parm || parm->getType() != PRM_CALLBACK || !parm->getTemplate()->getCallback()) return false;
    const PRM_Template *tplate = parm->getTemplate();
    int index = parm->getInstance().empty() ? 0 : parm->getInstance().back();
    // The most-derived object, so that the callback may cast to its node class.
    void *data = dynamic_cast<void *>(this);
    tplate->getCallback()(data, index, time, tplate);
    return true;
}

int OP_Parameters::enableParm(const char *name, int state, int) {
    PRM_Parm *parm = findParm(name);
    return (parm && parm->setEnabled(state != 0)) ? 1 : 0;
}

int OP_Parameters::enableParmInst(const char *name, const int *inst, int state, int nestlevel, int) {
    PRM_Parm *parm = lookup(name, inst, nestlevel);
    return (parm && parm->setEnabled(state != 0)) ? 1 : 0;
}

bool OP_Parameters::isParmEnabled(const char *name) const {
    const PRM_Parm *parm = findParm(name);
    return parm && parm->isEnabled();
}

void OP_Parameters::addSeverity(OP_ERROR severity, int code, const char *text) {
    myMessages.push_back(OP_Message{severity, code, text ? text : ""});
    if (severity > myWorst) myWorst = severity;
}

void OP_Parameters::addError(int code, const char *text) { addSeverity(UT_ERROR_ABORT, code, text); }
void OP_Parameters::addWarning(int code, const char *text) { addSeverity(UT_ERROR_WARNING, code, text); }
void OP_Parameters::addMessage(int code, const char *text) { addSeverity(UT_ERROR_MESSAGE, code, text); }

void OP_Parameters::clearErrors() {
    myMessages.clear();
    myWorst = UT_ERROR_NONE;
}
