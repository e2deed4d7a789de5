#include "SOP_AutoSeams.h"
#include <new>

OP_Node *SOP_AutoSeams::myConstructor(OP_Network *net, const char *name, OP_Operator *op) {
    return new (std::nothrow) SOP_AutoSeams(net, name, op);
}

SOP_AutoSeams::SOP_AutoSeams(OP_Network *net, const char *name, OP_Operator *op) : SOP_Node(net, name, op) {}

SOP_AutoSeams::~SOP_AutoSeams() = default;

const char *SOP_AutoSeams::inputLabel(unsigned idx) const {
    return idx == 0 ? "Geometry to cut" : SOP_Node::inputLabel(idx);
}
