// The closed-mesh table: every closed mesh cut by today's single shortest
// path and by the autoseams node, each then unwrapped by flatskin with the
// direct solver, with the layout's flips, area spread, L2 stretch, seam
// length, islands and the two cook times.
#include "bench.h"

#include "autoseams/SOP_AutoSeams.h"

#include <OP/OP_Context.h>
#include <OP/OP_Network.h>
#include <OP/OP_Operator.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace bench {

namespace {

struct Row {
    bool ok = false;
    double seamMs = 0;  // the autoseams cook; 0 for the shortest path
    NodeRun flat;
};
// The autoseams cut unwrapped with the surface angles and with ABF++,
// each judged by the search on layouts of the same kind.
struct SeamRows {
    Row surface, abf;
};

// Cooks autoseams on input (median over repeats), then flatskin on its
// output cut along the group; angles is the "angles" item of both
// ("layoutangles" of autoseams, "angles" of flatskin).
Row autoseamsRow(const GU_Detail &input, int repeats, int angles) {
    Row row;
    OP_Operator op("autoseams", "Auto Seams", SOP_AutoSeams::myConstructor, SOP_AutoSeams::myTemplateList, 1, 1);
    OP_Network net(nullptr, "obj", nullptr);
    auto *node = static_cast<SOP_AutoSeams *>(net.createNode(&op, "autoseams1"));
    node->setInput(0, &input);
    node->setInt("layoutangles", 0, angles);
    std::vector<double> times;
    bool ok = true;
    for (int r = 0; r < std::max(1, repeats); ++r) {
        OP_Context ctx(static_cast<float>(r));
        const double t = nowMs();
        ok = node->cook(ctx) < UT_ERROR_ABORT;
        times.push_back(nowMs() - t);
    }
    std::sort(times.begin(), times.end());
    row.seamMs = times[times.size() / 2];
    if (!ok) return row;
    row.flat = cookNode(*node->getCookedGeo(), "autoseams", 1, repeats, "", false, angles);
    row.ok = row.flat.ok;
    return row;
}

void printRow(const std::string &mesh, const char *cut, const Row &row) {
    const Quality &q = row.flat.quality;
    const double seam = q.area > 0 ? q.seamLength / std::sqrt(q.area) : 0;
    std::printf("| %s | %s | %ld | %ld (%.2f%%) | %.3f-%.3f | %.3f | %.2f | %ld | ", mesh.c_str(), cut, q.triangles,
                q.flipped, q.triangles ? 100.0 * double(q.flipped) / double(q.triangles) : 0.0, q.areaP5, q.areaP95,
                q.l2, seam, q.islands);
    if (row.seamMs > 0)
        std::printf("%.1f | %.1f | %.2f |", row.seamMs, row.flat.ms, row.seamMs / row.flat.ms);
    else
        std::printf(" | %.1f |  |", row.flat.ms);
    if (!row.ok) std::printf(" failed");
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

void closedMeshTable(const std::string &folder, const std::string &filter, int repeats) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::printf("# closed meshes: no folder %s, table skipped\n", folder.c_str());
        return;
    }
    std::printf("# closed meshes, flatskin with the direct solver; times in ms, ratio = autoseams / flatskin\n");
    std::printf(
        "| mesh | cut | tris | flips | area 5-95%% | L2 | seam/sqrt(A) | islands | autoseams | flatskin | ratio |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const MeshCase &c : meshCases(folder)) {
        if (!c.make || c.name.find('.') == std::string::npos) continue;  // the generated cases are open
        if (!filter.empty() && c.name.find(filter) == std::string::npos) continue;
        Row path;
        SeamRows seams;
        long kb = 0;
        bool closed = false;
        inChild<bool>(
            [&] {
                GU_Detail g;
                c.make(g);
                return !openingSeams(g).empty();
            },
            closed, kb);
        if (!closed) continue;
        const bool pathRan = inChild<Row>(
            [&] {
                GU_Detail g;
                c.make(g);
                Row r;
                r.flat = cookNode(g, openingSeams(g), 1, repeats);
                r.ok = r.flat.ok;
                return r;
            },
            path, kb);
        const bool seamsRan = inChild<SeamRows>(
            [&] {
                GU_Detail g;
                c.make(g);
                return SeamRows{autoseamsRow(g, repeats, 0), autoseamsRow(g, repeats, 1)};
            },
            seams, kb);
        if (pathRan)
            printRow(c.name, "shortest path", path);
        else
            std::printf("| %s | shortest path | run failed |\n", c.name.c_str());
        if (seamsRan) {
            printRow(c.name, "autoseams", seams.surface);
            printRow(c.name, "autoseams, abfpp", seams.abf);
        } else {
            std::printf("| %s | autoseams | run failed |\n", c.name.c_str());
        }
    }
}

}  // namespace bench
