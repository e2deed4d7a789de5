// Fuzzes the PLY reader: the header, ASCII bodies and binary bodies of
// both byte orders.
#include "PlyFormat.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    GU_Detail gdp;
    readOrRefuse(data, size, "fuzz.ply", gdp, readPly);
    return 0;
}
