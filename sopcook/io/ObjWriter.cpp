// OBJ writing.
#include "AttribAccess.h"
#include "LeftOut.h"
#include "NumberText.h"
#include "ObjFormat.h"

namespace {

/// Names of the named primitive groups that hold prim, in list order.
std::vector<const char *> groupsOf(const GU_Detail &gdp, const GEO_Primitive &prim) {
    std::vector<const char *> out;
    for (const auto &g : gdp.primitiveGroups().groups())
        if (!g->getInternal() && g->contains(&prim)) out.push_back(g->getName());
    return out;
}

void appendGroupLine(std::string &out, const std::vector<const char *> &names) {
    // "g " with no name ends every group (tinyobjloader needs the space).
    out += "g ";
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) out += ' ';
        out += names[i];
    }
    out += '\n';
}

/// Whether the file holds prim: a closed polygon of 3 or more points as a
/// face, an open one of 2 or more as a line.
bool objHolds(const GEO_Primitive &prim) {
    if (prim.getPrimitiveId() != GEOPRIMPOLY) return false;
    return prim.getVertexCount() >= (static_cast<const GEO_PrimPoly &>(prim).isClosed() ? 3u : 2u);
}

/// The edge group "lines" as `l` statements: edges that continue the
/// previous one (its second point is this one's first) extend its line, so
/// that the lines of a file come back as they were.
void appendLines(std::string &out, const GB_EdgeGroup &lines) {
    int last = -1;
    for (const GB_Edge &e : lines.edges()) {
        if (e.p0Num() < 0 || e.p1Num() < 0) continue;
        if (e.p0Num() != last) {
            if (last >= 0) out += '\n';
            out += 'l';
            out += ' ';
            appendInt(out, e.p0Num() + 1);
        }
        out += ' ';
        appendInt(out, e.p1Num() + 1);
        last = e.p1Num();
    }
    if (last >= 0) out += '\n';
}

}  // namespace

std::string writeObj(const GU_Detail &gdp, std::vector<std::string> &notes) {
    std::string out = "# written by sopcook\n";
    for (const auto &p : gdp.points()) {
        const UT_Vector4 &pos = p->getPos();
        out += 'v';
        for (int c = 0; c < 3; ++c) {
            out += ' ';
            appendFloat(out, pos(c));
        }
        if (pos.w() != 1.0f) {
            out += ' ';
            appendFloat(out, pos.w());
        }
        out += '\n';
    }
    const std::string uvname = currentUvName(gdp);
    TupleSource uv = findCornerTuple(gdp, uvname.c_str(), 2);
    if (uv.valid()) {
        for (const auto &prim : gdp.primitives()) {
            if (!objHolds(*prim)) continue;
            for (const GEO_Vertex &v : prim->vertices()) {
                out += "vt ";
                appendFloat(out, cornerValue(uv, v, 0));
                out += ' ';
                appendFloat(out, cornerValue(uv, v, 1));
                out += '\n';
            }
        }
    }
    std::vector<const char *> current;
    long long corner = 0;
    for (const auto &prim : gdp.primitives()) {
        if (!objHolds(*prim)) continue;
        auto groups = groupsOf(gdp, *prim);
        if (groups != current) {
            appendGroupLine(out, groups);
            current = groups;
        }
        const bool closed = static_cast<const GEO_PrimPoly &>(*prim).isClosed();
        out += closed ? 'f' : 'l';
        for (const GEO_Vertex &v : prim->vertices()) {
            out += ' ';
            appendInt(out, v.getPt()->getNum() + 1);
            ++corner;
            if (uv.valid()) {
                out += '/';
                appendInt(out, corner);
            }
        }
        out += '\n';
    }
    const GB_EdgeGroup *lines = gdp.findEdgeGroup("lines");
    if (lines && lines->getInternal()) lines = nullptr;
    if (lines) appendLines(out, *lines);

    KeptNames kept;
    if (uv.valid()) {
        (uv.onVertex ? kept.vertexAttribs : kept.pointAttribs).insert(uvname);
        kept.detailAttribs.insert("currentlayer");
    }
    for (const auto &g : gdp.primitiveGroups().groups()) kept.primGroups.insert(g->getName());
    if (lines) kept.edgeGroups.insert("lines");
    noteLeftOut(gdp, ".obj", kept, notes, " (only the edge group \"lines\" is written, as l statements)");
    noteUnwritten(gdp, ".obj", objHolds, notes);
    return out;
}
