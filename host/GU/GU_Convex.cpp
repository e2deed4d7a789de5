#include <vector>
#include "GU_Detail.h"
#include "triangulate_polygon.h"

// Splitting closed polygons into triangles (GU_Detail::convex): the
// triangles come from triangulatePolygon; this file only edits the
// geometry, keeping attributes, corner values and group memberships.

namespace {

using Triangle = std::array<int, 3>;  // indices of polygon vertices

/// The triangles of poly (n >= 4 vertices) as triples of vertex indices,
/// the first being the one that stays on the polygon itself.
void triangulate(const GEO_PrimPoly &poly, std::vector<double> &xyz, std::vector<Triangle> &out) {
    const int n = static_cast<int>(poly.getVertexCount());
    xyz.resize(3 * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const UT_Vector4 &p = poly.getVertex(i).getPt()->getPos();
        for (int c = 0; c < 3; ++c) xyz[3 * i + c] = p(c);
    }
    triangulatePolygon(xyz.data(), n, out);
}

/// Sets out to the primitive groups of gdp that hold prim.
void groupsHolding(GU_Detail &gdp, const GEO_Primitive &prim, std::vector<GB_Group *> &out) {
    out.clear();
    for (const auto &g : gdp.primitiveGroups().groups())
        if (g->contains(&prim)) out.push_back(g.get());
}

/// Appends a closed triangle on the corners tri of poly: a copy of poly's
/// primitive attributes and of each corner's vertex attributes, and the
/// memberships of groups.
void appendTriangle(GU_Detail &gdp, const GEO_PrimPoly &poly, const Triangle &tri,
                    const std::vector<GB_Group *> &groups) {
    int pts[3];
    for (int c = 0; c < 3; ++c) pts[c] = poly.getVertex(tri[c]).getPt()->getNum();
    GEO_PrimPoly *made = gdp.appendPoly(pts, 3, true);
    made->copyAttributeData(poly);
    for (int c = 0; c < 3; ++c) made->getVertex(c).copyAttributeData(poly.getVertex(tri[c]));
    for (GB_Group *g : groups) g->add(made);
}

/// Whether convex() splits prim.
bool needsSplit(const GEO_Primitive *prim) {
    return prim->getPrimitiveId() == GEOPRIMPOLY && static_cast<const GEO_PrimPoly *>(prim)->isClosed() &&
           prim->getVertexCount() > 3;
}

/// Makes room for the primitives and vertices that splitting the first
/// count primitives (of group) will add, so the appends do not regrow.
void reserveForSplit(GU_Detail &gdp, int count, const GB_PrimitiveGroup *group) {
    long extra = 0;
    for (int i = 0; i < count; ++i) {
        const GEO_Primitive *prim = gdp.primitives()(i);
        if ((!group || group->contains(i)) && needsSplit(prim)) extra += prim->getVertexCount() - 3;
    }
    if (!extra) return;
    gdp.primitives().reserve(static_cast<int>(count + extra));
    gdp.primitiveAttribs().reserveSlots(static_cast<int>(gdp.primitiveAttribs().slots() + extra));
    gdp.vertexAttribs().reserveSlots(static_cast<int>(gdp.vertexAttribs().slots() + 3 * extra));
}

}  // namespace

void GU_Detail::convex(int, const GB_PrimitiveGroup *group) {
    // Only the primitives present now are visited; the triangles appended
    // below are never split again.
    const int count = primitives().entries();
    reserveForSplit(*this, count, group);
    std::vector<Triangle> tris;
    std::vector<double> xyz;
    std::vector<GB_Group *> groups;
    for (int i = 0; i < count; ++i) {
        GEO_Primitive *prim = primitives()(i);
        if ((group && !group->contains(i)) || !needsSplit(prim)) continue;
        auto &poly = static_cast<GEO_PrimPoly &>(*prim);
        triangulate(poly, xyz, tris);
        groupsHolding(*this, poly, groups);
        for (size_t t = 1; t < tris.size(); ++t) appendTriangle(*this, poly, tris[t], groups);
        // The polygon itself becomes the first triangle, keeping the
        // original vertices (and so their attributes) of its three corners.
        keepVertices(poly, tris[0].data(), 3);
    }
}
