// glTF 2.0 writing: a copy of the source asset with new texture
// coordinates and colours, or a new asset of one mesh.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include "AttribAccess.h"
#include "FileAccess.h"
#include "GeoFileError.h"
#include "GltfFormat.h"
#include "LeftOut.h"

namespace {

constexpr int ARRAY_BUFFER = 34962;
constexpr int ELEMENT_ARRAY_BUFFER = 34963;

/// What a corner carries into its glTF vertex: u, v (glTF's v, 0 at the
/// top) and r, g, b, as float bits so that equal means identical.
using CornerKey = std::array<std::uint32_t, 5>;

std::uint32_t bitsOf(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

float floatOf(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}

/// glTF vertices for corners: corner i lies on vertex base[i] (< n) and
/// carries keys[i]. The first key seen on a vertex keeps the vertex; each
/// other key gets a copy appended after the n vertices, shared by the
/// corners that carry it. Unreferenced vertices stay as they are.
struct VertexSplit {
    std::vector<std::uint32_t> corner;  ///< the vertex of each corner
    std::vector<std::uint32_t> origin;  ///< the source vertex of each vertex
    std::vector<CornerKey> key;         ///< the key of each vertex
    std::vector<bool> used;             ///< whether a corner lies on it
};

VertexSplit splitVertices(const std::vector<std::uint32_t> &base, const std::vector<CornerKey> &keys, std::size_t n) {
    VertexSplit s;
    s.origin.resize(n);
    std::iota(s.origin.begin(), s.origin.end(), 0u);
    s.key.resize(n);
    s.used.assign(n, false);
    std::vector<std::vector<std::uint32_t>> copies(n);
    s.corner.resize(base.size());
    for (std::size_t i = 0; i < base.size(); ++i) {
        const std::uint32_t v = base[i];
        if (!s.used[v]) {
            s.used[v] = true;
            s.key[v] = keys[i];
        }
        std::uint32_t out = v;
        if (s.key[v] != keys[i]) {
            auto it =
                std::find_if(copies[v].begin(), copies[v].end(), [&](std::uint32_t c) { return s.key[c] == keys[i]; });
            if (it != copies[v].end()) {
                out = *it;
            } else {
                out = static_cast<std::uint32_t>(s.origin.size());
                s.origin.push_back(v);
                s.key.push_back(keys[i]);
                s.used.push_back(true);
                copies[v].push_back(out);
            }
        }
        s.corner[i] = out;
    }
    return s;
}

/// Where the cooked geometry keeps its texture coordinates and colours.
struct CornerSource {
    TupleSource uv;
    TupleSource cd;   ///< on vertices or points
    int primCd = -1;  ///< on primitives, when not on vertices or points
    bool hasUv() const { return uv.valid(); }
    bool hasCd() const { return cd.valid() || primCd >= 0; }

    explicit CornerSource(const GU_Detail &gdp) : uvName(currentUvName(gdp)) {
        uv = findCornerTuple(gdp, uvName.c_str(), 2);
        cd = findCornerTuple(gdp, "Cd", 3);
        if (!cd.valid()) primCd = findFloat3(gdp.primitiveAttribs(), "Cd");
    }

    /// The key of corner k of prim; parts not asked for are zero.
    CornerKey key(const GEO_Primitive &prim, unsigned k, bool withUv, bool withCd) const {
        CornerKey out{};
        const GEO_Vertex &v = prim.getVertex(k);
        if (withUv) {
            out[0] = bitsOf(cornerValue(uv, v, 0));
            out[1] = bitsOf(1.0f - cornerValue(uv, v, 1));
        }
        if (withCd)
            for (int c = 0; c < 3; ++c)
                out[2 + c] = bitsOf(cd.valid() ? cornerValue(cd, v, c) : prim.getValue<float>(primCd, c));
        return out;
    }

    void keep(KeptNames &kept) const {
        if (hasUv()) {
            (uv.onVertex ? kept.vertexAttribs : kept.pointAttribs).insert(uvName);
            kept.detailAttribs.insert("currentlayer");
        }
        if (cd.valid()) (cd.onVertex ? kept.vertexAttribs : kept.pointAttribs).insert("Cd");
        if (primCd >= 0) kept.primAttribs.insert("Cd");
    }

    std::string uvName;
};

bool isTriangleFace(const GEO_Primitive &prim) {
    return prim.getPrimitiveId() == GEOPRIMPOLY && static_cast<const GEO_PrimPoly &>(prim).isClosed() &&
           prim.getVertexCount() >= 3;
}

/// Appends bufferViews and accessors to json whose data goes at the end
/// of buffer 0 (bin).
class AccessorSink {
public:
    AccessorSink(GltfJson &json, std::string &bin) : myJson(json), myBin(bin) {}

    /// A new accessor of count elements in data, each stride bytes apart
    /// (packed when stride is the element size); extra members (min, max,
    /// normalized) are copied from like when it is not null.
    std::size_t add(const std::string &data, std::size_t count, int componentType, const std::string &type,
                    std::size_t stride, std::size_t elementSize, int target, const GltfJson *like = nullptr) {
        myBin.append((4 - myBin.size() % 4) % 4, '\0');
        GltfJson view = GltfJson::object();
        view["buffer"] = 0;
        view["byteOffset"] = myBin.size();
        view["byteLength"] = data.size();
        if (stride != elementSize) view["byteStride"] = stride;
        view["target"] = target;
        myBin += data;
        GltfJson &views = myJson["bufferViews"];
        views.push_back(view);
        GltfJson acc = GltfJson::object();
        acc["bufferView"] = views.size() - 1;
        acc["componentType"] = componentType;
        acc["count"] = count;
        acc["type"] = type;
        if (like)
            for (const char *k : {"normalized", "min", "max"})
                if (like->contains(k)) acc[k] = (*like)[k];
        GltfJson &accessors = myJson["accessors"];
        accessors.push_back(acc);
        return accessors.size() - 1;
    }

    /// Float tuples (count by n in values) as a new accessor, with min and
    /// max when bounds is set.
    std::size_t addFloats(const std::vector<float> &values, int n, bool bounds) {
        static const char *types[] = {"", "SCALAR", "VEC2", "VEC3", "VEC4"};
        std::string data(values.size() * 4, '\0');
        std::memcpy(data.data(), values.data(), data.size());
        const std::size_t count = values.size() / n;
        std::size_t index = add(data, count, GLTF_FLOAT, types[n], 4 * n, 4 * n, ARRAY_BUFFER);
        if (bounds) {
            GltfJson lo = GltfJson::array(), hi = GltfJson::array();
            for (int c = 0; c < n; ++c) {
                float a = std::numeric_limits<float>::max(), b = -a;
                for (std::size_t i = 0; i < count; ++i) {
                    a = std::min(a, values[i * n + c]);
                    b = std::max(b, values[i * n + c]);
                }
                lo.push_back(a);
                hi.push_back(b);
            }
            myJson["accessors"][index]["min"] = lo;
            myJson["accessors"][index]["max"] = hi;
        }
        return index;
    }

    /// Triangle corners as a new index accessor of the smallest type that
    /// holds vertices (the largest value of each type is not an index).
    std::size_t addIndices(const std::vector<std::uint32_t> &idx, std::size_t vertices) {
        const bool shorts = vertices < 0xFFFF;
        std::string data;
        data.reserve(idx.size() * 4);
        for (std::uint32_t i : idx)
            for (int b = 0; b < (shorts ? 2 : 4); ++b) data += static_cast<char>((i >> (8 * b)) & 0xFF);
        return add(data, idx.size(), shorts ? GLTF_UNSIGNED_SHORT : GLTF_UNSIGNED_INT, "SCALAR", shorts ? 2 : 4,
                   shorts ? 2 : 4, ELEMENT_ARRAY_BUFFER);
    }

    /// A copy of the source's accessor index with element i taken from
    /// element origin[i], each element on a 4-byte boundary.
    std::size_t addCopy(const GltfAsset &src, std::size_t index, const std::vector<std::uint32_t> &origin) {
        const GltfAccessorLayout l = gltfAccessorLayout(src, index);
        const std::string bytes = gltfAccessorBytes(src, index);
        const std::size_t stride = (l.elementSize + 3) / 4 * 4;
        std::string data(origin.size() * stride, '\0');
        for (std::size_t i = 0; i < origin.size(); ++i)
            std::memcpy(&data[i * stride], &bytes[origin[i] * l.elementSize], l.elementSize);
        const GltfJson &like = src.json["accessors"][index];
        return add(data, origin.size(), l.componentType, like["type"].get<std::string>(), stride, l.elementSize,
                   ARRAY_BUFFER, &like);
    }

private:
    GltfJson &myJson;
    std::string &myBin;
};

/// The accessor of attribute key of a primitive (-1 when absent).
std::int64_t accessorOf(const GltfJson &prim, const char *key) {
    const GltfJson &attrs = prim["attributes"];
    return attrs.contains(key) ? attrs[key].get<std::int64_t>() : -1;
}

/// Whether gdp still holds the triangles readGltf made of parts: the same
/// points and polygons in the same order.
bool holdsParts(const GU_Detail &gdp, const std::vector<GltfPart> &parts) {
    std::size_t points = 0, tris = 0;
    for (const GltfPart &p : parts) {
        points += p.vertices;
        tris += p.corners.size() / 3;
    }
    if (points != static_cast<std::size_t>(gdp.points().entries()) ||
        tris != static_cast<std::size_t>(gdp.primitives().entries()))
        return false;
    std::size_t base = 0, prim = 0;
    for (const GltfPart &p : parts) {
        for (std::size_t t = 0; t < p.corners.size(); t += 3, ++prim) {
            const GEO_Primitive &poly = *gdp.primitives()(static_cast<int>(prim));
            if (!isTriangleFace(poly) || poly.getVertexCount() != 3) return false;
            for (unsigned k = 0; k < 3; ++k)
                if (static_cast<std::size_t>(poly.getVertex(k).getPt()->getNum()) != base + p.corners[t + k])
                    return false;
        }
        base += p.vertices;
    }
    return true;
}

/// One part of the source written back into json: the accessors that
/// changed are replaced, and when vertices split (or a strip or fan
/// became a list) every attribute and morph target is copied per vertex.
void writePart(const GU_Detail &gdp, const GltfAsset &src, const GltfPart &part, std::size_t firstPrim,
               std::size_t firstPoint, const CornerSource &cs, AccessorSink &sink, GltfJson &json) {
    const GltfJson &srcPrim = src.json["meshes"][part.mesh]["primitives"][part.primitive];
    GltfJson &prim = json["meshes"][part.mesh]["primitives"][part.primitive];
    const std::size_t n = part.vertices, corners = part.corners.size();
    const std::vector<float> srcPos =
        gltfAccessorFloats(src, static_cast<std::size_t>(accessorOf(srcPrim, "POSITION")));
    std::vector<float> srcTex, srcCol;
    int colN = 3;
    if (std::int64_t t = accessorOf(srcPrim, "TEXCOORD_0"); t >= 0)
        srcTex = gltfAccessorFloats(src, static_cast<std::size_t>(t));
    if (std::int64_t c = accessorOf(srcPrim, "COLOR_0"); c >= 0) {
        srcCol = gltfAccessorFloats(src, static_cast<std::size_t>(c));
        colN = gltfAccessorLayout(src, static_cast<std::size_t>(c)).components;
    }
    auto readerCd = [&](std::size_t v, int c) { return srcCol.empty() ? 1.0f : srcCol[v * colN + c]; };
    auto polyOf = [&](std::size_t corner) -> const GEO_Primitive & {
        return *gdp.primitives()(static_cast<int>(firstPrim + corner / 3));
    };

    // Colours count as the cook's when they differ from what was read.
    bool newCd = false;
    for (std::size_t i = 0; cs.hasCd() && !newCd && i < corners; ++i) {
        CornerKey k = cs.key(polyOf(i), static_cast<unsigned>(i % 3), false, true);
        for (int c = 0; c < 3; ++c) newCd = newCd || floatOf(k[2 + c]) != readerCd(part.corners[i], c);
    }
    bool newPos = false;
    for (std::size_t v = 0; v < n && !newPos; ++v) {
        const UT_Vector4 &p = gdp.points()(static_cast<int>(firstPoint + v))->getPos();
        for (int c = 0; c < 3; ++c) newPos = newPos || p(c) != srcPos[3 * v + c];
    }
    std::vector<CornerKey> keys(corners);
    for (std::size_t i = 0; i < corners; ++i)
        keys[i] = cs.key(polyOf(i), static_cast<unsigned>(i % 3), cs.hasUv(), newCd);
    const VertexSplit s = splitVertices(part.corners, keys, n);
    const std::size_t m = s.origin.size();

    if (m > n || part.mode != 4) {
        auto copyAll = [&](GltfJson &attrs, bool base) {
            for (auto it = attrs.begin(); it != attrs.end(); ++it) {
                const std::string &k = it.key();
                if (base &&
                    ((k == "TEXCOORD_0" && cs.hasUv()) || (k == "COLOR_0" && newCd) || (k == "POSITION" && newPos)))
                    continue;
                it.value() = sink.addCopy(src, it.value().get<std::size_t>(), s.origin);
            }
        };
        copyAll(prim["attributes"], true);
        if (prim.contains("targets"))
            for (GltfJson &target : prim["targets"])
                if (target.is_object()) copyAll(target, false);
        if (corners > 0) {
            prim["indices"] = sink.addIndices(s.corner, m);
            if (prim.contains("mode")) prim["mode"] = 4;
        } else {
            // A strip or fan of fewer than three vertices stays one, its
            // vertices in order: an index accessor may not be empty.
            prim.erase("indices");
        }
    }
    if (cs.hasUv()) {
        std::vector<float> tex(2 * m, 0.0f);
        for (std::size_t v = 0; v < m; ++v)
            for (int c = 0; c < 2; ++c)
                tex[2 * v + c] = s.used[v] ? floatOf(s.key[v][c]) : srcTex.empty() ? 0.0f : srcTex[2 * s.origin[v] + c];
        prim["attributes"]["TEXCOORD_0"] = sink.addFloats(tex, 2, false);
    }
    if (newCd) {
        const int out = colN == 4 ? 4 : 3;  // alpha comes from the source
        std::vector<float> col(out * m);
        for (std::size_t v = 0; v < m; ++v) {
            for (int c = 0; c < 3; ++c)
                col[out * v + c] = s.used[v] ? floatOf(s.key[v][2 + c]) : readerCd(s.origin[v], c);
            if (out == 4) col[4 * v + 3] = srcCol[4 * s.origin[v] + 3];
        }
        prim["attributes"]["COLOR_0"] = sink.addFloats(col, out, false);
    }
    if (newPos) {
        std::vector<float> pos(3 * m);
        for (std::size_t v = 0; v < m; ++v)
            for (int c = 0; c < 3; ++c)
                pos[3 * v + c] = gdp.points()(static_cast<int>(firstPoint + s.origin[v]))->getPos()(c);
        prim["attributes"]["POSITION"] = sink.addFloats(pos, 3, true);
    }
}

std::string folderOf(const std::string &path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

/// A note when the copy goes to another folder than its source and keeps
/// files (buffers after the first, images) that it names by relative URI.
void noteRelativeFiles(const GltfJson &json, const std::string &source, const std::string &file,
                       std::vector<std::string> &notes) {
    if (folderOf(source) == folderOf(file)) return;
    int files = 0;
    for (const char *list : {"buffers", "images"}) {
        if (!json.contains(list) || !json[list].is_array()) continue;
        for (std::size_t i = list[0] == 'b' ? 1 : 0; i < json[list].size(); ++i) {
            const GltfJson &x = json[list][i];
            files += x.is_object() && x.contains("uri") && x["uri"].is_string() &&
                     x["uri"].get<std::string>().rfind("data:", 0) != 0;
        }
    }
    if (files)
        notes.push_back(std::to_string(files) + " buffers or images are files named relative to " + source +
                        "; the copy names them the same way from its own folder");
}

std::string writeBack(const GU_Detail &gdp, const GltfAsset &src, const std::vector<GltfPart> &parts,
                      const std::string &file, bool binary, std::vector<std::string> &notes) {
    GltfJson json = src.json;
    std::string bin = src.buffers.empty() ? std::string() : src.buffers[0];
    AccessorSink sink(json, bin);
    const CornerSource cs(gdp);
    std::size_t prim = 0, point = 0;
    for (const GltfPart &part : parts) {
        writePart(gdp, src, part, prim, point, cs, sink, json);
        prim += part.corners.size() / 3;
        point += part.vertices;
    }
    if (!bin.empty()) {
        if (!json.contains("buffers"))
            json["buffers"] = GltfJson::array({GltfJson::object()});  // a one-member list of an empty object
        json["buffers"][0]["byteLength"] = bin.size();
    }
    KeptNames kept;
    cs.keep(kept);
    for (const GltfPart &part : parts) kept.primGroups.insert(gltfPartName(src, part));
    noteLeftOut(gdp, binary ? ".glb" : ".gltf", kept, notes);
    noteRelativeFiles(json, src.file, file, notes);
    return serializeGltf(std::move(json), bin, binary);
}

/// A new asset: one scene, node, mesh and primitive of gdp's polygons
/// (fanned into triangles) in one buffer.
std::string writeNew(const GU_Detail &gdp, const std::string &file, bool binary, std::vector<std::string> &notes) {
    const char *format = binary ? ".glb" : ".gltf";
    GltfJson json = GltfJson::object();
    json["asset"]["version"] = "2.0";
    json["asset"]["generator"] = "sopcook";
    const CornerSource cs(gdp);
    std::vector<std::uint32_t> base;
    std::vector<CornerKey> keys;
    int fanned = 0;
    for (const auto &prim : gdp.primitives()) {
        if (!isTriangleFace(*prim)) continue;
        fanned += prim->getVertexCount() > 3;
        for (unsigned k = 1; k + 1 < prim->getVertexCount(); ++k)
            for (unsigned c : {0u, k, k + 1}) {
                base.push_back(static_cast<std::uint32_t>(prim->getVertex(c).getPt()->getNum()));
                keys.push_back(cs.key(*prim, c, cs.hasUv(), cs.hasCd()));
            }
    }
    KeptNames kept;
    cs.keep(kept);
    noteLeftOut(gdp, format, kept, notes);
    noteUnwritten(gdp, format, isTriangleFace, notes);
    if (fanned)
        notes.push_back(std::string(format) + " holds triangles: " + std::to_string(fanned) +
                        " polygons of more than 3 points written as triangle fans");
    if (base.empty()) return serializeGltf(std::move(json), "", binary);

    const VertexSplit s = splitVertices(base, keys, static_cast<std::size_t>(gdp.points().entries()));
    const std::size_t m = s.origin.size();
    std::string bin;
    AccessorSink sink(json, bin);
    std::vector<float> pos(3 * m), tex(2 * m), col(3 * m);
    for (std::size_t v = 0; v < m; ++v) {
        const UT_Vector4 &p = gdp.points()(static_cast<int>(s.origin[v]))->getPos();
        for (int c = 0; c < 3; ++c) {
            if (!std::isfinite(p(c)))
                throw GeoFileError::ofFile(file, "point " + std::to_string(s.origin[v]) +
                                                     " has a position that is not finite");
            pos[3 * v + c] = p(c);
            col[3 * v + c] = s.used[v] ? floatOf(s.key[v][2 + c]) : 1.0f;
        }
        for (int c = 0; c < 2; ++c) tex[2 * v + c] = floatOf(s.key[v][c]);
    }
    GltfJson attrs = GltfJson::object();
    const std::size_t indices = sink.addIndices(s.corner, m);
    attrs["POSITION"] = sink.addFloats(pos, 3, true);
    if (cs.hasUv()) attrs["TEXCOORD_0"] = sink.addFloats(tex, 2, false);
    if (cs.hasCd()) attrs["COLOR_0"] = sink.addFloats(col, 3, false);
    GltfJson primitive = GltfJson::object();
    primitive["attributes"] = attrs;
    primitive["indices"] = indices;
    primitive["mode"] = 4;
    GltfJson mesh = GltfJson::object(), node = GltfJson::object(), scene = GltfJson::object();
    mesh["primitives"] = GltfJson::array({primitive});
    node["mesh"] = 0;
    scene["nodes"] = GltfJson::array({0});
    json["scene"] = 0;
    json["scenes"] = GltfJson::array({scene});
    json["nodes"] = GltfJson::array({node});
    json["meshes"] = GltfJson::array({mesh});
    GltfJson buffer = GltfJson::object();
    buffer["byteLength"] = bin.size();
    json["buffers"] = GltfJson::array({buffer});
    return serializeGltf(std::move(json), bin, binary);
}

}  // namespace

std::string writeGltfFrom(const GU_Detail &gdp, const std::string &file, bool binary, const GltfAsset *source,
                          std::vector<std::string> &notes) {
    if (source) {
        const std::vector<GltfPart> parts = gltfTriangleParts(*source, nullptr);
        if (holdsParts(gdp, parts)) return writeBack(gdp, *source, parts, file, binary, notes);
        notes.push_back("the geometry no longer has the triangles of " + source->file + "; written as a new asset");
    }
    return writeNew(gdp, file, binary, notes);
}

std::string writeGltf(const GU_Detail &gdp, const std::string &file, bool binary, const std::string &source,
                      std::vector<std::string> &notes) {
    if (source.empty()) return writeGltfFrom(gdp, file, binary, nullptr, notes);
    const GltfAsset src = loadGltfAsset(readWholeFile(source), source);
    return writeGltfFrom(gdp, file, binary, &src, notes);
}
