// Fuzzes the glTF 2.0 reader: the GLB container, the JSON, buffers and
// their data: URIs, buffer views, accessors (sparse ones too) and the
// mesh primitives that become triangles. What was read is written back
// as a copy of the asset, which must read again with the same triangles.
#include "GltfFormat.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    GU_Detail gdp;
    auto read = [](std::string_view d, const std::string &f, GU_Detail &g) {
        std::vector<std::string> notes;
        readGltf(d, f, g, notes);
    };
    if (!readOrRefuse(data, size, "fuzz.gltf", gdp, read)) return 0;
    const GltfAsset src = loadGltfAsset(std::string_view(reinterpret_cast<const char *>(data), size), "fuzz.gltf");
    // Written as read, then with a seam at the first corner of every
    // triangle so that vertices split.
    for (bool seams : {false, true}) {
        if (seams) {
            const int uv = gdp.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
            if (uv < 0) break;
            for (int i = 0; i < gdp.primitives().entries(); ++i)
                gdp.primitives()(i)->getVertex(0).setValue<float>(uv, static_cast<float>(i), 0);
        }
        std::vector<std::string> notes;
        const std::string out = writeGltfFrom(gdp, "out.glb", seams, &src, notes);
        GU_Detail back;
        fuzzRequire(readOrRefuse(reinterpret_cast<const uint8_t *>(out.data()), out.size(), "out.glb", back, read),
                    "a written copy reads again");
        fuzzRequire(back.primitives().entries() == gdp.primitives().entries(), "the copy has the same triangles");
        fuzzRequire(seams || back.points().entries() == gdp.points().entries(),
                    "an unchanged copy has the same vertices");
    }
    return 0;
}
