#pragma once
#include <OP/OP_Context.h>
#include <PRM/PRM_Template.h>
#include <SOP/SOP_Node.h>

/// The seam node: copies its input and adds an edge group of seams along
/// which every connected piece of the chosen polygons opens into one
/// topological disk whose conformal layout has low distortion. Nothing else
/// of the geometry changes.
class SOP_AutoSeams : public SOP_Node {
public:
    /// The operator's constructor: a new node, or null when out of memory.
    static OP_Node *myConstructor(OP_Network *net, const char *name, OP_Operator *op);
    /// The parameter list, ending in a terminator.
    static PRM_Template myTemplateList[];

    SOP_AutoSeams(OP_Network *net, const char *name, OP_Operator *op);
    ~SOP_AutoSeams() override;

    const char *inputLabel(unsigned idx) const override;

protected:
    OP_ERROR cookMySop(OP_Context &context) override;

private:
    /// Reports what the search met on the way as warnings and messages.
    void reportMesh(const struct SeamMesh &mesh);
};
