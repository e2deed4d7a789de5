#pragma once
#include <memory>
#include <vector>
#include "OP_Node.h"

/// A node that holds child nodes and owns them.
class OP_Network : public OP_Node {
public:
    OP_Network(OP_Network *net, const char *name, OP_Operator *op);
    ~OP_Network() override;

    /// Makes a child of operator type op through its constructor function
    /// and keeps it. A name that a child already has gets a number appended
    /// ("name1", "name2", ...). Null when op is null or its constructor
    /// gives null.
    OP_Node *createNode(OP_Operator *op, const char *name);
    int getNchildren() const { return static_cast<int>(myChildren.size()); }
    /// Child i in creation order, or null.
    OP_Node *getChild(int i) const;
    /// The child named name, or null.
    OP_Node *findNode(const char *name) const;
    /// Deletes child node; false when it is not a child of this network.
    bool destroyNode(OP_Node *node);

private:
    std::vector<std::unique_ptr<OP_Node>> myChildren;
};
