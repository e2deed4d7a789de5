#pragma once
// What every fuzz target checks beyond "no crash": a broken invariant
// aborts, so libFuzzer records the input as a crash.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include "GU/GU_Detail.h"
#include "GeoFileError.h"

/// Stops the run with message when cond is false.
inline void fuzzRequire(bool cond, const char *message) {
    if (cond) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", message);
    std::abort();
}

/// A read detail is whole: elements are numbered by position and every
/// vertex sits on one of the detail's own points.
inline void checkDetail(const GU_Detail &gdp) {
    const auto &pts = gdp.points();
    for (int i = 0; i < pts.entries(); ++i) fuzzRequire(pts(i)->getNum() == i, "point numbers follow the list");
    const auto &prims = gdp.primitives();
    for (int i = 0; i < prims.entries(); ++i) {
        const GEO_Primitive *prim = prims(i);
        fuzzRequire(prim->getNum() == i, "primitive numbers follow the list");
        for (unsigned v = 0; v < prim->getVertexCount(); ++v) {
            const GEO_Point *pt = prim->getVertex(v).getPt();
            fuzzRequire(pt && pts(pt->getNum()) == pt, "vertices sit on the detail's points");
        }
    }
}

/// Runs read on the input; a GeoFileError is the expected way to refuse
/// bad data and must name the file. Any other exception escapes and ends
/// the run. Returns whether the data was read.
template <typename Read>
bool readOrRefuse(const uint8_t *data, size_t size, const std::string &file, GU_Detail &gdp, Read read) {
    std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        read(text, file, gdp);
    } catch (const GeoFileError &e) {
        fuzzRequire(std::string_view(e.what()).substr(0, file.size() + 1) == file + ":", "errors name the file");
        return false;
    }
    checkDetail(gdp);
    return true;
}
