#pragma once
#include <string>
#include <vector>

class OP_Network;
class OP_Node;
class OP_Operator;
class PRM_Template;

/// Makes a node of an operator type: the parent network, the node's name
/// and the operator; returns the new node (owned by the network) or null.
typedef OP_Node *(*OP_Constructor)(OP_Network *, const char *, OP_Operator *);

/// An operator type: its name, label, constructor function, parameter
/// templates and input counts.
class OP_Operator {
public:
    /// templates must outlive the operator (static lists, normally).
    /// inputlabels, when given, is a null-terminated array of labels whose
    /// strings are copied.
    OP_Operator(const char *name, const char *english, OP_Constructor construct, PRM_Template *templates,
                unsigned min_sources, unsigned max_sources = 9999, void *variables = 0, unsigned flags = 0,
                const char **inputlabels = 0);
    virtual ~OP_Operator();

    const char *getName() const { return myName.c_str(); }
    const char *getEnglish() const { return myEnglish.c_str(); }
    unsigned getMinInputs() const { return myMinInputs; }
    unsigned getMaxInputs() const { return myMaxInputs; }
    PRM_Template *getParmTemplates() const { return myTemplates; }
    void *getVariables() const { return myVariables; }
    unsigned getFlags() const { return myFlags; }
    OP_Constructor getConstructor() const { return myConstructor; }
    /// The label given for input idx, or null when none was given.
    const char *getInputLabel(unsigned idx) const;

    /// A new node of this type made by the constructor function (null when
    /// there is none or it fails). The caller owns the node.
    OP_Node *constructNode(OP_Network *net, const char *name);

private:
    std::string myName, myEnglish;
    OP_Constructor myConstructor;
    PRM_Template *myTemplates;
    unsigned myMinInputs, myMaxInputs;
    void *myVariables;
    unsigned myFlags;
    std::vector<std::string> myInputLabels;
};
