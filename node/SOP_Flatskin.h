#pragma once
#include <GB/GB_EdgeGroup.h>
#include <GB/GB_Group.h>
#include <GQ/GQ_Detail.h>
#include <GU/GU_Detail.h>
#include <GU/GU_DetailGroupPair.h>
#include <OP/OP_Context.h>
#include <PRM/PRM_Template.h>
#include <SOP/SOP_Node.h>
#include <UT/UT_Array.h>
#include <UT/UT_Matrix3.h>
#include <UT/UT_String.h>
#include <functional>
#include <vector>

/// The unwrap node: cuts its input open along seams, picks the piece that
/// holds the hint primitive, flattens it by least-squares conformal mapping
/// with pins, and writes the layout into the current uv layer of a copy of
/// its input, optionally fitted into a range and coloured by stretch and by
/// seams.
///
/// The cook runs a fixed sequence of member steps that hand data to one
/// another through the members below and through bookkeeping attributes of
/// a private triangulated copy of the input (the work mesh). The steps live
/// in the folders named after their stage: mesh/, flatten/ and output/.
class SOP_Flatskin : public SOP_Node {
public:
    /// The operator's constructor: a new node, or null when out of memory.
    static OP_Node *myConstructor(OP_Network *net, const char *name, OP_Operator *op);
    /// The parameter list, ending in a terminator.
    static PRM_Template myTemplateList[];
    /// Button callback of "grab": data is the node.
    static int grabCallback(void *data, int index, float time, const PRM_Template *tplate);

    SOP_Flatskin(OP_Network *net, const char *name, OP_Operator *op);
    ~SOP_Flatskin() override;

    unsigned disableParms() override;
    const char *inputLabel(unsigned idx) const override;
    OP_ERROR cookInputGroups(OP_Context &context, int alone = 0) override;

    /// Copies the captured live pin UVs into the enabled pins' "pinuv#".
    void grabPinUVs();
    /// Whether the last cook captured input UVs at the pins.
    bool hasLivePinUVs() const { return myLivePins; }

    // Steps of the cook, public so that each can be checked on its own.

    /// Adds "primN" and "vtxN" to the work mesh and fills them.
    void addBookkeeping(GU_Detail &work);
    /// Adds "ptN" and numbers the piece's points 0..n-1 in list order.
    void numberPiecePoints(GU_Detail &work);
    /// Warns when a part of the triangulated piece is not a topological
    /// disk (no boundary, or a handle): its conformal map degenerates.
    void warnUnlessDisk(const GU_Detail &work);
    /// Appends the geometry's "currentlayer" value to name, when it has one.
    static void appendCurrentLayer(const GEO_Detail &gdp, UT_String &name);
    /// Seam step: cut mode cuts the seams open through the view; collect
    /// mode only gathers them into mySeamEdges.
    void seamStep(GU_Detail &gdp, GQ_Detail &view, bool cut);
    /// Makes both piece groups from the hint primitive's piece.
    void selectPiece(GU_Detail &work, GU_Detail &out);
    /// The piece's triangles as the conformal rows need them, in the order
    /// of the piece's primitives (those of fewer than three vertices left
    /// out): triangle t's corners at 3t, 3t + 1 and 3t + 2 of both arrays.
    struct PieceTriangles {
        std::vector<int> index;     ///< #T by 3 solver indices ("ptN") of the corners' points
        std::vector<float> angles;  ///< #T by 3 angles (radians) at the corners
        std::vector<int> order;     ///< #points in a fill-reducing elimination order, or empty
    };
    /// The work mesh's piece as PieceTriangles, with the surface's angles.
    PieceTriangles pieceTriangles(const GU_Detail &work) const;
    /// Replaces the angles of tris with planar angles found by angle-based
    /// flattening; when they do not converge, warns and leaves them as they
    /// are. work gives the points' positions. False only when interrupted.
    bool optimiseAngles(const GU_Detail &work, PieceTriangles &tris);
    /// Two conformal rows per triangle of tris; needs an open matrix.
    void addConformalRows(const PieceTriangles &tris);
    /// Inner angles (radians) at corners 0, 1, 2 of a triangle.
    static void cornerAngles(const GEO_Primitive &tri, float &a0, float &a1, float &a2);
    /// acos(x) with x clamped into [-1, 1], as a 32-bit float.
    static float clampedAcos(float x);
    /// Locks and sets the pinned variables, or chooses default pins.
    void setupPins(GU_Detail &out, GU_Detail &work);
    /// Two pins at the ends of the piece's longest extent, and start values.
    void setDefaultPins(GU_Detail &out, GU_Detail &work);
    /// The rotation by `rotate` degrees (clockwise) and shift of +1 in u.
    static UT_Matrix3 pinTransform(float rotate_degrees);
    static void applyPinTransform(double &u, double &v, const UT_Matrix3 &m);
    /// For every output vertex (the vertices of the output's primitives in
    /// order) the solver point whose layout it takes, -1 outside the piece;
    /// read from the work mesh, so that the work mesh can go before the rows.
    std::vector<int> uvTargets(const GU_Detail &out, const GU_Detail &work) const;
    /// Writes the solved layout into the output's current uv layer, at the
    /// vertices uvTargets() gave a solver point.
    void writeUVs(GU_Detail &out, const std::vector<int> &targets);
    /// Colours every output primitive by its UV perimeter against the
    /// largest primitive's.
    void colourStretch(GU_Detail &out);
    /// Length of a primitive's closed outline in UV space.
    float uvPerimeter(const GEO_Primitive &prim) const;
    /// Colours the polygons along the seams of the output.
    void colourSeams(GU_Detail &out);

protected:
    OP_ERROR cookMySop(OP_Context &context) override;

private:
    /// Frees what one cook made, in the order the cook's clean-up needs.
    struct CookResources;
    /// The cook after the polygon check: work mesh, seams, piece, solve and
    /// write-back. False when interrupted (an error is then recorded);
    /// interrupted(percent) reports progress and answers whether to stop.
    bool unwrap(CookResources &res, const std::function<bool(int)> &interrupted);
    /// The output group holding the piece's untriangulated primitives.
    void makeOutputGroup(GU_Detail &work);
    /// Configures the solver, adds pins, gathers the piece's triangles,
    /// calls beforeRows (after which work is not read again), adds the
    /// rows, solves; true on success.
    bool solve(GU_Detail &work, const std::function<void()> &beforeRows);
    /// Solver index of a work-mesh point (its "ptN").
    int solverIndex(const GEO_Point &pt) const { return pt.getValue<int>(myPtNOffset); }

    GU_DetailGroupPair myDetailGroupPair;
    const GB_PrimitiveGroup *myGroup = nullptr;  ///< input group; null means all
    GB_PrimitiveGroup *myWorkPiece = nullptr;    ///< piece primitives on the work mesh
    GB_PrimitiveGroup *myOutPiece = nullptr;     ///< piece primitives on the output
    GB_PointGroup *myOutPiecePoints = nullptr;   ///< closure of myOutPiece
    GB_PointGroup *myWorkPiecePoints = nullptr;  ///< closure of myWorkPiece: the solver points
    GB_EdgeGroup *mySeamEdges = nullptr;         ///< seams gathered in collect mode
    float myTime = 0.0f;                         ///< cook time
    int myPointCount = 0;                        ///< n, the number of solver points
    int myUVOffset = -1;                         ///< output uv vertex attribute
    int myPtNOffset = -1;                        ///< work-mesh "ptN"
    bool myLivePins = false;                     ///< last cook captured input UVs
};

/// The live pin UV list: entries 2j and 2j+1 hold the input's UV at pin
/// instance j, as found by the last cook of any node of this type.
UT_FloatArray &flatskinLivePinUVs();
