// The benchmark's meshes: three generated surfaces at four sizes and the
// shared real meshes, with a seam path for the closed ones.
#include "bench.h"

#include "sopcook/io/GeometryFile.h"

#include <UT/UT_Vector3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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
std::array<double, 3> wavy(double x, double y) {
    return {x, y, 0.3 * std::sin(3 * x) * std::cos(2 * y)};
}
// The square [-1, 1]^2 lifted to a pyramid and pushed onto the unit
// sphere: a hemisphere whose quads stay well shaped, rim at z = 0.
std::array<double, 3> hemisphere(double s, double t) {
    const double x = 2 * s - 1, y = 2 * t - 1;
    const double z = 1 - std::max(std::fabs(x), std::fabs(y));
    const double r = std::sqrt(x * x + y * y + z * z);
    return {x / r, y / r, z / r};
}

}  // namespace

std::vector<MeshCase> meshCases(const std::string &folder) {
    std::vector<MeshCase> cases;
    struct Size { const char *label; int k; };
    const Size sizes[] = {{"2k", 32}, {"20k", 100}, {"200k", 316}, {"1m", 707}};
    struct Shape { const char *name; std::array<double, 3> (*place)(double, double); };
    const Shape shapes[] = {{"grid", flat}, {"wavy", wavy}, {"hemi", hemisphere}};
    for (const Size &s : sizes)
        for (const Shape &sh : shapes) {
            const int k = s.k;
            auto place = sh.place;
            cases.push_back({std::string(sh.name) + "-" + s.label,
                             [k, place](GU_Detail &g) { quadGrid(g, k, place); }, k > 500});
        }
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(folder, ec)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".off" || ext == ".obj") files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    for (const std::string &f : files) {
        cases.push_back({std::filesystem::path(f).filename().string(), [f](GU_Detail &g) {
                             std::vector<std::string> notes;
                             readGeometryFile(f, g, notes);
                         }});
    }
    return cases;
}

std::string openingSeams(const GU_Detail &g) {
    const int n = g.points().entries();
    if (n == 0 || g.primitives().entries() == 0) return "";
    std::map<std::pair<int, int>, int> uses;
    std::vector<std::vector<int>> adj(n);
    for (const auto &p : g.primitives()) {
        const unsigned m = p->getVertexCount();
        for (unsigned i = 0; i < m; ++i) {
            const int a = p->getVertex(i).getPt()->getNum();
            const int b = p->getVertex((i + 1) % m).getPt()->getNum();
            ++uses[{std::min(a, b), std::max(a, b)}];
            adj[a].push_back(b);
            adj[b].push_back(a);
        }
    }
    for (const auto &[edge, count] : uses)
        if (count == 1) return "";  // open already

    double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
    for (const auto &p : g.points())
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], double(p->getPos()(a)));
            hi[a] = std::max(hi[a], double(p->getPos()(a)));
        }
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (hi[a] - lo[a] > hi[axis] - lo[axis]) axis = a;
    int from = 0, to = 0;
    for (const auto &p : g.points()) {
        if (p->getPos()(axis) < g.points()(from)->getPos()(axis)) from = p->getNum();
        if (p->getPos()(axis) > g.points()(to)->getPos()(axis)) to = p->getNum();
    }
    // Dijkstra by edge length.
    std::vector<double> d(n, 1e300);
    std::vector<int> back(n, -1);
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> q;
    d[from] = 0;
    q.push({0, from});
    while (!q.empty()) {
        auto [dist, x] = q.top();
        q.pop();
        if (dist > d[x]) continue;
        if (x == to) break;
        for (int y : adj[x]) {
            const double len = (UT_Vector3(g.points()(y)->getPos()) - UT_Vector3(g.points()(x)->getPos())).length();
            if (dist + len < d[y]) {
                d[y] = dist + len;
                back[y] = x;
                q.push({d[y], y});
            }
        }
    }
    if (back[to] < 0) return "";
    std::vector<int> path;
    for (int x = to; x >= 0; x = back[x]) path.push_back(x);
    std::string pattern = "p" + std::to_string(path.back());
    for (std::size_t i = path.size() - 1; i-- > 0;) pattern += "-" + std::to_string(path[i]);
    return pattern;
}

}  // namespace bench
