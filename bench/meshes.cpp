// The benchmark's meshes: three generated surfaces at four sizes and the
// shared real meshes, with a seam path for the closed ones.
#include "bench.h"
#include "tests/support/shortest_path_cut.h"

#include "sopcook/io/GeometryFile.h"

#include <UT/UT_Vector3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <queue>

namespace bench {

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

namespace {

// k x k quads (2 k^2 triangles once triangulated) with point (i, j) at
// place(i / k, j / k).
void quadGrid(GU_Detail &g, int k, const std::function<std::array<double, 3>(double, double)> &place) {
    for (int j = 0; j <= k; ++j)
        for (int i = 0; i <= k; ++i) {
            const auto p = place(double(i) / k, double(j) / k);
            g.appendPoint(UT_Vector4(float(p[0]), float(p[1]), float(p[2]), 1));
        }
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < k; ++i) {
            const int a = j * (k + 1) + i;
            const int q[4] = {a, a + 1, a + k + 2, a + k + 1};
            g.appendPoly(q, 4);
        }
}

std::array<double, 3> flat(double x, double y) { return {x, y, 0.0}; }
std::array<double, 3> wavy(double x, double y) { return {x, y, 0.3 * std::sin(3 * x) * std::cos(2 * y)}; }
// The square [-1, 1]^2 lifted to a pyramid and pushed onto the unit
// sphere: a hemisphere whose quads stay well shaped, rim at z = 0.
std::array<double, 3> hemisphere(double s, double t) {
    const double x = 2 * s - 1, y = 2 * t - 1;
    const double z = 1 - std::max(std::fabs(x), std::fabs(y));
    const double r = std::sqrt(x * x + y * y + z * z);
    return {x / r, y / r, z / r};
}

}  // namespace

void wavyGrid(GU_Detail &g, int k) { quadGrid(g, k, wavy); }

std::vector<MeshCase> meshCases(const std::string &folder) {
    std::vector<MeshCase> cases;
    struct Size {
        const char *label;
        int k;
    };
    const Size sizes[] = {{"2k", 32}, {"20k", 100}, {"200k", 316}, {"1m", 707}};
    struct Shape {
        const char *name;
        std::array<double, 3> (*place)(double, double);
    };
    const Shape shapes[] = {{"grid", flat}, {"wavy", wavy}, {"hemi", hemisphere}};
    for (const Size &s : sizes)
        for (const Shape &sh : shapes) {
            const int k = s.k;
            auto place = sh.place;
            cases.push_back(
                {std::string(sh.name) + "-" + s.label, [k, place](GU_Detail &g) { quadGrid(g, k, place); }, k > 500});
        }
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(folder, ec)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".off" || ext == ".obj") files.push_back(e.path().string());
    }
    if (ec)
        std::fprintf(stderr, "note: no meshes folder %s (%s); its rows are skipped\n", folder.c_str(),
                     ec.message().c_str());
    std::sort(files.begin(), files.end());
    for (const std::string &f : files) {
        cases.push_back({std::filesystem::path(f).filename().string(), [f](GU_Detail &g) {
                             std::vector<std::string> notes;
                             readGeometryFile(f, g, notes);
                         }});
    }
    return cases;
}

std::string openingSeams(const GU_Detail &g) { return test_meshes::openingSeams(g); }

}  // namespace bench
