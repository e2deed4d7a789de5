#include "OP_Node.h"
#include "OP_Operator.h"

OP_Node::OP_Node(OP_Network *net, const char *name, OP_Operator *op)
    : OP_Parameters(op ? op->getParmTemplates() : nullptr), myName(name ? name : ""), myParent(net), myOperator(op) {}

OP_Node::~OP_Node() = default;
