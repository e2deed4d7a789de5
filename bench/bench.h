// The pieces of the benchmark: test meshes, the cook with its stages,
// quality figures, CGAL's LSCM, forked runs and whole-process runs.
#pragma once

#include <GU/GU_Detail.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// A mesh to unwrap: made by make(gdp) (generated or read from a file) and
// cut along seams ("" for none).
struct MeshCase {
    std::string name;
    std::function<void(GU_Detail &)> make;
    bool large = false;  // one of the 1M-triangle cases, skipped by --quick
};

// The generated cases (flat grid, wavy height field, hemisphere at about
// 2k, 20k, 200k and 1M triangles) and every .off/.obj in folder.
std::vector<MeshCase> meshCases(const std::string &folder);

// A "seams" pattern that opens a closed mesh: the shortest edge path
// between its lowest and highest point along its longest axis. "" when
// the mesh has a boundary edge already (or no primitives).
std::string openingSeams(const GU_Detail &g);

// Wall-clock milliseconds since an arbitrary start.
double nowMs();

// The piece the solver saw, restated from a layout for CGAL: triangles,
// positions and two pins (indices into pos).
struct Piece {
    std::vector<std::array<double, 3>> pos;
    std::vector<std::array<int, 3>> tris;
    int pinA = -1, pinB = -1;
};
// The piece of primitive 0 of out (connected by shared points): each
// polygon split on its 3D corners as the node splits it, a point split into
// one piece vertex per distinct UV it carries (so a cut is a border), and
// as pins the piece vertices at both ends of the longest side of the
// bounding box, as the node's default pins. Without a "uv" attribute, the
// points are not split.
Piece pieceOfLayout(GU_Detail &out);
// Quality of the UVs ("uv" vertex attribute) of the polygons of out that
// lie in the connected piece of primitive 0, fan-triangulated.
struct Quality {
    long triangles = 0, flipped = 0;
    double angleMean = 0, angleMax = 0;  // |UV angle - 3D angle|, degrees
    double areaP5 = 0, areaP95 = 0;      // (UV area / total) / (3D area / total)
    double l2 = 0;                       // L2 stretch (autoseams' l2Stretch)
    double area = 0;                     // surface area of the piece
    double seamLength = 0;               // length of the edges whose two sides differ in UV
    long islands = 0;                    // pieces joined across edges of equal UVs
    bool finite = true;
};
Quality measureQuality(GU_Detail &out);

// The cook through the host kit (operator, network, node, input, cook):
// milliseconds (median over repeats), whether it succeeded and the result.
// With uvFile, the layout is saved there, or with compare, compared with
// the one saved there.
struct NodeRun {
    double ms = 0;
    bool ok = false;
    Quality quality;
    double agreement = -1;  // max UV difference / saved layout's diagonal; -1: none
};
// angles is the "angles" menu item (0 surface, 1 abfpp).
NodeRun cookNode(const GU_Detail &input, const std::string &seams, int solver, int repeats,
                 const std::string &uvFile = "", bool compare = false, int angles = 0);
// The stages of a cook as the node names them (sopcook's StageRecorder),
// fixed-size so that a forked child can send it back.
struct StageRow {
    char name[24];
    int depth;                                    // 1 for the cook's own operation
    double ms;                                    // median over the repeats
    long long heapStart, heapPeak, heapEnd, rss;  // bytes, as in StageRecord
    double iterations;                            // the "iterations" note; -1 without one
};
struct StageTable {
    int count = 0;
    StageRow rows[32];
    long long processRss = 0;  // peak resident memory of the whole run, bytes
    long triangles = 0;        // triangles of the piece (measured on the layout)
    // The row named name at depth 2 (a step of the cook); nullptr if none.
    const StageRow *step(const char *name) const;
};
// cookNode with each stage recorded; stages receives the median times
// over the repeats and the memory of the last cook. When piece is given,
// it receives pieceOfLayout of the last cook's output.
NodeRun cookNodeStaged(const GU_Detail &input, const std::string &seams, int solver, int repeats,
                       const std::string &uvFile, bool compare, StageTable &stages, Piece *piece = nullptr);

// The table of closed meshes in folder (names containing filter): each cut
// by the single shortest path of openingSeams, and by the autoseams node
// before flatskin with the direct solver; repeats as in cookNode.
void closedMeshTable(const std::string &folder, const std::string &filter, int repeats);

// CGAL's LSCM of the piece with its two pins as the fixed vertices.
struct CgalRun {
    double ms = 0;
    bool ok = false;
};
CgalRun cgalLscm(const Piece &piece);

// The wavy height field of the generated cases, k x k quads.
void wavyGrid(GU_Detail &g, int k);
// The whole-process tables: sopcook (the real binary, as a child process)
// on wavy grids written to .geo files, its scaling against n, and against
// a CGAL process at 200k and 1M. solver is the "solver" token of the
// scaling table; huge adds the 10M grid and runs it with "multigrid" and
// "direct"; hugePages runs everything again with SOPCOOK_HUGE_PAGES=1;
// quick leaves out the 1M grid.
void processTables(const std::string &solver, bool huge, bool hugePages, bool quick, bool peer);
// The CGAL process of those tables (flatskin_bench --cgal-process FILE):
// reads file, runs CGAL's LSCM on pieceOfLayout of it; 0 when it solved.
int cgalProcess(const std::string &file);

// Runs work in a forked child, which writes its result (a trivially
// copyable T) back; returns false when the child failed. peakKb receives
// the child's peak resident memory.
bool forked(const std::function<void(void *out)> &work, void *result, std::size_t size, long &peakKb);

template <class T> bool inChild(const std::function<T()> &work, T &result, long &peakKb) {
    return forked([&](void *out) { *static_cast<T *>(out) = work(); }, &result, sizeof(T), peakKb);
}

}  // namespace bench
