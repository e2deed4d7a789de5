// OFF writing.
#include "AttribAccess.h"
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

} // namespace

std::string writeOff(const GU_Detail &gdp, std::vector<std::string> &notes) {
    const int pcd = findFloat3(gdp.pointAttribs(), "Cd");
    const int fcd = findFloat3(gdp.primitiveAttribs(), "Cd");
    int polys = 0;
    for (const auto &prim : gdp.primitives()) polys += prim->getPrimitiveId() == GEOPRIMPOLY ? 1 : 0;
    std::string out = pcd >= 0 ? "COFF\n" : "OFF\n";
    out += std::to_string(gdp.points().entries()) + ' ' + std::to_string(polys) + " 0\n";
    for (const auto &p : gdp.points()) {
        for (int c = 0; c < 3; ++c) {
            if (c) out += ' ';
            appendFloat(out, p->getPos()(c));
        }
        if (pcd >= 0) {
            for (int c = 0; c < 3; ++c) {
                out += ' ';
                appendColour(out, p->getValue<float>(pcd, c));
            }
            out += " 1.0";
        }
        out += '\n';
    }
    for (const auto &prim : gdp.primitives()) {
        if (prim->getPrimitiveId() != GEOPRIMPOLY) continue;
        appendInt(out, prim->getVertexCount());
        for (const GEO_Vertex &v : prim->vertices()) {
            out += ' ';
            appendInt(out, v.getPt()->getNum());
        }
        if (fcd >= 0)
            for (int c = 0; c < 3; ++c) {
                out += ' ';
                appendColour(out, prim->getValue<float>(fcd, c));
            }
        out += '\n';
    }
    if (polys != gdp.primitives().entries())
        notes.push_back(std::to_string(gdp.primitives().entries() - polys) +
                        " primitives that are not polygons were left out of the OFF file");
    return out;
}
