// The cook: copy the input, find the seams on a private copy of its
// polygons, and add them to the copy as an edge group.
#include "SOP_AutoSeams.h"
#include "autoseams.h"
#include <GU/GU_PrimGroup.h>
#include <UT/UT_Interrupt.h>
#include <string>

namespace {

/// "1 piece", "2 pieces".
std::string pieces(int n) { return std::to_string(n) + (n == 1 ? " piece" : " pieces"); }

}  // namespace

void SOP_AutoSeams::reportMesh(const SeamMesh &mesh) {
    if (mesh.skippedPolys)
        addWarning(
            SOP_MESSAGE,
            (std::to_string(mesh.skippedPolys) + " open or degenerate polygons are left out of the seams").c_str());
    if (mesh.singularEdges)
        addWarning(SOP_MESSAGE, (std::to_string(mesh.singularEdges) +
                                 " edges are shared by more than two polygons or by two of opposite "
                                 "orientation; they are cut")
                                    .c_str());
    if (mesh.nonManifoldPoints)
        addWarning(SOP_MESSAGE, (std::to_string(mesh.nonManifoldPoints) +
                                 " points join pieces only at a corner; the pieces are cut apart there")
                                    .c_str());
}

OP_ERROR SOP_AutoSeams::cookMySop(OP_Context &context) {
    if (lockInputs(context) >= UT_ERROR_ABORT) return error();
    auto leave = [&]() {
        myGroupManager.destroyAdhocGroups(gdp);
        unlockInputs();
        return error();
    };
    duplicateSource(0, context, gdp, 1);
    if (error() >= UT_ERROR_ABORT) return leave();

    UT_String name;
    evalString(name, "groupname", 0, context.getTime());
    if (!GU_PrimGroup::isValidName(name)) {
        addError(SOP_ERR_ILLEGAL_GROUPNAME, name);
        return leave();
    }
    const GB_PrimitiveGroup *group = nullptr;
    UT_String pattern;
    evalString(pattern, "group", 0, context.getTime());
    if (pattern.isstring()) {
        group = parsePrimitiveGroups(pattern, gdp, 1, 1, false, 0);
        if (!group) {
            addError(SOP_ERR_BADGROUP, pattern);
            return leave();
        }
    }

    UT_AutoInterrupt scope("Finding seams");
    auto interrupted = [&](int percent) {
        if (!UTgetInterrupt()->opInterrupt(percent)) return false;
        addError(SOP_ERR_INVALID_SRC, "Cook interrupted");
        return true;
    };
    SeamMesh mesh;
    {
        UT_AutoInterrupt step("seam mesh");
        buildSeamMesh(*gdp, group, mesh);
        reportMesh(mesh);
    }
    if (interrupted(5)) return leave();

    SeamOptions opt;
    opt.target = evalFloat("target", 0, context.getTime());
    opt.maxCuts = evalInt("maxcuts", 0, context.getTime());
    opt.abf = evalInt("layoutangles", 0, context.getTime()) == 1;
    std::vector<char> cut;
    SeamReport report;
    {
        UT_AutoInterrupt step("search");
        if (!findSeams(mesh, opt, cut, report, interrupted)) return leave();
    }

    // Only now, with the search done, does the output change.
    GB_EdgeGroup *seams = gdp->newEdgeGroup(name);
    {
        UT_AutoInterrupt step("seam group");
        for (int e = 0; e < mesh.edgeCount(); ++e) {
            if (!cut[e] && mesh.edgeKind[e] != EdgeKind::Singular) continue;
            GEO_Point *a = gdp->points()(mesh.pointNum[mesh.edgeVerts[e][0]]);
            GEO_Point *b = gdp->points()(mesh.pointNum[mesh.edgeVerts[e][1]]);
            seams->add(a, b, gdp->primitives()(mesh.polyPrim[mesh.edgeFaces[e][0]]));
        }
    }
    if (report.failedSolves)
        addWarning(SOP_MESSAGE, (pieces(report.failedSolves) + " could not be laid out; cut into disks only").c_str());
    if (report.unmet)
        addWarning(SOP_MESSAGE, (pieces(report.unmet) + " above the distortion target" +
                                 (report.capped ? "; raise \"maxcuts\" to cut more" : ""))
                                    .c_str());
    addMessage(SOP_MESSAGE,
               (std::to_string(seams->entries()) + " seam edges on " + pieces(report.components) + ", " +
                std::to_string(report.addedPaths) + " cuts added after " + std::to_string(report.layouts) + " layouts")
                   .c_str());
    return leave();
}
