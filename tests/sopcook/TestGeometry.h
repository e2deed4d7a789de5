#pragma once
// Helpers shared by the geometry file tests.
#include <string>
#include <unistd.h>
#include "GU/GU_Detail.h"

/// A fresh folder under /tmp, removed with its files when the object goes.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/sopcook-test-XXXXXX";
        myPath = ::mkdtemp(tmpl) ? tmpl : "/tmp";
    }
    ~TempDir() { std::system(("rm -rf '" + myPath + "'").c_str()); }
    std::string file(const std::string &name) const { return myPath + "/" + name; }
    const std::string &path() const { return myPath; }

private:
    std::string myPath;
};

/// A unit quad split into two triangles plus an open polyline, with a
/// vertex "uv" of 3 floats.
inline void makeTwoTriangles(GU_Detail &gdp) {
    gdp.appendPoint(UT_Vector4(0, 0, 0));
    gdp.appendPoint(UT_Vector4(1, 0, 0));
    gdp.appendPoint(UT_Vector4(1, 1, 0));
    gdp.appendPoint(UT_Vector4(0, 1, 0));
    int a[] = {0, 1, 2}, b[] = {0, 2, 3};
    gdp.appendPoly(a, 3);
    gdp.appendPoly(b, 3);
}
