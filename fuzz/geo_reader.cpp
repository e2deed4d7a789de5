// Fuzzes the ASCII .geo reader. What it accepts must survive a write and
// a second read with the same counts.
#include "GeoFormat.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    GU_Detail gdp;
    if (!readOrRefuse(data, size, "fuzz.geo", gdp, readGeo)) return 0;
    std::string text;
    try {
        text = writeGeo(gdp, "fuzz.geo");
    } catch (const GeoFileError &) {
        return 0;  // an attribute the format cannot hold
    }
    GU_Detail again;
    try {
        readGeo(text, "again.geo", again);
    } catch (const GeoFileError &e) {
        std::fprintf(stderr, "%s\n--- written text ---\n%s\n", e.what(), text.c_str());
        fuzzRequire(false, "written .geo text reads back");
    }
    fuzzRequire(again.points().entries() == gdp.points().entries(), "points survive a round trip");
    fuzzRequire(again.primitives().entries() == gdp.primitives().entries(), "primitives survive a round trip");
    return 0;
}
