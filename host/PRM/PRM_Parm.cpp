#include "PRM_Parm.h"

PRM_Parm::PRM_Parm(const PRM_Template *tplate, std::string name, std::vector<int> inst)
    : myTemplate(tplate), myName(std::move(name)), myInstance(std::move(inst)) {
    int n = tplate->getVectorSize();
    myValues.resize(n > 0 ? n : 0);
    for (int i = 0; i < getVectorSize(); ++i) {
        myValues[i].setConstant(tplate->getDefaultFloat(i));
        if (PRMisStringType(tplate->getType())) myValues[i].setString(tplate->getDefaultString(i));
    }
    if (isMulti()) {
        if (myValues.empty()) myValues.resize(1);
        setInstanceCount(tplate->getMultiDefaultCount());
    }
}

bool PRM_Parm::setEnabled(bool on) {
    if (myEnabled == on) return false;
    myEnabled = on;
    return true;
}

void PRM_Parm::setInstanceCount(int n) {
    if (!isMulti()) return;
    if (n < 0) n = 0;
    while (getInstanceCount() > n) myInstances.pop_back();
    while (getInstanceCount() < n) addInstance();
    myValues[0].setConstant(static_cast<float>(n));
}

void PRM_Parm::addInstance() {
    std::vector<int> inst = myInstance;
    inst.push_back(getInstanceCount() + 1);
    std::vector<std::unique_ptr<PRM_Parm>> parms;
    const PRM_Template *list = myTemplate->getMultiParmTemplate();
    for (int i = 0, n = PRM_Template::countTemplates(list); i < n; ++i)
        parms.push_back(std::make_unique<PRM_Parm>(&list[i], expandName(list[i].getToken(), inst), inst));
    myInstances.push_back(std::move(parms));
}

void PRM_Parm::collect(std::vector<PRM_Parm *> &out) {
    out.push_back(this);
    for (auto &inst : myInstances)
        for (auto &p : inst) p->collect(out);
}

std::string PRM_Parm::expandName(const char *name, const std::vector<int> &inst) {
    std::string out;
    size_t next = 0;
    for (const char *c = name ? name : ""; *c; ++c) {
        if (*c == '#' && next < inst.size())
            out += std::to_string(inst[next++]);
        else
            out += *c;
    }
    return out;
}
