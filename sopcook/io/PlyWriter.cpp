// PLY writing, ASCII and binary.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include "AttribAccess.h"
#include "LeftOut.h"
#include "NumberText.h"
#include "PlyHeader.h"

namespace {

/// Appends values in the chosen encoding.
class PlySink {
public:
    PlySink(std::string &out, PlyEncoding e) : myOut(out), myEnc(e) {}
    void value(PlyType t, double v) {
        if (myEnc == PlyEncoding::Ascii) {
            if (!myLineStart) myOut += ' ';
            myLineStart = false;
            if (plyIsFloat(t))
                appendFloat(myOut, static_cast<float>(v));
            else
                appendInt(myOut, static_cast<long long>(v));
            return;
        }
        unsigned char b[8];
        std::size_t n = plySize(t);
        switch (t) {
            case PlyType::UInt8:
                b[0] = static_cast<unsigned char>(v);
                break;
            case PlyType::Int32: {
                std::int32_t x = static_cast<std::int32_t>(v);
                std::memcpy(b, &x, 4);
                break;
            }
            default: {
                float x = static_cast<float>(v);
                std::memcpy(b, &x, 4);
                break;
            }
        }
        if ((myEnc == PlyEncoding::BinaryBigEndian) != (std::endian::native == std::endian::big))
            for (std::size_t i = 0; i < n / 2; ++i) std::swap(b[i], b[n - 1 - i]);
        myOut.append(reinterpret_cast<const char *>(b), n);
    }
    void endElement() {
        if (myEnc == PlyEncoding::Ascii) myOut += '\n';
        myLineStart = true;
    }

private:
    std::string &myOut;
    PlyEncoding myEnc;
    bool myLineStart = true;
};

unsigned char toByte(float c) { return static_cast<unsigned char>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f)); }

const char *encodingName(PlyEncoding e) {
    switch (e) {
        case PlyEncoding::Ascii:
            return "ascii";
        case PlyEncoding::BinaryLittleEndian:
            return "binary_little_endian";
        default:
            return "binary_big_endian";
    }
}

}  // namespace

std::string writePly(const GU_Detail &gdp, PlyEncoding encoding, std::vector<std::string> &notes) {
    const int pcd = findFloat3(gdp.pointAttribs(), "Cd");
    const int pn = findFloat3(gdp.pointAttribs(), "N");
    const int fcd = findFloat3(gdp.primitiveAttribs(), "Cd");
    const std::string uvname = currentUvName(gdp);
    const TupleSource uv = findCornerTuple(gdp, uvname.c_str(), 2);
    const GB_EdgeGroup *edges = gdp.findEdgeGroup("edges");
    if (edges && edges->getInternal()) edges = nullptr;
    int polys = 0;
    unsigned most = 0;
    for (const auto &prim : gdp.primitives()) {
        if (!isFace(*prim)) continue;
        ++polys;
        most = std::max(most, prim->getVertexCount());
    }
    // A uchar count is what most readers expect; larger faces need an int.
    const PlyType idxCount = most <= 255 ? PlyType::UInt8 : PlyType::Int32;
    const PlyType texCount = 2 * most <= 255 ? PlyType::UInt8 : PlyType::Int32;

    std::string out = "ply\nformat ";
    out += encodingName(encoding);
    out += " 1.0\ncomment written by sopcook\n";
    out += "element vertex " + std::to_string(gdp.points().entries()) + "\n";
    out += "property float x\nproperty float y\nproperty float z\n";
    if (pn >= 0) out += "property float nx\nproperty float ny\nproperty float nz\n";
    if (pcd >= 0) out += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    out += "element face " + std::to_string(polys) + "\n";
    out += std::string("property list ") + plyName(idxCount) + " int vertex_indices\n";
    if (fcd >= 0) out += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    if (uv.valid()) out += std::string("property list ") + plyName(texCount) + " float texcoord\n";
    if (edges)
        out += "element edge " + std::to_string(edges->entries()) + "\nproperty int vertex1\nproperty int vertex2\n";
    out += "end_header\n";

    PlySink sink(out, encoding);
    for (const auto &p : gdp.points()) {
        for (int c = 0; c < 3; ++c) sink.value(PlyType::Float32, p->getPos()(c));
        if (pn >= 0)
            for (int c = 0; c < 3; ++c) sink.value(PlyType::Float32, p->getValue<float>(pn, c));
        if (pcd >= 0)
            for (int c = 0; c < 3; ++c) sink.value(PlyType::UInt8, toByte(p->getValue<float>(pcd, c)));
        sink.endElement();
    }
    for (const auto &prim : gdp.primitives()) {
        if (!isFace(*prim)) continue;
        sink.value(idxCount, prim->getVertexCount());
        for (const GEO_Vertex &v : prim->vertices()) sink.value(PlyType::Int32, v.getPt()->getNum());
        if (fcd >= 0)
            for (int c = 0; c < 3; ++c) sink.value(PlyType::UInt8, toByte(prim->getValue<float>(fcd, c)));
        if (uv.valid()) {
            sink.value(texCount, 2.0 * prim->getVertexCount());
            for (const GEO_Vertex &v : prim->vertices())
                for (int c = 0; c < 2; ++c) sink.value(PlyType::Float32, cornerValue(uv, v, c));
        }
        sink.endElement();
    }
    if (edges)
        for (const GB_Edge &e : edges->edges()) {
            sink.value(PlyType::Int32, e.p0Num());
            sink.value(PlyType::Int32, e.p1Num());
            sink.endElement();
        }

    KeptNames kept = keptMeshAttribs(pcd >= 0, pn >= 0, fcd >= 0, uv, uvname);
    if (edges) kept.edgeGroups.insert("edges");
    noteLeftOut(gdp, ".ply", kept, notes, " (only the edge group \"edges\" is written, as the edge element)");
    noteUnwritten(gdp, ".ply", isFace, notes);
    return out;
}
