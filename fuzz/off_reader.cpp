// Fuzzes the OFF reader (every header variant it knows).
#include "OffFormat.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    GU_Detail gdp;
    readOrRefuse(data, size, "fuzz.off", gdp, readOff);
    return 0;
}
