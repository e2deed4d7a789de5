// flatskin_bench: times the cook of the unwrap node with the conjugate
// gradient and with the direct solver on generated and real meshes, splits
// it by the stages the node names itself (the recorder of sopcook
// --stages), shows where the bytes of each stage went, measures the
// layout's quality and compares with CGAL's LSCM. Every case runs in
// forked children, one line per run and a memory table under it.
//
// Usage: flatskin_bench [--quick] [--filter TEXT] [--repeat N] [--meshes DIR] [--solver S]
//                       [--no-peer] [--closed] [--process [--huge] [--huge-pages] [--scale-solver S]]
//   --quick   skips the 1M-triangle cases
//   --no-peer skips CGAL (for profiling the cook alone)
//   --solver  cg, direct, multigrid or both (cg and direct; default, but
//             the conjugate gradient is left out on the 1M-triangle cases,
//             where it takes the better part of an hour)
//   --filter  runs only the meshes whose name contains TEXT
//   --repeat  cooks N times per run and reports the median cook (default 1)
//   --closed  prints only the closed-mesh table (autoseams against one path)
//   --process prints only the whole-process tables: sopcook as a child
//             process on wavy grids, its scaling, against a CGAL process
//   --huge    adds the 10M-triangle grid to them (implies --process)
//   --huge-pages  runs them again with SOPCOOK_HUGE_PAGES=1 (the heap on
//             transparent huge pages), with the gap
//   --scale-solver  the solver of the scaling table (default direct)
#include "bench.h"
#include "cli/HugePageHeap.h"
#include "cli/StageReport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
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
    std::vector<int> solvers = {0, 1};  // "solver" menu items: 0 cg, 1 direct, 2 multigrid
    bool defaultSolvers = true;
    bool process = false, huge = false, hugePages = false;
    std::string scaleSolver = "direct";
};

const char *kUsage = "usage: flatskin_bench [--quick] [--filter TEXT] [--repeat N] [--meshes DIR] [--solver "
                     "cg|direct|multigrid|both] [--no-peer] [--closed]\n"
                     "                      [--process [--huge] [--huge-pages] [--scale-solver "
                     "cg|direct|multigrid]]\n";

bool parse(int argc, char **argv, Options &o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--quick") {
            o.quick = true;
        } else if (a == "--filter" && more) {
            o.filter = argv[++i];
        } else if (a == "--repeat" && more) {
            o.repeat = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--meshes" && more) {
            o.meshes = argv[++i];
        } else if (a == "--closed") {
            o.closedOnly = true;
        } else if (a == "--no-peer") {
            o.peer = false;
        } else if (a == "--process") {
            o.process = true;
        } else if (a == "--huge") {
            o.process = o.huge = true;
        } else if (a == "--huge-pages") {
            o.hugePages = true;
        } else if (a == "--scale-solver" && more) {
            o.scaleSolver = argv[++i];
            if (o.scaleSolver != "cg" && o.scaleSolver != "direct" && o.scaleSolver != "multigrid") return false;
        } else if (a == "--solver" && more) {
            const std::string v = argv[++i];
            o.defaultSolvers = false;
            if (v == "cg")
                o.solvers = {0};
            else if (v == "direct")
                o.solvers = {1};
            else if (v == "multigrid")
                o.solvers = {2};
            else if (v == "both")
                o.solvers = {0, 1};
            else
                return false;
        } else {
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

double mb(long long bytes) { return double(bytes) / (1024.0 * 1024.0); }

const char *solverName(int solver) { return solver == 0 ? "cg" : solver == 1 ? "direct" : "multigrid"; }

// What a staged run sends back from its child.
struct StagedRun {
    NodeRun node;
    StageTable stages;
};

// CGAL on the piece of the node's direct layout. Its peak memory is its
// own: the child's high-water mark is reset once the node is gone.
CgalRun cgalOnLayout(const MeshCase &c) {
    Piece piece;
    {
        Input in(c);
        StageTable st;
        cookNodeStaged(in.mesh, in.seams, 1, 1, "", false, st, &piece);
    }
    malloc_trim(0);
    resetResidentPeak();
    return cgalLscm(piece);
}

// The share of the steps other than the solve in the cook, in percent.
double otherShare(const StageTable &st) {
    double other = 0, solve = 0;
    for (int i = 0; i < st.count; ++i) {
        if (st.rows[i].depth != 2) continue;
        (std::strcmp(st.rows[i].name, "solve") == 0 ? solve : other) += st.rows[i].ms;
    }
    return other + solve > 0 ? 100.0 * other / (other + solve) : 0.0;
}

// One line: the cook, its steps by name, memory, quality and CGAL.
void printRunLine(const MeshCase &c, int solver, const StagedRun &r, bool ran, const CgalRun &cgal, bool cgalRan,
                  long cgalKb) {
    const StageTable &st = r.stages;
    const Quality &q = r.node.quality;
    std::printf("%-26s %-9s tris=%8ld cook=%9.1f%s", c.name.c_str(), solverName(solver), q.triangles, r.node.ms,
                ran && r.node.ok ? " " : "!");
    for (int i = 0; i < st.count; ++i) {
        if (st.rows[i].depth != 2) continue;
        std::string name = st.rows[i].name;
        std::replace(name.begin(), name.end(), ' ', '-');
        std::printf(" %s=%.1f", name.c_str(), st.rows[i].ms);
    }
    std::printf(" other=%4.1f%%", otherShare(st));
    if (const StageRow *solve = st.step("solve"); solve && solve->iterations >= 0) {
        std::printf(" its=%6.0f", solve->iterations);
        if (solve->iterations > 0) std::printf(" ms/it=%7.3f", solve->ms / solve->iterations);
    }
    const bool cgalOk = cgalRan && cgal.ok;
    std::printf(" rss=%7.1fMB flip=%6ld ang=%6.3f/%6.2f area5-95=%6.3f-%6.3f cgal=%9.1f%s cgalrss=%7.1fMB ratio=%6.2f",
                mb(st.processRss), q.flipped, q.angleMean, q.angleMax, q.areaP5, q.areaP95, cgal.ms, cgalOk ? " " : "!",
                double(cgalKb) / 1024.0, cgalOk && cgal.ms > 0 ? r.node.ms / cgal.ms : 0.0);
    if (solver != 0 && r.node.agreement >= 0) std::printf(" agree=%8.1e", r.node.agreement);
    std::printf("\n");
}

// Where the bytes of each stage went: heap in use at its peak and at its
// end over the heap in use when the cook began, per triangle of the piece.
void printMemoryTable(const StageTable &st) {
    if (st.count == 0) return;
    const long long base = st.rows[0].heapStart;
    const double tris = double(std::max(1L, st.triangles));
    std::printf("    %-22s %9s %12s %12s %10s %10s\n", "stage", "ms", "peak B/tri", "end B/tri", "+/- B/tri", "rss MB");
    for (int i = 0; i < st.count; ++i) {
        const StageRow &s = st.rows[i];
        const std::string name = std::string(2 * size_t(std::max(0, s.depth - 1)), ' ') + s.name;
        std::printf("    %-22s %9.1f %12.1f %12.1f %+10.1f %10.1f\n", name.c_str(), s.ms,
                    double(s.heapPeak - base) / tris, double(s.heapEnd - base) / tris,
                    double(s.heapEnd - s.heapStart) / tris, s.rss < 0 ? -1.0 : mb(s.rss));
    }
}

}  // namespace

int main(int argc, char **argv) {
    // Cooks and CGAL alike run on the heap sopcook gives a cook: huge pages
    // only when SOPCOOK_HUGE_PAGES=1.
    restartWithHugePages(argv);
    if (argc == 3 && std::strcmp(argv[1], "--cgal-process") == 0) return cgalProcess(argv[2]);
    Options opt;
    if (!parse(argc, argv, opt)) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    std::printf("# flatskin_bench: %u hardware threads\n", std::thread::hardware_concurrency());
    const char *tunables = std::getenv("GLIBC_TUNABLES");
    std::printf("# GLIBC_TUNABLES=%s (SOPCOOK_HUGE_PAGES=1 runs with the heap on huge pages)\n", tunables ? tunables : "");
    if (opt.process) {
        processTables(opt.scaleSolver, opt.huge, opt.hugePages, opt.quick, opt.peer);
        return 0;
    }
    std::printf("# times in ms, stages as the node names them; rss = peak resident memory of the cook's process;\n"
                "# ratio = cook / CGAL; B/tri = heap bytes over the heap in use at the cook's start, per triangle\n");
    std::fflush(stdout);

    for (const MeshCase &c : opt.closedOnly ? std::vector<MeshCase>() : meshCases(opt.meshes)) {
        if (opt.quick && c.large) continue;
        if (!opt.filter.empty() && c.name.find(opt.filter) == std::string::npos) continue;

        CgalRun cgal;
        long cgalKb = 0;
        const bool cgalRan = opt.peer && inChild<CgalRun>([&] { return cgalOnLayout(c); }, cgal, cgalKb);

        // The first solver's layout, kept for the others to compare.
        const std::string uvFile = "/tmp/flatskin_bench_uv." + std::to_string(getpid());
        std::remove(uvFile.c_str());
        bool first = true;
        for (const int solver : opt.solvers) {
            if (solver == 0 && c.large && opt.defaultSolvers) {
                std::printf("%-26s %-9s left out: about an hour at this size (--solver cg runs it)\n", c.name.c_str(),
                            "cg");
                continue;
            }
            StagedRun run;
            long kb = 0;
            const bool ran = inChild<StagedRun>(
                [&] {
                    Input in(c);
                    StagedRun r;
                    r.node = cookNodeStaged(in.mesh, in.seams, solver, opt.repeat, uvFile, !first, r.stages);
                    return r;
                },
                run, kb);
            first = false;
            printRunLine(c, solver, run, ran, cgal, cgalRan, cgalKb);
            if (ran) printMemoryTable(run.stages);
            std::fflush(stdout);
        }
        std::remove(uvFile.c_str());
    }
    closedMeshTable(opt.meshes, opt.filter, opt.repeat);
    return 0;
}
