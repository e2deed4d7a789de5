// glTF 2.0 files: round trips of small assets made here, the format's
// layout rules checked on everything written, hostile files refused.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include "sopcook/RunSopcook.h"
#include "sopcook/TestGeometry.h"
#include "io/AttribAccess.h"
#include "io/GeoFileError.h"
#include "io/GeometryFile.h"
#include "io/GltfAsset.h"

namespace {

/// A small asset: a mesh "Sheet" with the primitives added, a material
/// with a texture of an embedded image, and extensions and extras that a
/// copy must keep.
struct AssetMaker {
    GltfJson json = GltfJson::parse(R"({
      "asset": {"version": "2.0", "generator": "test"},
      "extensionsUsed": ["KHR_materials_emissive_strength"],
      "scene": 0, "scenes": [{"nodes": [0]}],
      "nodes": [{"name": "root", "mesh": 0, "translation": [1, 2, 3], "extras": {"tag": 7}}],
      "meshes": [{"name": "Sheet", "primitives": []}],
      "materials": [{"name": "paint", "pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}, "emissiveFactor": [1, 1, 1],
                     "extensions": {"KHR_materials_emissive_strength": {"emissiveStrength": 2.5}}}],
      "textures": [{"source": 0, "sampler": 0}], "samplers": [{"magFilter": 9729}],
      "images": [{"uri": "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==", "name": "tex"}],
      "accessors": [], "bufferViews": [], "buffers": [{"byteLength": 0}]})");
    std::string bin;

    std::size_t add(const void *data, std::size_t bytes, int ctype, const char *type, std::size_t count, int target) {
        bin.append((4 - bin.size() % 4) % 4, '\0');
        json["bufferViews"].push_back(
            {{"buffer", 0}, {"byteOffset", bin.size()}, {"byteLength", bytes}, {"target", target}});
        bin.append(static_cast<const char *>(data), bytes);
        json["accessors"].push_back({{"bufferView", json["bufferViews"].size() - 1},
                                     {"componentType", ctype},
                                     {"count", count},
                                     {"type", type}});
        return json["accessors"].size() - 1;
    }
    std::size_t floats(const std::vector<float> &v, int n) {
        static const char *types[] = {"", "SCALAR", "VEC2", "VEC3", "VEC4"};
        std::size_t a = add(v.data(), 4 * v.size(), GLTF_FLOAT, types[n], v.size() / n, 34962);
        if (n == 3) {
            GltfJson lo = {1e30, 1e30, 1e30}, hi = {-1e30, -1e30, -1e30};
            for (std::size_t i = 0; i < v.size(); ++i) {
                lo[i % 3] = std::min(lo[i % 3].get<double>(), double(v[i]));
                hi[i % 3] = std::max(hi[i % 3].get<double>(), double(v[i]));
            }
            json["accessors"][a]["min"] = lo;
            json["accessors"][a]["max"] = hi;
        }
        return a;
    }
    /// A primitive of a 2 by 2 quad grid (9 vertices) at height z: indexed
    /// triangles, or one strip per row when strip; with TEXCOORD_0, COLOR_0
    /// and NORMAL as asked.
    void grid(float z, bool uv, bool colour, bool strip = false) {
        std::vector<float> p, t, c, n;
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) {
                p.insert(p.end(), {float(i), float(j), z});
                t.insert(t.end(), {i / 2.0f, 1.0f - j / 2.0f});
                c.insert(c.end(), {i / 2.0f, j / 2.0f, 0.25f, 1.0f});
                n.insert(n.end(), {0, 0, 1});
            }
        std::vector<std::uint16_t> idx;
        if (strip)
            idx = {0, 3, 1, 4, 2, 5, 5, 3, 3, 6, 4, 7, 5, 8};
        else
            for (int j = 0; j < 2; ++j)
                for (int i = 0; i < 2; ++i) {
                    std::uint16_t a = std::uint16_t(3 * j + i);
                    idx.insert(idx.end(), {a, std::uint16_t(a + 1), std::uint16_t(a + 4), a, std::uint16_t(a + 4),
                                           std::uint16_t(a + 3)});
                }
        GltfJson prim = {{"attributes", {{"POSITION", floats(p, 3)}, {"NORMAL", floats(n, 3)}}}, {"material", 0}};
        if (uv) prim["attributes"]["TEXCOORD_0"] = floats(t, 2);
        if (colour) prim["attributes"]["COLOR_0"] = floats(c, 4);
        prim["indices"] = add(idx.data(), 2 * idx.size(), GLTF_UNSIGNED_SHORT, "SCALAR", idx.size(), 34963);
        if (strip) prim["mode"] = 5;
        json["meshes"][0]["primitives"].push_back(prim);
    }
    std::string bytes(bool glb) {
        json["buffers"][0]["byteLength"] = bin.size();
        return serializeGltf(json, bin, glb);
    }
};

void save(const std::string &path, const std::string &data) { std::ofstream(path, std::ios::binary) << data; }

std::uint32_t u32(const std::string &d, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, d.data() + at, 4);
    return v;
}

/// Checks data against the layout rules of glTF 2.0: the GLB container,
/// buffer views within their buffers, accessors within their views and
/// aligned to their components (vertex attributes to 4 bytes), equal
/// vertex counts, indices in range, POSITION min and max present and right.
void expectValid(const std::string &data, bool glb) {
    if (glb) {
        ASSERT_GE(data.size(), 28u);
        EXPECT_EQ(u32(data, 0), 0x46546C67u);
        EXPECT_EQ(u32(data, 8), data.size());
        const std::size_t jsonLen = u32(data, 12);
        EXPECT_EQ(jsonLen % 4, 0u);
        if (20 + jsonLen < data.size()) {
            EXPECT_EQ(u32(data, 20 + jsonLen) % 4, 0u);
        }
    }
    GltfAsset a;
    ASSERT_NO_THROW(a = loadGltfAsset(data, "check.gltf"));
    const GltfJson &j = a.json;
    for (const GltfJson &v : j.value("bufferViews", GltfJson::array())) {
        const std::size_t buf = v["buffer"], off = v.value("byteOffset", 0u), len = v["byteLength"];
        EXPECT_GE(len, 1u);
        EXPECT_LE(off + len, j["buffers"][buf]["byteLength"].get<std::size_t>());
        if (v.contains("byteStride")) {
            EXPECT_EQ(v["byteStride"].get<int>() % 4, 0);
        }
    }
    auto start = [&](std::size_t acc) {
        const GltfJson &x = j["accessors"][acc];
        return j["bufferViews"][x["bufferView"].get<std::size_t>()].value("byteOffset", 0u) + x.value("byteOffset", 0u);
    };
    for (std::size_t i = 0; i < j.value("accessors", GltfJson::array()).size(); ++i) {
        const GltfJson &x = j["accessors"][i];
        const GltfAccessorLayout l = gltfAccessorLayout(a, i);
        EXPECT_GE(l.count, 1u) << "accessor " << i;
        const std::size_t comp = l.componentType == GLTF_FLOAT || l.componentType == GLTF_UNSIGNED_INT ? 4
                                 : l.componentType >= GLTF_SHORT                                       ? 2
                                                                                                       : 1;
        const GltfJson &v = j["bufferViews"][x["bufferView"].get<std::size_t>()];
        const std::size_t stride = v.value("byteStride", l.elementSize);
        EXPECT_EQ(start(i) % comp, 0u) << "accessor " << i;
        EXPECT_LE(x.value("byteOffset", 0u) + stride * (l.count - 1) + l.elementSize,
                  v["byteLength"].get<std::size_t>())
            << "accessor " << i;
    }
    for (const GltfJson &mesh : j.value("meshes", GltfJson::array()))
        for (const GltfJson &prim : mesh["primitives"]) {
            const std::size_t pos = prim["attributes"]["POSITION"];
            const std::size_t n = j["accessors"][pos]["count"];
            for (auto it = prim["attributes"].begin(); it != prim["attributes"].end(); ++it) {
                EXPECT_EQ(j["accessors"][it.value().get<std::size_t>()]["count"], n) << it.key();
                EXPECT_EQ(start(it.value()) % 4, 0u) << it.key();
            }
            ASSERT_TRUE(j["accessors"][pos].contains("min") && j["accessors"][pos].contains("max"));
            const std::vector<float> p = gltfAccessorFloats(a, pos);
            for (int c = 0; c < 3; ++c) {
                float lo = 1e30f, hi = -1e30f;
                for (std::size_t k = c; k < p.size(); k += 3) lo = std::min(lo, p[k]), hi = std::max(hi, p[k]);
                EXPECT_FLOAT_EQ(j["accessors"][pos]["min"][c].get<float>(), lo);
                EXPECT_FLOAT_EQ(j["accessors"][pos]["max"][c].get<float>(), hi);
            }
            if (!prim.contains("indices")) continue;
            const std::size_t ia = prim["indices"];
            const std::vector<std::uint32_t> idx = gltfAccessorIndices(a, ia, "indices");
            const std::uint32_t restart =
                j["accessors"][ia]["componentType"] == GLTF_UNSIGNED_SHORT ? 0xFFFF : 0xFFFFFFFF;
            if (prim.value("mode", 4) == 4) {
                EXPECT_EQ(idx.size() % 3, 0u);
            }
            for (std::uint32_t k : idx) EXPECT_TRUE(k < n && k != restart) << k;
        }
}

/// The vertex uv at corner k of primitive p.
float cornerUv(const GU_Detail &gdp, int p, unsigned k, int c) {
    return cornerValue(findCornerTuple(gdp, "uv", 2), gdp.primitives()(p)->getVertex(k), c);
}

struct Formats {
    bool glbIn, glbOut;
};

class GltfRoundTrip : public ::testing::TestWithParam<Formats> {};

}  // namespace

TEST_P(GltfRoundTrip, KeepsTheAssetAndSplitsVerticesWhoseCornersDiffer) {
    const Formats f = GetParam();
    TempDir dir;
    AssetMaker m;
    m.grid(0, true, true);
    m.grid(1, false, false, true);  // a strip without uv or colour, merged
    const std::string in = dir.file(f.glbIn ? "in.glb" : "in.gltf"), out = dir.file(f.glbOut ? "out.glb" : "out.gltf");
    save(in, m.bytes(f.glbIn));
    GU_Detail gdp;
    std::vector<std::string> notes;
    readGeometryFile(in, gdp, notes);
    ASSERT_EQ(gdp.points().entries(), 18);
    ASSERT_EQ(gdp.primitives().entries(), 16);
    EXPECT_NE(gdp.findPrimitiveGroup("Sheet_0"), nullptr);
    EXPECT_NE(gdp.findPrimitiveGroup("Sheet_1"), nullptr);
    // Corner 0 of triangle 0 is vertex 0 at the image's top left: v is 0 at the bottom.
    EXPECT_FLOAT_EQ(cornerUv(gdp, 0, 0, 1), 0.0f);
    EXPECT_FLOAT_EQ(cornerUv(gdp, 2, 0, 0), 0.5f);
    const int cd = findFloat3(gdp.pointAttribs(), "Cd");
    ASSERT_GE(cd, 0);
    EXPECT_FLOAT_EQ(gdp.points()(4)->getValue<float>(cd, 0), 0.5f);
    EXPECT_FLOAT_EQ(gdp.points()(12)->getValue<float>(cd, 0), 1.0f);  // white without COLOR_0

    // A seam through vertex 4 on triangle 0 only; a colour change on point 13.
    const int uv = findCornerTuple(gdp, "uv", 2).offset;
    gdp.primitives()(0)->getVertex(2).setValue<float>(uv, 0.9f, 0);
    gdp.points()(13)->setValue<float>(cd, 0.0f, 1);
    std::vector<std::string> wnotes;
    const std::string written = formatGeometry(out, gdp, wnotes, WriteOptions{.sourcePath = in});
    expectValid(written, f.glbOut);
    EXPECT_TRUE(wnotes.empty()) << wnotes[0];

    const GltfAsset src = loadGltfAsset(m.bytes(f.glbIn), in), res = loadGltfAsset(written, out);
    for (const char *k :
         {"asset", "extensionsUsed", "scene", "scenes", "nodes", "materials", "textures", "samplers", "images"})
        EXPECT_EQ(res.json[k], src.json[k]) << k;
    EXPECT_EQ(res.json["meshes"][0]["name"], "Sheet");
    const GltfJson &p0 = res.json["meshes"][0]["primitives"][0], &p1 = res.json["meshes"][0]["primitives"][1];
    EXPECT_EQ(p0["material"], 0);
    EXPECT_EQ(res.json["accessors"][p0["attributes"]["POSITION"].get<std::size_t>()]["count"], 10);  // vertex 4 split
    EXPECT_EQ(res.json["accessors"][p1["attributes"]["POSITION"].get<std::size_t>()]["count"], 9);
    EXPECT_EQ(p1["mode"], 4);                              // the strip became a list
    EXPECT_TRUE(p1["attributes"].contains("COLOR_0"));     // the cook's colour
    EXPECT_TRUE(p1["attributes"].contains("TEXCOORD_0"));  // what the reader gave the corners
    // The copy of vertex 4 carries its colour and alpha.
    const std::vector<float> col = gltfAccessorFloats(res, p0["attributes"]["COLOR_0"]);
    ASSERT_EQ(col.size(), 40u);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(col[36 + c], col[16 + c]);

    save(out, written);
    GU_Detail back;
    readGeometryFile(out, back, notes);
    ASSERT_EQ(back.primitives().entries(), 16);
    ASSERT_EQ(back.points().entries(), 19);
    for (int p = 0; p < 16; ++p)
        for (unsigned k = 0; k < 3; ++k) {
            for (int c = 0; c < 2; ++c)
                EXPECT_NEAR(cornerUv(back, p, k, c), cornerUv(gdp, p, k, c), 1e-6) << p << " " << k;
            const UT_Vector4 a = back.primitives()(p)->getVertex(k).getPt()->getPos(),
                             b = gdp.primitives()(p)->getVertex(k).getPt()->getPos();
            for (int c = 0; c < 3; ++c) EXPECT_EQ(a(c), b(c));
        }
    EXPECT_FLOAT_EQ(back.points()(back.primitives()(0)->getVertex(2).getPt()->getNum())->getValue<float>(cd, 0), 0.5f);
    // Unchanged geometry writes the same bytes twice and again from its own copy.
    EXPECT_EQ(formatGeometry(out, gdp, wnotes, WriteOptions{.sourcePath = in}), written);
}

INSTANTIATE_TEST_SUITE_P(InAndOut, GltfRoundTrip,
                         ::testing::Values(Formats{false, false}, Formats{false, true}, Formats{true, false},
                                           Formats{true, true}),
                         [](const auto &i) {
                             return std::string(i.param.glbIn ? "glb" : "gltf") + "_to_" +
                                    (i.param.glbOut ? "glb" : "gltf");
                         });

TEST(GltfFiles, CopyKeepsAFanTooShortForATriangle) {
    TempDir dir;
    AssetMaker m;
    m.grid(0, true, false);
    const std::vector<float> two = {0, 0, 5, 1, 0, 5};
    m.json["meshes"][0]["primitives"].push_back({{"attributes", {{"POSITION", m.floats(two, 3)}}}, {"mode", 6}});
    save(dir.file("in.gltf"), m.bytes(false));
    GU_Detail gdp;
    std::vector<std::string> notes;
    readGeometryFile(dir.file("in.gltf"), gdp, notes);
    ASSERT_EQ(gdp.points().entries(), 11);
    const int uv = findCornerTuple(gdp, "uv", 2).offset;
    for (bool seam : {false, true}) {
        if (seam) gdp.primitives()(0)->getVertex(0).setValue<float>(uv, 0.9f, 0);
        const std::string out = dir.file("out.glb");
        const std::string written = formatGeometry(out, gdp, notes, WriteOptions{.sourcePath = dir.file("in.gltf")});
        expectValid(written, true);
        save(out, written);
        GU_Detail back;
        readGeometryFile(out, back, notes);
        EXPECT_EQ(back.primitives().entries(), 8);
        EXPECT_EQ(back.points().entries(), seam ? 12 : 11);
    }
}

TEST(GltfFiles, NewAssetFromOtherGeometryHoldsTrianglesUvAndPrimitiveColour) {
    for (const char *name : {"new.gltf", "new.glb"}) {
        TempDir dir;
        GU_Detail gdp;
        for (int i = 0; i < 4; ++i) gdp.appendPoint(UT_Vector4(float(i % 2), float(i / 2), 0));
        int quad[] = {0, 1, 3, 2};
        gdp.appendPoly(quad, 4);
        int line[] = {0, 3};
        gdp.appendPoly(line, 2, false);
        const int uv = addFloatTuple(gdp.vertexAttribs(), "uv", 3), cd = addFloatTuple(gdp.primitiveAttribs(), "Cd", 3);
        for (unsigned k = 0; k < 4; ++k) gdp.primitives()(0)->getVertex(k).setValue<float>(uv, 0.25f * k, 0);
        gdp.primitives()(0)->setValue<float>(cd, 0.5f, 2);
        gdp.newPrimitiveGroup("piece")->add(0);
        std::vector<std::string> notes;
        const std::string data = formatGeometry(dir.file(name), gdp, notes);
        expectValid(data, std::string(name).find(".glb") != std::string::npos);
        std::string all;
        for (const std::string &n : notes) all += n + "\n";
        EXPECT_TRUE(contains(all, "primitive group \"piece\"")) << all;
        EXPECT_TRUE(contains(all, "1 polygons with too few points")) << all;
        EXPECT_TRUE(contains(all, "1 polygons of more than 3 points written as triangle fans")) << all;
        save(dir.file(name), data);
        GU_Detail back;
        readGeometryFile(dir.file(name), back, notes);
        ASSERT_EQ(back.primitives().entries(), 2);
        EXPECT_EQ(back.points().entries(), 4);
        EXPECT_FLOAT_EQ(cornerUv(back, 1, 2, 0), 0.75f);
        EXPECT_FLOAT_EQ(back.points()(2)->getValue<float>(findFloat3(back.pointAttribs(), "Cd"), 2), 0.5f);
    }
}

TEST(GltfFiles, ExternalBufferIsReadBesideTheAssetAndWrittenEmbedded) {
    TempDir dir;
    AssetMaker m;
    m.grid(0, true, false);
    m.json["buffers"][0]["byteLength"] = m.bin.size();
    m.json["buffers"][0]["uri"] = "sheet%20data.bin";
    save(dir.file("sheet data.bin"), m.bin);
    save(dir.file("in.gltf"), m.json.dump());
    GU_Detail gdp;
    std::vector<std::string> notes;
    readGeometryFile(dir.file("in.gltf"), gdp, notes);
    EXPECT_EQ(gdp.primitives().entries(), 8);
    const std::string out =
        formatGeometry(dir.file("out.gltf"), gdp, notes, WriteOptions{.sourcePath = dir.file("in.gltf")});
    expectValid(out, false);
    EXPECT_TRUE(notes.empty());
    // An image file beside the source is named the same way from another folder: said so.
    m.json["images"][0]["uri"] = "tex.png";
    save(dir.file("in.gltf"), m.json.dump());
    formatGeometry(dir.file("elsewhere/out.gltf"), gdp, notes, WriteOptions{.sourcePath = dir.file("in.gltf")});
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_TRUE(contains(notes[0], "1 buffers or images are files named relative to")) << notes[0];
    EXPECT_EQ(
        GltfJson::parse(out)["buffers"][0]["uri"].get<std::string>().rfind("data:application/octet-stream;base64,", 0),
        0u);
    std::remove(dir.file("sheet data.bin").c_str());
    try {
        readGeometryFile(dir.file("in.gltf"), gdp, notes);
        ADD_FAILURE() << "read without its buffer";
    } catch (const GeoFileError &e) {
        EXPECT_TRUE(contains(e.what(), "in.gltf: buffers[0].uri: ")) << e.what();
    }
}

TEST(GltfFiles, HostileAssetsAreRefusedNamingThePlace) {
    struct Case {
        const char *name, *expect;
        std::function<void(AssetMaker &)> spoil;
        bool glb = false;
        std::function<void(std::string &)> bytes = nullptr;
    };
    const float nan = std::nanf(""), inf = INFINITY;
    auto setFloat = [](AssetMaker &m, std::size_t at, float v) { std::memcpy(&m.bin[at], &v, 4); };
    const Case cases[] = {
        {"index past the vertices", "index 200 is past",
         [](AssetMaker &m) { m.bin[m.json["bufferViews"][2]["byteOffset"].get<std::size_t>()] = char(200); }},
        {"NaN position", "not a finite number", [&](AssetMaker &m) { setFloat(m, 4, nan); }},
        {"infinite position", "not a finite number", [&](AssetMaker &m) { setFloat(m, 8, inf); }},
        {"accessor past its view", "accessors[0]: needs bytes",
         [](AssetMaker &m) { m.json["accessors"][0]["count"] = 10; }},
        {"view past its buffer", "bufferViews[1]: overruns buffer",
         [](AssetMaker &m) { m.json["bufferViews"][1]["byteLength"] = 100000; }},
        {"bad component type", "accessors[2].componentType",
         [](AssetMaker &m) { m.json["accessors"][2]["componentType"] = 5124; }},
        {"misaligned accessor", "accessors[1].byteOffset",
         [](AssetMaker &m) { m.json["accessors"][1]["byteOffset"] = 2; }},
        {"stride below the element", "byteStride 4 does not hold",
         [](AssetMaker &m) { m.json["bufferViews"][0]["byteStride"] = 4; }},
        {"counts differ", "has another count than POSITION",
         [](AssetMaker &m) { m.json["accessors"][1]["count"] = 8; }},
        {"list of 5 corners", "not a multiple of 3", [](AssetMaker &m) { m.json["accessors"][2]["count"] = 5; }},
        {"huge zero accessor", "too large for an accessor",
         [](AssetMaker &m) {
             m.json["accessors"][0].erase("bufferView");
             m.json["accessors"][0]["count"] = 4000000000u;
         }},
        {"negative index", "expected an integer",
         [](AssetMaker &m) { m.json["meshes"][0]["primitives"][0]["indices"] = -1; }},
        {"missing accessor", "expected an integer from 0 to 2",
         [](AssetMaker &m) { m.json["meshes"][0]["primitives"][0]["attributes"]["NORMAL"] = 9; }},
        {"bad base64", "expected base64", [](AssetMaker &) {}, false,
         [](std::string &d) { d.replace(d.rfind("base64,") + 9, 1, "*"); }},
        {"buffer too short", "byteLength is", [](AssetMaker &m) { m.bin.resize(m.bin.size() - 4); }},
        {"not JSON", "JSON", [](AssetMaker &) {}, false, [](std::string &d) { d.insert(0, "}"); }},
        {"deep JSON", "nested deeper",
         [](AssetMaker &m) { m.json["extras"] = GltfJson::parse(std::string(100, '[') + std::string(100, ']')); }},
        {"GLB length", "the GLB header gives", [](AssetMaker &) {}, true, [](std::string &d) { d += "    "; }},
        {"GLB chunk overrun", "the chunk overruns", [](AssetMaker &) {}, true,
         [](std::string &d) {
             d[12] = char(0xFF);
             d[13] = char(0xFF);
         }},
        {"draco", "compressed geometry",
         [](AssetMaker &m) { m.json["extensionsRequired"] = {"KHR_draco_mesh_compression"}; }},
    };
    for (const Case &c : cases) {
        AssetMaker m;
        m.grid(0, false, false);
        std::string data;
        if (c.bytes) {
            data = m.bytes(c.glb);
            c.bytes(data);
        } else {
            m.bytes(false);
            c.spoil(m);
            data = serializeGltf(m.json, m.bin, false);
        }
        TempDir dir;
        const std::string path = dir.file(c.glb ? "bad.glb" : "bad.gltf");
        save(path, data);
        GU_Detail gdp;
        std::vector<std::string> notes;
        try {
            readGeometryFile(path, gdp, notes);
            ADD_FAILURE() << c.name << ": read";
        } catch (const GeoFileError &e) {
            EXPECT_TRUE(contains(e.what(), c.expect)) << c.name << ": " << e.what();
        }
    }
    // The program refuses them with status 2 and writes nothing.
    TempDir dir;
    AssetMaker m;
    m.grid(0, false, false);
    m.bytes(false);
    std::memcpy(&m.bin[0], &nan, 4);
    save(dir.file("bad.gltf"), serializeGltf(m.json, m.bin, false));
    RunResult r = runSopcook(dir, "testcopy bad.gltf out.glb", SOPCOOK_TEST_DSO);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(contains(r.err, "not a finite number")) << r.err;
    EXPECT_NE(::access(dir.file("out.glb").c_str(), F_OK), 0);
}

#ifdef FLATSKIN_DSO
TEST(GltfFiles, FlatskinUnwrapsAGltfSheetIntoACopyOfIt) {
    TempDir dir;
    AssetMaker m;
    m.grid(0, false, true);
    save(dir.file("sheet.gltf"), m.bytes(false));
    RunResult r = runSopcook(dir, "flatskin sheet.gltf out.glb", FLATSKIN_DSO);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string out = readWholeFile(dir.file("out.glb"));
    expectValid(out, true);
    const GltfAsset a = loadGltfAsset(out, "out.glb");
    EXPECT_EQ(a.json["materials"], m.json["materials"]);
    const GltfJson &prim = a.json["meshes"][0]["primitives"][0];
    ASSERT_TRUE(prim["attributes"].contains("TEXCOORD_0"));
    const std::vector<float> uv = gltfAccessorFloats(a, prim["attributes"]["TEXCOORD_0"]);
    float lo = 1e30f, hi = -1e30f;
    for (float x : uv) lo = std::min(lo, x), hi = std::max(hi, x);
    EXPECT_LT(lo, hi);  // an unwrap, not zeros
    EXPECT_EQ(prim["attributes"]["COLOR_0"], m.json["meshes"][0]["primitives"][0]["attributes"]["COLOR_0"]);
}
#endif
