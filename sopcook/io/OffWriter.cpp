// OFF writing.
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>
#include "AttribAccess.h"
#include "LeftOut.h"
#include "NumberText.h"
#include "OffFormat.h"

namespace {

/// A colour component with a decimal point, so that readers take it as
/// 0..1 and not as 0..255.
void appendColour(std::string &out, float v) {
    size_t start = out.size();
    appendFloat(out, v);
    if (out.find_first_of(".eEn", start) == std::string::npos) out += ".0";
}

/// The points of the file: each names the detail point it copies and the
/// texture coordinate it carries.
struct OffPoints {
    std::vector<int> source;
    std::vector<std::array<float, 2>> uv;
    std::vector<int> corner;  ///< file point of each polygon corner, in order
    int split = 0;            ///< points added for corners whose uv differs
};

std::uint64_t uvKey(const std::array<float, 2> &t) {
    std::uint32_t a, b;
    std::memcpy(&a, &t[0], 4);
    std::memcpy(&b, &t[1], 4);
    return (static_cast<std::uint64_t>(a) << 32) | b;
}

/// One file point per detail point, and when the uv lives on vertices, one
/// more copy of a point for every further uv its corners carry (in the
/// order the polygons meet them), as OFF holds one uv per point.
OffPoints layOutPoints(const GU_Detail &gdp, const TupleSource &uv) {
    OffPoints out;
    const int npts = gdp.points().entries();
    for (int i = 0; i < npts; ++i) {
        out.source.push_back(i);
        std::array<float, 2> t = {0.0f, 0.0f};
        if (uv.valid() && !uv.onVertex)
            for (int c = 0; c < 2; ++c) t[c] = gdp.points()(i)->getValue<float>(uv.offset, c);
        out.uv.push_back(t);
    }
    // The file points holding each detail point, with their uv keys.
    std::vector<std::vector<std::pair<std::uint64_t, int>>> copies(static_cast<size_t>(npts));
    for (const auto &prim : gdp.primitives()) {
        if (!isFace(*prim)) continue;
        for (const GEO_Vertex &v : prim->vertices()) {
            const int pt = v.getPt()->getNum();
            if (!uv.valid() || !uv.onVertex) {
                out.corner.push_back(pt);
                continue;
            }
            const std::array<float, 2> t = {cornerValue(uv, v, 0), cornerValue(uv, v, 1)};
            auto &held = copies[static_cast<size_t>(pt)];
            int at = -1;
            for (const auto &[key, file_point] : held)
                if (key == uvKey(t)) at = file_point;
            if (at < 0) {
                if (held.empty()) {
                    at = pt;
                } else {
                    at = static_cast<int>(out.source.size());
                    out.source.push_back(pt);
                    out.uv.push_back({});
                    ++out.split;
                }
                out.uv[static_cast<size_t>(at)] = t;
                held.emplace_back(uvKey(t), at);
            }
            out.corner.push_back(at);
        }
    }
    return out;
}

}  // namespace

std::string writeOff(const GU_Detail &gdp, std::vector<std::string> &notes) {
    const int pcd = findFloat3(gdp.pointAttribs(), "Cd");
    const int pn = findFloat3(gdp.pointAttribs(), "N");
    const int fcd = findFloat3(gdp.primitiveAttribs(), "Cd");
    const std::string uvname = currentUvName(gdp);
    const TupleSource uv = findCornerTuple(gdp, uvname.c_str(), 2);
    const OffPoints points = layOutPoints(gdp, uv);
    int polys = 0;
    for (const auto &prim : gdp.primitives()) polys += isFace(*prim) ? 1 : 0;
    // The prefixes in the order readers expect them: ST, C, N.
    std::string out = std::string(uv.valid() ? "ST" : "") + (pcd >= 0 ? "C" : "") + (pn >= 0 ? "N" : "") + "OFF\n";
    out += std::to_string(points.source.size()) + ' ' + std::to_string(polys) + " 0\n";
    for (size_t i = 0; i < points.source.size(); ++i) {
        const GEO_Point &p = *gdp.points()(points.source[i]);
        for (int c = 0; c < 3; ++c) {
            if (c) out += ' ';
            appendFloat(out, p.getPos()(c));
        }
        if (pn >= 0)
            for (int c = 0; c < 3; ++c) {
                out += ' ';
                appendFloat(out, p.getValue<float>(pn, c));
            }
        if (pcd >= 0) {
            for (int c = 0; c < 3; ++c) {
                out += ' ';
                appendColour(out, p.getValue<float>(pcd, c));
            }
            out += " 1.0";
        }
        if (uv.valid())
            for (float t : points.uv[i]) {
                out += ' ';
                appendFloat(out, t);
            }
        out += '\n';
    }
    size_t corner = 0;
    for (const auto &prim : gdp.primitives()) {
        if (!isFace(*prim)) continue;
        appendInt(out, prim->getVertexCount());
        for (unsigned v = 0; v < prim->getVertexCount(); ++v) {
            out += ' ';
            appendInt(out, points.corner[corner++]);
        }
        if (fcd >= 0)
            for (int c = 0; c < 3; ++c) {
                out += ' ';
                appendColour(out, prim->getValue<float>(fcd, c));
            }
        out += '\n';
    }

    KeptNames kept = keptMeshAttribs(pcd >= 0, pn >= 0, fcd >= 0, uv, uvname);
    if (points.split)
        notes.push_back(".off holds one texture coordinate per point: " + std::to_string(points.split) +
                        " points copied where the corners of a point have different \"" + uvname + "\"");
    noteLeftOut(gdp, ".off", kept, notes);
    noteUnwritten(gdp, ".off", isFace, notes);
    return out;
}
