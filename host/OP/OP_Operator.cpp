#include "OP_Operator.h"

OP_Operator::OP_Operator(const char *name, const char *english, OP_Constructor construct, PRM_Template *templates,
                         unsigned min_sources, unsigned max_sources, void *variables, unsigned flags,
                         const char **inputlabels)
    : myName(name ? name : ""), myEnglish(english ? english : ""), myConstructor(construct), myTemplates(templates),
      myMinInputs(min_sources), myMaxInputs(max_sources < min_sources ? min_sources : max_sources),
      myVariables(variables), myFlags(flags) {
    if (inputlabels)
        for (const char **l = inputlabels; *l; ++l) myInputLabels.emplace_back(*l);
}

OP_Operator::~OP_Operator() = default;

const char *OP_Operator::getInputLabel(unsigned idx) const {
    return idx < myInputLabels.size() ? myInputLabels[idx].c_str() : nullptr;
}

OP_Node *OP_Operator::constructNode(OP_Network *net, const char *name) {
    return myConstructor ? myConstructor(net, name, this) : nullptr;
}
