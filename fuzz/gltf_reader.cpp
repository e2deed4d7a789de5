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
    for (bool binary : {false, true}) {
        std::vector<std::string> notes;
        const std::string out = writeGltfFrom(gdp, "out.glb", binary, &src, notes);
        GU_Detail back;
        fuzzRequire(readOrRefuse(reinterpret_cast<const uint8_t *>(out.data()), out.size(), "out.glb", back, read),
                    "a written copy reads again");
        fuzzRequire(back.primitives().entries() == gdp.primitives().entries() &&
                        back.points().entries() == gdp.points().entries(),
                    "the copy has the same triangles and vertices");
    }
    return 0;
}
