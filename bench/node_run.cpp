// The cook through the host kit, as a host runs it: an operator, a network,
// a node of the flatskin type with the mesh as input 0, then cook().
#include "bench.h"

#include "node/SOP_Flatskin.h"
#include "cli/StageReport.h"

#include <OP/OP_Context.h>
#include <OP/OP_Network.h>
#include <OP/OP_Operator.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace bench {

namespace {

// The u and v of every vertex of g, primitive by primitive (empty without
// a "uv" attribute).
std::vector<float> allUvs(GU_Detail &g) {
    std::vector<float> uvs;
    const int uv = g.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    if (uv < 0) return uvs;
    for (int i = 0; i < g.primitives().entries(); ++i) {
        const GEO_Primitive &p = *g.primitives()(i);
        for (unsigned j = 0; j < p.getVertexCount(); ++j) {
            uvs.push_back(p.getVertex(j).getValue<float>(uv, 0));
            uvs.push_back(p.getVertex(j).getValue<float>(uv, 1));
        }
    }
    return uvs;
}

bool saveUvs(const std::vector<float> &uvs, const std::string &file) {
    FILE *f = std::fopen(file.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(uvs.data(), sizeof(float), uvs.size(), f) == uvs.size();
    return std::fclose(f) == 0 && ok;
}

// Largest difference of uvs from the layout saved in file, over the
// diagonal of the saved layout's box; -1 when they cannot be compared.
double compareUvs(const std::vector<float> &uvs, const std::string &file) {
    FILE *f = std::fopen(file.c_str(), "rb");
    if (!f) return -1;
    std::vector<float> other(uvs.size() + 1);
    const std::size_t got = std::fread(other.data(), sizeof(float), other.size(), f);
    std::fclose(f);
    if (got != uvs.size() || uvs.empty()) return -1;
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300}, worst = 0;
    for (std::size_t i = 0; i < uvs.size(); ++i) {
        lo[i % 2] = std::min(lo[i % 2], double(other[i]));
        hi[i % 2] = std::max(hi[i % 2], double(other[i]));
        worst = std::max(worst, std::fabs(double(uvs[i]) - double(other[i])));
    }
    const double size = std::hypot(hi[0] - lo[0], hi[1] - lo[1]);
    return size > 0 ? worst / size : -1;
}

// The rows of recorder's stages, times in ms of the one cook.
void copyStages(const std::vector<StageRecord> &records, StageTable &table) {
    table.count = 0;
    for (const StageRecord &r : records) {
        if (table.count == int(std::size(table.rows))) break;
        StageRow &row = table.rows[table.count++];
        std::snprintf(row.name, sizeof row.name, "%s", r.name.c_str());
        row.depth = r.depth;
        row.ms = r.ms;
        row.heapStart = r.heapStart;
        row.heapPeak = r.heapPeak;
        row.heapEnd = r.heapEnd;
        row.rss = r.rssPeak;
        row.iterations = -1;
        for (const auto &[key, value] : r.notes)
            if (key == "iterations") row.iterations = value;
    }
}

// Each row's median time over the cooks (rows taken by position: every
// cook of one node on one input names the same steps).
void medianTimes(const std::vector<StageTable> &cooks, StageTable &table) {
    for (int i = 0; i < table.count; ++i) {
        std::vector<double> v;
        for (const StageTable &c : cooks)
            if (i < c.count && std::strcmp(c.rows[i].name, table.rows[i].name) == 0) v.push_back(c.rows[i].ms);
        std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
        if (!v.empty()) table.rows[i].ms = v[v.size() / 2];
    }
}

// The cooks of cookNode and cookNodeStaged; stages may be nullptr.
NodeRun runCooks(const GU_Detail &input, const std::string &seams, int solver, int repeats, const std::string &uvFile,
                 bool compare, int angles, StageTable *stages, Piece *piece) {
    NodeRun run;
    OP_Operator op("flatskin", "Flatskin", SOP_Flatskin::myConstructor, SOP_Flatskin::myTemplateList, 1, 1);
    OP_Network net(nullptr, "obj", nullptr);
    auto *node = static_cast<SOP_Flatskin *>(net.createNode(&op, "flatskin1"));
    node->setInput(0, &input);
    node->setString("seams", 0, seams.c_str());
    node->setInt("solver", 0, solver);
    node->setInt("angles", 0, angles);
    std::vector<double> times;
    std::vector<StageTable> cooks;
    long long peak = 0;
    for (int r = 0; r < std::max(1, repeats); ++r) {
        // A changed time makes every cook a full one.
        OP_Context ctx(static_cast<float>(r));
        auto recorder = stages ? std::make_unique<StageRecorder>() : nullptr;
        const double t = nowMs();
        const OP_ERROR e = node->cook(ctx);
        times.push_back(nowMs() - t);
        if (recorder) {
            cooks.emplace_back();
            copyStages(recorder->stages(), cooks.back());
            peak = std::max(peak, recorder->processPeakRss());
        }
        run.ok = e < UT_ERROR_ABORT;
        for (const auto &m : node->messages())
            if (m.text.find("No solution") != std::string::npos) run.ok = false;
    }
    std::sort(times.begin(), times.end());
    run.ms = times[times.size() / 2];
    if (stages) {
        *stages = cooks.back();
        medianTimes(cooks, *stages);
        stages->processRss = peak;
    }
    if (run.ok) {
        GU_Detail &out = *node->getCookedGeo();
        run.quality = measureQuality(out);
        if (stages) stages->triangles = run.quality.triangles;
        if (piece) *piece = pieceOfLayout(out);
        if (!uvFile.empty()) {
            const std::vector<float> uvs = allUvs(out);
            if (compare)
                run.agreement = compareUvs(uvs, uvFile);
            else
                saveUvs(uvs, uvFile);
        }
    }
    return run;
}

}  // namespace

const StageRow *StageTable::step(const char *name) const {
    for (int i = 0; i < count; ++i)
        if (rows[i].depth == 2 && std::strcmp(rows[i].name, name) == 0) return &rows[i];
    return nullptr;
}

NodeRun cookNode(const GU_Detail &input, const std::string &seams, int solver, int repeats, const std::string &uvFile,
                 bool compare, int angles) {
    return runCooks(input, seams, solver, repeats, uvFile, compare, angles, nullptr, nullptr);
}

NodeRun cookNodeStaged(const GU_Detail &input, const std::string &seams, int solver, int repeats,
                       const std::string &uvFile, bool compare, StageTable &stages, Piece *piece) {
    return runCooks(input, seams, solver, repeats, uvFile, compare, 0, &stages, piece);
}

}  // namespace bench
