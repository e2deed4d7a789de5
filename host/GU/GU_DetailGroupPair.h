#pragma once

class GU_Detail;
class GB_Group;

/// The detail and group a node last used for one of its inputs, so that
/// the node can tell whether they changed (SOP_Node::checkInputChanged).
/// Only pointers are kept; nothing is owned.
class GU_DetailGroupPair {
public:
    const GU_Detail *myDetail = nullptr;
    const GB_Group *myGroup = nullptr;

    /// Forgets the detail and group.
    void clear() {
        myDetail = nullptr;
        myGroup = nullptr;
    }
};
