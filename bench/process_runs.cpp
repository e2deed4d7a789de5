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
// its own choice; hugePages adds SOPCOOK_HUGE_PAGES=1.
ProcessRun runProcess(const std::vector<std::string> &args, bool hugePages) {
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
        if (hugePages)
            setenv("SOPCOOK_HUGE_PAGES", "1", 1);
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
ProcessRun bestOf(int n, const std::vector<std::string> &args, bool hugePages) {
    ProcessRun best;
    for (int i = 0; i < n; ++i) {
        const ProcessRun r = runProcess(args, hugePages);
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
    Runs(std::string dir, bool hugePages) : myDir(std::move(dir)), myHugePages(hugePages) {}

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
    ProcessRun sopcook(const Grid &g, const std::string &solver, bool hugePages, int repeats) {
        const std::string in = file(g);
        if (in.empty()) return {};
        const std::string key =
            std::string("sopcook ") + g.label + " " + solver + (hugePages ? " huge" : "") + " x" + std::to_string(repeats);
        auto it = myRuns.find(key);
        if (it != myRuns.end()) return it->second;
        const ProcessRun r = bestOf(
            repeats, {FLATSKIN_SOPCOOK, "flatskin", in, myDir + "/out-" + g.label + ".geo", "-p", "solver=" + solver},
            hugePages);
        std::remove((myDir + "/out-" + g.label + ".geo").c_str());
        return myRuns[key] = r;
    }
    ProcessRun cgal(const Grid &g, bool hugePages, int repeats) {
        const std::string in = file(g);
        if (in.empty()) return {};
        return bestOf(repeats, {"/proc/self/exe", "--cgal-process", in}, hugePages);
    }
    bool hugePages() const { return myHugePages; }

private:
    std::string myDir;
    bool myHugePages;
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

// The huge-page columns of a row: time, memory and the time's gap to the
// run with normal pages.
void printHugePages(Runs &runs, const ProcessRun &normal, const ProcessRun &huge) {
    if (!runs.hugePages()) return;
    const double gap = normal.ok && huge.ok ? 100.0 * (huge.ms - normal.ms) / normal.ms : NAN;
    std::printf(" %s | %s | %+.1f%% |", seconds(huge).c_str(), megabytes(huge).c_str(), gap);
}

const char *hugeHeader(bool on) { return on ? " huge pages s | RSS MB | gap |" : ""; }
const char *hugeRule(bool on) { return on ? "---|---|---|" : ""; }

void scalingTable(Runs &runs, const std::vector<Grid> &grids, const std::string &solver) {
    std::printf("\n# whole sopcook process (read .geo, cook, write .geo), -p solver=%s, wavy grids, one run each\n",
                solver.c_str());
    std::printf("| grid | triangles | s | peak RSS MB |%s\n|---|---|---|---|%s\n", hugeHeader(runs.hugePages()),
                hugeRule(runs.hugePages()));
    std::vector<std::pair<double, double>> all, large, allHuge, largeHuge;
    for (const Grid &g : grids) {
        const ProcessRun r = runs.sopcook(g, solver, false, 1);
        std::printf("| wavy-%s | %ld | %s | %s |", g.label, g.triangles(), seconds(r).c_str(), megabytes(r).c_str());
        if (r.ok) {
            all.emplace_back(double(g.triangles()), r.ms);
            if (g.triangles() >= 199712) large.emplace_back(double(g.triangles()), r.ms);
        }
        if (runs.hugePages()) {
            const ProcessRun h = runs.sopcook(g, solver, true, 1);
            printHugePages(runs, r, h);
            if (h.ok) {
                allHuge.emplace_back(double(g.triangles()), h.ms);
                if (g.triangles() >= 199712) largeHuge.emplace_back(double(g.triangles()), h.ms);
            }
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("fitted exponent of time against n (least squares of log t on log n): %.2f over n >= 200k, %.2f over "
                "all\n",
                fittedExponent(large), fittedExponent(all));
    if (runs.hugePages())
        std::printf("with SOPCOOK_HUGE_PAGES=1: %.2f over n >= 200k, %.2f over all\n", fittedExponent(largeHuge),
                    fittedExponent(allHuge));
}

void hugeTable(Runs &runs, const Grid &g) {
    std::printf("\n# the %ld-triangle wavy grid, whole sopcook process, one run each\n", g.triangles());
    std::printf("| solver | s | peak RSS MB |%s\n|---|---|---|%s\n", hugeHeader(runs.hugePages()),
                hugeRule(runs.hugePages()));
    for (const char *solver : {"multigrid", "direct"}) {
        const ProcessRun r = runs.sopcook(g, solver, false, 1);
        std::printf("| %s | %s | %s |", solver, seconds(r).c_str(), megabytes(r).c_str());
        if (runs.hugePages()) printHugePages(runs, r, runs.sopcook(g, solver, true, 1));
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
    for (const bool hugePages : {false, true}) {
        if (hugePages && !runs.hugePages()) break;
        if (hugePages) std::printf("| with SOPCOOK_HUGE_PAGES=1 | | | | | | |\n");
        for (const Grid &g : grids) {
            const ProcessRun s = runs.sopcook(g, solver, hugePages, 3), c = runs.cgal(g, hugePages, 3);
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

void processTables(const std::string &solver, bool huge, bool hugePages, bool quick, bool peer) {
    char dir[] = "/tmp/flatskin_bench.XXXXXX";
    if (!mkdtemp(dir)) {
        std::printf("# process tables: no temporary folder\n");
        return;
    }
    Runs runs(dir, hugePages);
    const Grid g2k{"2k", 32}, g20k{"20k", 100}, g200k{"200k", 316}, g1m{"1m", 707}, g10m{"10m", 2236};
    std::vector<Grid> grids = {g2k, g20k, g200k};
    if (!quick) grids.push_back(g1m);
    if (huge) grids.push_back(g10m);
    std::printf("# sopcook: %s; each run a child process whose environment has no GLIBC_TUNABLES and no\n"
                "# SOPCOOK_HUGE_PAGES, so it runs on glibc's normal heap%s\n",
                FLATSKIN_SOPCOOK, hugePages ? "; the huge-pages columns set SOPCOOK_HUGE_PAGES=1" : "");
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
