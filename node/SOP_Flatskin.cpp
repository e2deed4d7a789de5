#include "SOP_Flatskin.h"
#include <new>

OP_Node *SOP_Flatskin::myConstructor(OP_Network *net, const char *name, OP_Operator *op) {
    return new (std::nothrow) SOP_Flatskin(net, name, op);
}

SOP_Flatskin::SOP_Flatskin(OP_Network *net, const char *name, OP_Operator *op) : SOP_Node(net, name, op) {}

// Everything a cook makes dies within that cook; the groups the members
// point to belong to the host.
SOP_Flatskin::~SOP_Flatskin() = default;

const char *SOP_Flatskin::inputLabel(unsigned idx) const { return idx == 0 ? "Geometry to unwrap" : "WTF?"; }
