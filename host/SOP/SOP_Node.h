#pragma once
#include <map>
#include <string>
#include <vector>
#include "GOP/GOP_Manager.h"
#include "GU/GU_Detail.h"
#include "GU/GU_DetailGroupPair.h"
#include "OP/OP_Context.h"
#include "OP/OP_Error.h"
#include "OP/OP_Network.h"
#include "PRM/PRM_ChoiceList.h"
#include "SOP_Error.h"

/// A surface operator: a node that makes geometry (its output detail,
/// gdp) from the geometry of its inputs. Subclasses implement cookMySop.
///
/// Inputs are details owned by the caller (setInput); they must outlive
/// their use by the node. Ad-hoc groups made through the node's group
/// manager on the output detail are destroyed with the node; those on other
/// details must be destroyed by the caller before such a detail goes.
class SOP_Node : public OP_Network {
public:
    /// The messages of an input that is missing when it is needed.
    static constexpr const char *NOT_ENOUGH_SOURCES = "Not enough sources specified";

    SOP_Node(OP_Network *net, const char *name, OP_Operator *op);
    ~SOP_Node() override;

    /// Makes the output from the inputs at context's time. Returns the
    /// node's error() when done.
    virtual OP_ERROR cookMySop(OP_Context &context) = 0;
    /// Resolves the node's input groups; alone is not 0 when called outside
    /// a cook. This base does nothing and returns error().
    virtual OP_ERROR cookInputGroups(OP_Context &context, int alone = 0);
    /// Greys parameters out; returns the number of changes. This base
    /// changes nothing and returns 0.
    virtual unsigned disableParms();
    /// The label of input idx: the operator's label when it gives one, else
    /// "Input <idx+1>".
    virtual const char *inputLabel(unsigned idx) const;

    /// Locks the inputs for reading. When an input the operator requires
    /// (its minimum count, or input 0 when there is no operator) is missing,
    /// records ABORT with code SOP_ERR_INVALID_SRC and the text "Not enough
    /// sources specified", leaves the inputs unlocked and returns ABORT;
    /// else returns UT_ERROR_NONE.
    OP_ERROR lockInputs(OP_Context &context);
    void unlockInputs() { myInputsLocked = false; }
    bool inputsLocked() const { return myInputsLocked; }

    /// Gives dest a copy of input index: every point, primitive, vertex,
    /// attribute and named group in the same order (the input's ad-hoc
    /// groups are not copied). With clean not 0 dest is emptied first (and
    /// this manager's ad-hoc groups on it destroyed); else the copy is
    /// appended. A missing input records the "Not enough sources specified"
    /// ABORT; a null dest records ABORT too. Returns error().
    OP_ERROR duplicateSource(unsigned index, OP_Context &context, GU_Detail *dest, int clean = 1);
    /// Input index's geometry, or null when it is not connected.
    const GU_Detail *inputGeo(int index, OP_Context &context);
    const GU_Detail *inputGeo(int index) const;

    /// Pattern parsing through the node's group manager (GOP_Manager).
    const GB_PrimitiveGroup *parsePrimitiveGroups(const char *pattern, GU_Detail *gdp, int allow_numeric = 1,
                                                  int ordered = 1, bool strict = false, int offset = 0);
    const GB_PointGroup *parsePointGroups(const char *pattern, GU_Detail *gdp, int allow_numeric = 1, int ordered = 1,
                                          bool strict = false, int offset = 0);
    GB_EdgeGroup *parseEdgeGroups(const char *pattern, GU_Detail *gdp, bool strict = true, int prim_offset = 0,
                                  int pt_offset = 0);

    /// Records group as the node's selection (null clears it). alone and
    /// use_pickable are accepted and not used.
    void select(const GB_PrimitiveGroup *group, int alone = 1, int use_pickable = 0);
    const GB_PrimitiveGroup *getSelection() const { return mySelection; }

    /// Records gdp and group on pair as input input's current detail and
    /// group; returns 1 when either differs from what pair held, else 0.
    /// Only pointers are compared. input and lock are not used.
    int checkInputChanged(int input, int lock, GU_DetailGroupPair &pair, const GU_Detail *gdp, const GB_Group *group);

    /// Destroys every ad-hoc group of the node's group manager.
    void destroyAdhocGroups() { myGroupManager.destroyAdhocGroups(); }
    GOP_Manager &groupManager() { return myGroupManager; }

    /// Menus of group parameters (the host fills them from the geometry;
    /// here they have no items).
    static PRM_ChoiceList primGroupMenu;
    static PRM_ChoiceList pointGroupMenu;

    // For the command-line host and tests.
    /// Connects input idx (>= 0) to geo (null disconnects); geo stays the
    /// caller's.
    void setInput(int idx, const GU_Detail *geo);
    /// A cook as the host makes one: clears the messages, runs cookMySop and
    /// returns error().
    OP_ERROR cook(OP_Context &context);
    /// The output detail.
    GU_Detail *getCookedGeo() { return gdp; }

protected:
    /// The output detail, owned by the node.
    GU_Detail *gdp;
    GOP_Manager myGroupManager;

private:
    std::vector<const GU_Detail *> myInputs;
    bool myInputsLocked = false;
    const GB_PrimitiveGroup *mySelection = nullptr;
    mutable std::map<unsigned, std::string> myInputLabels;  // made by inputLabel; entries never move
};
