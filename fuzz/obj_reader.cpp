// Fuzzes the OBJ reader: the line check in front of tinyobjloader and the
// callbacks that build the detail.
#include "ObjFormat.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    GU_Detail gdp;
    std::vector<std::string> notes;
    readOrRefuse(data, size, "fuzz.obj", gdp,
                 [&](std::string_view d, const std::string &f, GU_Detail &g) { readObj(d, f, g, notes); });
    return 0;
}
