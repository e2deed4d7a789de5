// glTF 2.0 reading: triangle primitives as polygons.
#include <cctype>
#include "AttribAccess.h"
#include "GltfFormat.h"

namespace {

std::string where(std::size_t mesh, std::size_t prim) {
    return "meshes[" + std::to_string(mesh) + "].primitives[" + std::to_string(prim) + "]";
}

/// The triangles of a list (mode 4), strip (5) or fan (6) of corners, in
/// the format's winding; degenerate triangles of strips and fans are joins
/// and left out.
void triangulate(const std::vector<std::uint32_t> &idx, int mode, std::vector<std::uint32_t> &out) {
    if (mode == 4) {
        out = idx;
        return;
    }
    for (std::size_t i = 0; i + 2 < idx.size(); ++i) {
        std::uint32_t a, b, c;
        if (mode == 5) {
            a = idx[i];
            b = idx[i + 1 + i % 2];
            c = idx[i + 2 - i % 2];
        } else {
            a = idx[i + 1];
            b = idx[i + 2];
            c = idx[0];
        }
        if (a == b || b == c || a == c) continue;
        out.insert(out.end(), {a, b, c});
    }
}

/// The accessor number of member key of attributes (or -1), checked.
std::int64_t attribute(const GltfAsset &a, const GltfJson &attributes, const char *key, const std::string &w) {
    if (!attributes.contains(key)) return -1;
    std::int64_t n = static_cast<std::int64_t>(a.json.value("accessors", GltfJson::array()).size());
    return gltfIndex(attributes, key, a.file, w + ".attributes", -1, n - 1);
}

}  // namespace

std::vector<GltfPart> gltfTriangleParts(const GltfAsset &a, std::vector<std::string> *notes) {
    std::vector<GltfPart> parts;
    const GltfJson meshes = a.json.value("meshes", GltfJson::array());
    if (!meshes.is_array()) gltfFail(a.file, "meshes", "expected an array");
    const std::size_t accessors = a.json.value("accessors", GltfJson::array()).size();
    std::size_t skipped = 0;
    std::uint64_t budget = 0;
    for (std::size_t m = 0; m < meshes.size(); ++m) {
        const GltfJson &mesh = meshes[m];
        const GltfJson *prims = mesh.is_object() && mesh.contains("primitives") ? &mesh["primitives"] : nullptr;
        if (!prims || !prims->is_array())
            gltfFail(a.file, "meshes[" + std::to_string(m) + "]", "expected an object with a primitives array");
        for (std::size_t p = 0; p < prims->size(); ++p) {
            const std::string w = where(m, p);
            const GltfJson &prim = (*prims)[p];
            if (!prim.is_object() || !prim.contains("attributes") || !prim["attributes"].is_object())
                gltfFail(a.file, w, "expected an object with an attributes object");
            const GltfJson &attrs = prim["attributes"];
            int mode = static_cast<int>(gltfIndex(prim, "mode", a.file, w, 4, 6));
            std::int64_t pos = attribute(a, attrs, "POSITION", w);
            if (mode < 4 || pos < 0 ||
                (prim.contains("extensions") && prim["extensions"].contains("KHR_draco_mesh_compression"))) {
                ++skipped;
                continue;
            }
            GltfPart part;
            part.mesh = m;
            part.primitive = p;
            part.mode = mode;
            part.vertices = gltfAccessorLayout(a, static_cast<std::size_t>(pos)).count;
            for (auto it = attrs.begin(); it != attrs.end(); ++it) {
                std::size_t acc = static_cast<std::size_t>(gltfIndex(attrs, it.key().c_str(), a.file, w + ".attributes",
                                                                     -1, static_cast<std::int64_t>(accessors) - 1));
                if (gltfAccessorLayout(a, acc).count != part.vertices)
                    gltfFail(a.file, w + ".attributes." + it.key(), "has another count than POSITION");
            }
            const char *const types[][3] = {
                {"POSITION", "VEC3", "VEC3"}, {"TEXCOORD_0", "VEC2", "VEC2"}, {"COLOR_0", "VEC3", "VEC4"}};
            for (const auto &t : types) {
                std::int64_t acc = attribute(a, attrs, t[0], w);
                if (acc < 0) continue;
                const GltfJson &type = a.json["accessors"][static_cast<std::size_t>(acc)]["type"];
                if (type != t[1] && type != t[2])
                    gltfFail(a.file, w + ".attributes." + t[0],
                             std::string("expected an accessor of type ") + t[1] +
                                 (t[1] == t[2] ? std::string() : std::string(" or ") + t[2]));
            }
            std::vector<std::uint32_t> idx;
            if (prim.contains("indices")) {
                std::size_t acc = static_cast<std::size_t>(
                    gltfIndex(prim, "indices", a.file, w, -1, static_cast<std::int64_t>(accessors) - 1));
                idx = gltfAccessorIndices(a, acc, w + ".indices");
                for (std::uint32_t i : idx)
                    if (i >= part.vertices)
                        gltfFail(a.file, w + ".indices",
                                 "index " + std::to_string(i) + " is past the " + std::to_string(part.vertices) +
                                     " vertices");
            } else {
                idx.resize(part.vertices);
                for (std::size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<std::uint32_t>(i);
            }
            if (mode == 4 && idx.size() % 3 != 0)
                gltfFail(a.file, w,
                         "a triangle list of " + std::to_string(idx.size()) + " corners (not a multiple of 3)");
            triangulate(idx, mode, part.corners);
            budget += 12ull * part.vertices + 4ull * part.corners.size();
            if (budget > 64ull * a.bytes + (1u << 20))
                gltfFail(a.file, w, "the primitives make more vertices than a file of this size may hold");
            parts.push_back(std::move(part));
        }
    }
    if (notes && skipped)
        notes->push_back(a.file + ": " + std::to_string(skipped) +
                         " mesh primitives of points or lines, or without POSITION, were not read");
    return parts;
}

std::string gltfPartName(const GltfAsset &a, const GltfPart &part) {
    const GltfJson &mesh = a.json["meshes"][part.mesh];
    std::string name = mesh.contains("name") && mesh["name"].is_string() ? mesh["name"].get<std::string>() : "";
    if (name.empty()) name = "mesh" + std::to_string(part.mesh);
    for (char &c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
    if (std::isdigit(static_cast<unsigned char>(name[0]))) name = "_" + name;
    if (mesh["primitives"].size() > 1) name += "_" + std::to_string(part.primitive);
    return name;
}

void readGltf(std::string_view data, const std::string &file, GU_Detail &gdp, std::vector<std::string> &notes) {
    const GltfAsset a = loadGltfAsset(data, file);
    const std::vector<GltfPart> parts = gltfTriangleParts(a, &notes);
    auto attrOf = [&](const GltfPart &part, const char *key) -> std::int64_t {
        const GltfJson &attrs = a.json["meshes"][part.mesh]["primitives"][part.primitive]["attributes"];
        return attrs.contains(key) ? attrs[key].get<std::int64_t>() : -1;
    };
    bool anyUv = false, anyCd = false, alpha = false;
    for (const GltfPart &part : parts) {
        anyUv = anyUv || attrOf(part, "TEXCOORD_0") >= 0;
        anyCd = anyCd || attrOf(part, "COLOR_0") >= 0;
    }
    const int uv = anyUv ? addFloatTuple(gdp.vertexAttribs(), "uv", 3) : -1;
    const int cd = anyCd ? addFloatTuple(gdp.pointAttribs(), "Cd", 3) : -1;
    for (const GltfPart &part : parts) {
        const int base = gdp.points().entries();
        const std::vector<float> pos = gltfAccessorFloats(a, static_cast<std::size_t>(attrOf(part, "POSITION")));
        std::vector<float> tex, col;
        if (std::int64_t t = attrOf(part, "TEXCOORD_0"); t >= 0)
            tex = gltfAccessorFloats(a, static_cast<std::size_t>(t));
        int colN = 0;
        if (std::int64_t c = attrOf(part, "COLOR_0"); c >= 0) {
            col = gltfAccessorFloats(a, static_cast<std::size_t>(c));
            colN = gltfAccessorLayout(a, static_cast<std::size_t>(c)).components;
            alpha = alpha || colN == 4;
        }
        for (std::size_t v = 0; v < part.vertices; ++v) {
            GEO_Point *pt = gdp.appendPoint(UT_Vector4(pos[3 * v], pos[3 * v + 1], pos[3 * v + 2], 1.0f));
            if (cd >= 0)
                for (int c = 0; c < 3; ++c) pt->setValue<float>(cd, col.empty() ? 1.0f : col[colN * v + c], c);
        }
        GB_PrimitiveGroup *group = gdp.findPrimitiveGroup(gltfPartName(a, part).c_str());
        if (!group) group = gdp.newPrimitiveGroup(gltfPartName(a, part).c_str());
        for (std::size_t t = 0; t < part.corners.size(); t += 3) {
            int pts[3];
            for (int k = 0; k < 3; ++k) pts[k] = base + static_cast<int>(part.corners[t + k]);
            GEO_PrimPoly *poly = gdp.appendPoly(pts, 3, true);
            group->add(poly);
            if (uv < 0 || tex.empty()) continue;
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t v = part.corners[t + k];
                poly->getVertex(static_cast<unsigned>(k)).setValue<float>(uv, tex[2 * v], 0);
                poly->getVertex(static_cast<unsigned>(k)).setValue<float>(uv, 1.0f - tex[2 * v + 1], 1);
            }
        }
    }
    if (alpha) notes.push_back(file + ": the alpha of COLOR_0 is not read (\"Cd\" has three components)");
}
