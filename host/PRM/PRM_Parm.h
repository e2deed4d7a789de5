#pragma once
#include <memory>
#include <string>
#include <vector>
#include "PRM_Template.h"
#include "PRM_Value.h"

/// One parameter of a node: a template, a full name, one value per
/// component and an enabled flag. A multi-parameter list also holds its
/// instances, each a list of parameters made from the instance templates
/// with every "#" of their names replaced by the instance number (numbered
/// from 1; in a nested list the first "#" takes the outer number).
class PRM_Parm {
public:
    /// A parameter of tplate (not a terminator) named name, inside the
    /// instances inst (empty for a top-level parameter). Values start at the
    /// template's defaults; a multi list starts with its default count of
    /// instances.
    PRM_Parm(const PRM_Template *tplate, std::string name, std::vector<int> inst);

    const PRM_Template *getTemplate() const { return myTemplate; }
    PRM_Type getType() const { return myTemplate->getType(); }
    const std::string &getName() const { return myName; }
    /// Instance numbers of the lists this parameter belongs to, outermost
    /// first; empty for a top-level parameter.
    const std::vector<int> &getInstance() const { return myInstance; }
    int getVectorSize() const { return static_cast<int>(myValues.size()); }
    bool isMulti() const { return myTemplate->isMulti(); }

    /// Component vi's value; vi must be in 0 .. getVectorSize()-1.
    PRM_Value &value(int vi) { return myValues[vi]; }
    const PRM_Value &value(int vi) const { return myValues[vi]; }

    bool isEnabled() const { return myEnabled; }
    /// Sets the enabled state; returns whether it changed.
    bool setEnabled(bool on);

    // Multi-parameter lists (0 instances for other kinds).
    int getInstanceCount() const { return static_cast<int>(myInstances.size()); }
    /// Adds instances (at their defaults) or removes the last ones until
    /// there are n (n < 0 counts as 0). Also sets the list's own value to n.
    void setInstanceCount(int n);
    /// The parameters of instance number i (from 1); i must be in
    /// 1 .. getInstanceCount().
    const std::vector<std::unique_ptr<PRM_Parm>> &instanceParms(int i) const { return myInstances[i - 1]; }

    /// Appends this parameter and, for a list, every instance parameter
    /// (depth first, instance by instance) to out.
    void collect(std::vector<PRM_Parm *> &out);

    /// name with its "#" marks replaced by the numbers of inst in order
    /// (marks beyond the numbers are kept).
    static std::string expandName(const char *name, const std::vector<int> &inst);

private:
    void addInstance();

    const PRM_Template *myTemplate;
    std::string myName;
    std::vector<int> myInstance;
    std::vector<PRM_Value> myValues;
    bool myEnabled = true;
    std::vector<std::vector<std::unique_ptr<PRM_Parm>>> myInstances;
};
