// The pieces of the benchmark: test meshes, the cook in stages, quality
// figures, CGAL's LSCM, the memory bandwidth and forked runs.
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

// Stage times (ms) and solver figures of one cook, replayed step by step
// with the same host and solver calls as the node's cook.
struct Stages {
    double copy = 0, work = 0, seams = 0, piece = 0, triangulate = 0, rows = 0, solve = 0, write = 0, colours = 0;
    bool solved = false;
    int iterations = 0;
    double error = 0;
    long variables = 0, freeVariables = 0, nonzeros = 0;  // of the normal matrix
    long triangles = 0;                                   // of the piece, after triangulation
};

// The cut, triangulated piece that the solver sees: positions, triangles
// and the two default pins (indices into pos).
struct Piece {
    std::vector<std::array<double, 3>> pos;
    std::vector<std::array<int, 3>> tris;
    int pinA = -1, pinB = -1;
};

// Replays the cook of a node with default parameters (and seams) on input
// with the given solver (NL_CG or NL_CHOLMOD_EXT); fills piece when given
// and then skips the solve when solve is false. maxIterations > 0 stops
// the conjugate gradient there instead of at 5n, for timing iterations of
// a solve too long to finish.
Stages stagedCook(const GU_Detail &input, const std::string &seams, unsigned solver, bool solve, Piece *piece,
                  int maxIterations = 0);

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

// Streaming-copy bandwidth of main memory in bytes per second (bytes read
// plus bytes written), best of a few passes over buffers beyond the cache.
double streamBandwidth();

// Runs work in a forked child, which writes its result (a trivially
// copyable T) back; returns false when the child failed. peakKb receives
// the child's peak resident memory.
bool forked(const std::function<void(void *out)> &work, void *result, std::size_t size, long &peakKb);

template <class T> bool inChild(const std::function<T()> &work, T &result, long &peakKb) {
    return forked([&](void *out) { *static_cast<T *>(out) = work(); }, &result, sizeof(T), peakKb);
}

}  // namespace bench
