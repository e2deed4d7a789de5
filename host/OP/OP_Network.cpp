#include "OP_Network.h"
#include <algorithm>
#include <cstring>
#include "OP_Operator.h"

OP_Network::OP_Network(OP_Network *net, const char *name, OP_Operator *op) : OP_Node(net, name, op) {}

// Children go first, newest first, so none outlives a node made before it.
OP_Network::~OP_Network() {
    while (!myChildren.empty()) myChildren.pop_back();
}

OP_Node *OP_Network::createNode(OP_Operator *op, const char *name) {
    if (!op) return nullptr;
    std::string base = name ? name : "";
    if (base.empty()) base = op->getName();
    std::string unique = base;
    for (int i = 1; findNode(unique.c_str()); ++i) unique = base + std::to_string(i);
    OP_Node *node = op->constructNode(this, unique.c_str());
    if (!node) return nullptr;
    myChildren.emplace_back(node);
    return node;
}

OP_Node *OP_Network::getChild(int i) const { return (i >= 0 && i < getNchildren()) ? myChildren[i].get() : nullptr; }

OP_Node *OP_Network::findNode(const char *name) const {
    if (!name) return nullptr;
    for (auto &c : myChildren)
        if (std::strcmp(c->getName(), name) == 0) return c.get();
    return nullptr;
}

bool OP_Network::destroyNode(OP_Node *node) {
    auto it = std::find_if(myChildren.begin(), myChildren.end(), [node](auto &c) { return c.get() == node; });
    if (it == myChildren.end()) return false;
    myChildren.erase(it);
    return true;
}
