// Whole processes, as a user runs them: the real sopcook binary reading a
// wavy grid from a .geo file, cooking and writing, and CGAL's LSCM in a
// process of its own that reads the same file; wall time from the start
// of the process to its end and peak resident memory from wait4.
#include "bench.h"

#include "sopcook/io/GeometryFile.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

namespace bench {

namespace {

struct Grid {
    const char *label;
    int k;  // quads per side: 2 k^2 triangles
    long triangles() const { return 2L * k * k; }
};

struct ProcessRun {
    bool ok = false;
    double ms = 0;
    long kb = 0;  // peak resident memory
    int status = 0;
};

// Runs args (args[0] the program) in a child process with standard output
// and error on /dev/null. The child's environment is this one without the
// GLIBC_TUNABLES this benchmark's own restart set, so that sopcook makes
// its own choice; smallPages adds SOPCOOK_HUGE_PAGES=0.
ProcessRun runProcess(const std::vector<std::string> &args, bool smallPages) {
    ProcessRun run;
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    const double t = nowMs();
    const pid_t pid = fork();
    if (pid < 0) return run;
    if (pid == 0) {
        unsetenv("GLIBC_TUNABLES");
        if (smallPages)
            setenv("SOPCOOK_HUGE_PAGES", "0", 1);
        else
            unsetenv("SOPCOOK_HUGE_PAGES");
        if (std::freopen("/dev/null", "w", stdout) == nullptr || std::freopen("/dev/null", "w", stderr) == nullptr)
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.ms = nowMs() - t;
    run.kb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The best (shortest) of n runs, with its memory.
ProcessRun bestOf(int n, const std::vector<std::string> &args, bool smallPages) {
    ProcessRun best;
    for (int i = 0; i < n; ++i) {
        const ProcessRun r = runProcess(args, smallPages);
        if (!r.ok) return r;
        if (!best.ok || r.ms < best.ms) best = r;
    }
    return best;
}

// Slope of the least-squares line of log t on log n.
double fittedExponent(const std::vector<std::pair<double, double>> &nt) {
    if (nt.size() < 2) return NAN;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto &[n, t] : nt) {
        const double x = std::log(n), y = std::log(t);
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double m = double(nt.size());
    return (m * sxy - sx * sy) / (m * sxx - sx * sx);
}

// One run of sopcook or CGAL per case, both page kinds, kept so that a
// table that needs a run another one made does not run it again.
class Runs {
public:
    Runs(std::string dir, bool smallPages) : myDir(std::move(dir)), mySmall(smallPages) {}

    // The .geo file of grid, written in a child on first use; "" when it
    // could not be written.
    std::string file(const Grid &g) {
        const std::string path = myDir + "/wavy-" + g.label + ".geo";
        if (myWritten.count(path)) return myWritten[path] ? path : "";
        bool ok = false;
        long kb = 0;
        const bool ran = inChild<bool>(
            [&] {
                GU_Detail mesh;
                wavyGrid(mesh, g.k);
                std::vector<std::string> notes;
                writeGeometryFile(path, mesh, notes);
                return true;
            },
            ok, kb);
        myWritten[path] = ran && ok;
        return myWritten[path] ? path : "";
    }
    ProcessRun sopcook(const Grid &g, const std::string &solver, bool small, int repeats) {
        const std::string in = file(g);
        if (in.empty()) return {};
        const std::string key =
            std::string("sopcook ") + g.label + " " + solver + (small ? " small" : "") + " x" + std::to_string(repeats);
        auto it = myRuns.find(key);
        if (it != myRuns.end()) return it->second;
        const ProcessRun r = bestOf(
            repeats, {FLATSKIN_SOPCOOK, "flatskin", in, myDir + "/out-" + g.label + ".geo", "-p", "solver=" + solver},
            small);
        std::remove((myDir + "/out-" + g.label + ".geo").c_str());
        return myRuns[key] = r;
    }
    ProcessRun cgal(const Grid &g, bool small, int repeats) {
        const std::string in = file(g);
        if (in.empty()) return {};
        return bestOf(repeats, {"/proc/self/exe", "--cgal-process", in}, small);
    }
    bool small() const { return mySmall; }

private:
    std::string myDir;
    bool mySmall;
    std::map<std::string, bool> myWritten;
    std::map<std::string, ProcessRun> myRuns;
};

std::string seconds(const ProcessRun &r) {
    if (!r.ok) return "failed (status " + std::to_string(r.status) + ")";
    char s[32];
    std::snprintf(s, sizeof s, "%.2f", r.ms / 1000.0);
    return s;
}

std::string megabytes(const ProcessRun &r) {
    char s[32];
    std::snprintf(s, sizeof s, "%.0f", double(r.kb) / 1024.0);
    return r.ok ? s : "";
}

// The small-pages columns of a row: time, memory and the time's gap.
void printSmall(Runs &runs, const ProcessRun &huge, const ProcessRun &small) {
    if (!runs.small()) return;
    const double gap = huge.ok && small.ok ? 100.0 * (small.ms - huge.ms) / huge.ms : NAN;
    std::printf(" %s | %s | %+.1f%% |", seconds(small).c_str(), megabytes(small).c_str(), gap);
}

const char *smallHeader(bool small) { return small ? " small pages s | RSS MB | gap |" : ""; }
const char *smallRule(bool small) { return small ? "---|---|---|" : ""; }

void scalingTable(Runs &runs, const std::vector<Grid> &grids, const std::string &solver) {
    std::printf("\n# whole sopcook process (read .geo, cook, write .geo), -p solver=%s, wavy grids, one run each\n",
                solver.c_str());
    std::printf("| grid | triangles | s | peak RSS MB |%s\n|---|---|---|---|%s\n", smallHeader(runs.small()),
                smallRule(runs.small()));
    std::vector<std::pair<double, double>> all, large, allSmall, largeSmall;
    for (const Grid &g : grids) {
        const ProcessRun r = runs.sopcook(g, solver, false, 1);
        std::printf("| wavy-%s | %ld | %s | %s |", g.label, g.triangles(), seconds(r).c_str(), megabytes(r).c_str());
        if (r.ok) {
            all.emplace_back(double(g.triangles()), r.ms);
            if (g.triangles() >= 199712) large.emplace_back(double(g.triangles()), r.ms);
        }
        if (runs.small()) {
            const ProcessRun s = runs.sopcook(g, solver, true, 1);
            printSmall(runs, r, s);
            if (s.ok) {
                allSmall.emplace_back(double(g.triangles()), s.ms);
                if (g.triangles() >= 199712) largeSmall.emplace_back(double(g.triangles()), s.ms);
            }
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("fitted exponent of time against n (least squares of log t on log n): %.2f over n >= 200k, %.2f over "
                "all\n",
                fittedExponent(large), fittedExponent(all));
    if (runs.small())
        std::printf("with SOPCOOK_HUGE_PAGES=0: %.2f over n >= 200k, %.2f over all\n", fittedExponent(largeSmall),
                    fittedExponent(allSmall));
}

void hugeTable(Runs &runs, const Grid &g) {
    std::printf("\n# the %ld-triangle wavy grid, whole sopcook process, one run each\n", g.triangles());
    std::printf("| solver | s | peak RSS MB |%s\n|---|---|---|%s\n", smallHeader(runs.small()),
                smallRule(runs.small()));
    for (const char *solver : {"multigrid", "direct"}) {
        const ProcessRun r = runs.sopcook(g, solver, false, 1);
        std::printf("| %s | %s | %s |", solver, seconds(r).c_str(), megabytes(r).c_str());
        if (runs.small()) printSmall(runs, r, runs.sopcook(g, solver, true, 1));
        std::printf("\n");
        std::fflush(stdout);
    }
}

void peerTable(Runs &runs, const std::vector<Grid> &grids, const std::string &solver) {
    std::printf("\n# whole processes, best of three: sopcook -p solver=%s (read, cook, write) against CGAL's LSCM\n"
                "# (read the same .geo, two pins at the ends of the longest extent, parameterize; writes nothing)\n",
                solver.c_str());
    std::printf("| grid | triangles | sopcook s | RSS MB | CGAL s | RSS MB | sopcook/CGAL |\n"
                "|---|---|---|---|---|---|---|\n");
    for (const bool small : {false, true}) {
        if (small && !runs.small()) break;
        if (small) std::printf("| with SOPCOOK_HUGE_PAGES=0 | | | | | | |\n");
        for (const Grid &g : grids) {
            const ProcessRun s = runs.sopcook(g, solver, small, 3), c = runs.cgal(g, small, 3);
            std::printf("| wavy-%s | %ld | %s | %s | %s | %s | %.2f |\n", g.label, g.triangles(), seconds(s).c_str(),
                        megabytes(s).c_str(), seconds(c).c_str(), megabytes(c).c_str(),
                        s.ok && c.ok ? s.ms / c.ms : NAN);
            std::fflush(stdout);
        }
    }
}

}  // namespace

int cgalProcess(const std::string &file) {
    GU_Detail mesh;
    std::vector<std::string> notes;
    try {
        readGeometryFile(file, mesh, notes);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), e.what());
        return 2;
    }
    const Piece piece = pieceOfLayout(mesh);
    const CgalRun run = cgalLscm(piece);
    std::printf("cgal %.1f ms\n", run.ms);
    return run.ok ? 0 : 1;
}

void processTables(const std::string &solver, bool huge, bool smallPages, bool quick, bool peer) {
    char dir[] = "/tmp/flatskin_bench.XXXXXX";
    if (!mkdtemp(dir)) {
        std::printf("# process tables: no temporary folder\n");
        return;
    }
    Runs runs(dir, smallPages);
    const Grid g2k{"2k", 32}, g20k{"20k", 100}, g200k{"200k", 316}, g1m{"1m", 707}, g10m{"10m", 2236};
    std::vector<Grid> grids = {g2k, g20k, g200k};
    if (!quick) grids.push_back(g1m);
    if (huge) grids.push_back(g10m);
    std::printf("# sopcook: %s; each run a child process whose environment has no GLIBC_TUNABLES, so sopcook's own\n"
                "# restart picks the heap%s\n",
                FLATSKIN_SOPCOOK, smallPages ? "; the small-pages columns set SOPCOOK_HUGE_PAGES=0" : "");
    if (huge) hugeTable(runs, g10m);
    scalingTable(runs, grids, solver);
    if (peer) {
        std::vector<Grid> peerGrids = {g200k};
        if (!quick) peerGrids.push_back(g1m);
        peerTable(runs, peerGrids, solver);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace bench
