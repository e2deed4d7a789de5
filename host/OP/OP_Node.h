#pragma once
#include <string>
#include "OP_Parameters.h"

class OP_Network;
class OP_Operator;

/// A node: its parameters and messages, a name, the operator type it was
/// made from and the network that holds it.
class OP_Node : public OP_Parameters {
public:
    /// net and op may be null (a free-standing node, e.g. a root network);
    /// op, when given, supplies the parameter templates and must outlive the
    /// node.
    OP_Node(OP_Network *net, const char *name, OP_Operator *op);
    ~OP_Node() override;

    const char *getName() const { return myName.c_str(); }
    OP_Operator *getOperator() const { return myOperator; }
    OP_Network *getParent() const { return myParent; }

private:
    std::string myName;
    OP_Network *myParent;
    OP_Operator *myOperator;
};
