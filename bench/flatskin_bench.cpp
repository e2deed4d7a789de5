// flatskin_bench: times the cook of the unwrap node with the conjugate
// gradient and with the direct solver on generated and real meshes, splits
// it by stage, measures the layout's quality and compares with CGAL's
// LSCM. Every case runs in forked children, one line per run.
//
// Usage: flatskin_bench [--quick] [--filter TEXT] [--repeat N] [--meshes DIR] [--solver S]
//   --quick   skips the 1M-triangle cases
//   --no-peer skips CGAL (for profiling the cook alone)
//   --solver  cg, direct or both (default: both, but direct alone on the
//             1M-triangle cases, where the conjugate gradient takes an hour)
//   --filter  runs only the meshes whose name contains TEXT
//   --repeat  cooks N times per run and reports the median cook (default 1)
//   --closed  prints only the closed-mesh table (autoseams against one path)
#include "bench.h"
#include "cli/HugePageHeap.h"

#include <nl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace bench;

namespace {

struct Options {
    bool quick = false;
    std::string filter, meshes = FLATSKIN_MESHES;
    int repeat = 1;
    bool peer = true;
    bool closedOnly = false;
    int solvers = 0;  // 0: both (direct alone when large), 1: cg, 2: direct
};

const char *kUsage = "usage: flatskin_bench [--quick] [--filter TEXT] [--repeat N] [--meshes DIR] [--solver "
                     "cg|direct|both] [--no-peer] [--closed]\n";

bool parse(int argc, char **argv, Options &o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick") {
            o.quick = true;
        } else if (a == "--filter" && i + 1 < argc) {
            o.filter = argv[++i];
        } else if (a == "--repeat" && i + 1 < argc) {
            o.repeat = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--meshes" && i + 1 < argc) {
            o.meshes = argv[++i];
        } else if (a == "--closed") {
            o.closedOnly = true;
        } else if (a == "--no-peer") {
            o.peer = false;
        } else if (a == "--solver" && i + 1 < argc) {
            const std::string v = argv[++i];
            o.solvers = v == "cg" ? 1 : v == "direct" ? 2 : v == "both" ? 0 : -1;
            if (o.solvers < 0) {
                std::fprintf(stderr, "%s", kUsage);
                return false;
            }
        } else {
            std::fprintf(stderr, "%s", kUsage);
            return false;
        }
    }
    return true;
}

// The mesh of a case and its seams, made inside each child so that the
// parent stays small and every child's peak memory is its own.
struct Input {
    GU_Detail mesh;
    std::string seams;
    explicit Input(const MeshCase &c) {
        c.make(mesh);
        seams = openingSeams(mesh);
    }
};

double mb(long kb) { return double(kb) / 1024.0; }

// Each stage's median over runs (the other figures are those of one run).
Stages medianStages(const std::vector<Stages> &runs) {
    Stages m = runs[runs.size() / 2];
    for (double Stages::*f : {&Stages::copy, &Stages::work, &Stages::seams, &Stages::piece, &Stages::triangulate,
                              &Stages::rows, &Stages::solve, &Stages::write, &Stages::colours}) {
        std::vector<double> v;
        for (const Stages &r : runs) v.push_back(r.*f);
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        m.*f = v[v.size() / 2];
    }
    return m;
}

// The share of the stages other than the solve in the whole, in percent.
double otherShare(const Stages &st) {
    const double other = st.copy + st.work + st.seams + st.piece + st.triangulate + st.rows + st.write + st.colours;
    return other + st.solve > 0 ? 100.0 * other / (other + st.solve) : 0.0;
}

// Bytes one iteration of the conjugate gradient must move at least: the
// normal matrix in CSR (value and column per entry, an offset per row)
// once, and the vectors of its three passes (product: d gathered, q
// written; update: x, r, q read and written, d and the inverse diagonal
// read; direction: q read, d read and written).
double cgBytesPerIteration(const Stages &s) {
    const double n = double(s.freeVariables), nnz = double(s.nonzeros);
    return 12.0 * nnz + 8.0 * (n + 1) + 8.0 * 13.0 * n;
}

// Prints the time per CG iteration of st (iterations > 0), the time its
// bytes take at bandwidth, and their ratio.
void printIterationFloor(const Stages &st, double bandwidth) {
    const double per = st.solve / st.iterations;
    const double floor = cgBytesPerIteration(st) / bandwidth * 1000.0;
    std::printf(" it=%8.3f floor=%8.3f x%5.2f", per, floor, per / floor);
}

// For a mesh where the conjugate gradient's full run would take too long:
// its first iterations only, timed against the bandwidth floor.
void cappedCgLine(const MeshCase &c, double bandwidth) {
    constexpr int kIterations = 300;
    Stages st;
    long kb = 0;
    const bool ran = inChild<Stages>(
        [&] {
            Input in(c);
            return stagedCook(in.mesh, in.seams, NL_CG, true, nullptr, kIterations);
        },
        st, kb);
    if (!ran || st.iterations <= 0 || bandwidth <= 0) return;
    std::printf("%-26s %-6s tris=%8ld solve=%9.1f its=%6d (stopped there)", c.name.c_str(), "cg", st.triangles,
                st.solve, st.iterations);
    printIterationFloor(st, bandwidth);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv) {
    // Cooks and CGAL alike run on the heap sopcook gives a cook.
    restartWithHugePages(argv);
    Options opt;
    if (!parse(argc, argv, opt)) return 2;

    double bandwidth = 0;
    long kb = 0;
    inChild<double>([] { return streamBandwidth(); }, bandwidth, kb);
    std::printf("# flatskin_bench: %u hardware threads, streaming copy %.2f GB/s\n",
                std::thread::hardware_concurrency(), bandwidth / 1e9);
    const char *tunables = std::getenv("GLIBC_TUNABLES");
    std::printf("# GLIBC_TUNABLES=%s (SOPCOOK_HUGE_PAGES=0 runs with normal pages)\n", tunables ? tunables : "");
    std::printf("# times in ms; rss = peak resident memory of the run's own process; ratio = cook / CGAL\n");
    std::printf("# it/floor: CG time per iteration against the bytes it must move at the copy bandwidth\n");
    std::fflush(stdout);

    for (const MeshCase &c : opt.closedOnly ? std::vector<MeshCase>() : meshCases(opt.meshes)) {
        if (opt.quick && c.large) continue;
        if (!opt.filter.empty() && c.name.find(opt.filter) == std::string::npos) continue;

        CgalRun cgal;
        long cgalKb = 0;
        const bool cgalRan = opt.peer && inChild<CgalRun>(
                                             [&] {
                                                 Input in(c);
                                                 Piece piece;
                                                 stagedCook(in.mesh, in.seams, NL_CG, false, &piece);
                                                 return cgalLscm(piece);
                                             },
                                             cgal, cgalKb);

        // The conjugate gradient's layout, kept for the direct run to compare.
        const std::string uvFile = "/tmp/flatskin_bench_uv." + std::to_string(getpid());
        std::remove(uvFile.c_str());
        for (const int solver : {0, 1}) {
            const bool wanted = opt.solvers == 0 ? (solver == 1 || !c.large) : opt.solvers == solver + 1;
            if (!wanted) {
                if (solver == 0 && opt.solvers == 0) cappedCgLine(c, bandwidth);
                continue;
            }
            const unsigned nlSolver = solver ? NL_CHOLMOD_EXT : NL_CG;
            Stages st;
            long stagedKb = 0;
            const bool stagedRan = inChild<Stages>(
                [&] {
                    Input in(c);
                    std::vector<Stages> runs;
                    for (int r = 0; r < opt.repeat; ++r)
                        runs.push_back(stagedCook(in.mesh, in.seams, nlSolver, true, nullptr));
                    return medianStages(runs);
                },
                st, stagedKb);
            NodeRun node;
            long nodeKb = 0;
            const bool nodeRan = inChild<NodeRun>(
                [&] {
                    Input in(c);
                    return cookNode(in.mesh, in.seams, solver, opt.repeat, uvFile, solver == 1);
                },
                node, nodeKb);

            const Quality &q = node.quality;
            const bool cgalOk = cgalRan && cgal.ok;
            std::printf("%-26s %-6s tris=%8ld cook=%9.1f%s copy=%7.1f work=%7.1f seams=%7.1f piece=%7.1f "
                        "tri=%7.1f rows=%8.1f solve=%9.1f write=%6.1f col=%4.1f other=%4.1f%% its=%6d err=%8.1e "
                        "rss=%7.1fMB flip=%6ld ang=%6.3f/%6.2f area5-95=%6.3f-%6.3f "
                        "cgal=%9.1f%s cgalrss=%7.1fMB ratio=%6.2f",
                        c.name.c_str(), solver ? "direct" : "cg", st.triangles, node.ms, nodeRan && node.ok ? " " : "!",
                        st.copy, st.work, st.seams, st.piece, st.triangulate, st.rows, st.solve, st.write, st.colours,
                        otherShare(st), st.iterations, st.error, mb(nodeKb), q.flipped, q.angleMean, q.angleMax,
                        q.areaP5, q.areaP95, cgal.ms, cgalOk ? " " : "!", mb(cgalKb),
                        cgalOk && cgal.ms > 0 ? node.ms / cgal.ms : 0.0);
            if (!solver && stagedRan && st.iterations > 0 && bandwidth > 0) printIterationFloor(st, bandwidth);
            if (solver == 1 && node.agreement >= 0) std::printf(" agree=%8.1e", node.agreement);
            if (!stagedRan || !st.solved) std::printf(" staged-failed");
            std::printf("\n");
            std::fflush(stdout);
            (void)stagedKb;
        }
        std::remove(uvFile.c_str());
    }
    closedMeshTable(opt.meshes, opt.filter, opt.repeat);
    return 0;
}
