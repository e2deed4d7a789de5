// The conformal layout of one component cut open along the seams.
#include "autoseams.h"
#include "flatten/abf_angles.h"
#include "flatten/solver_setup.h"
#include <UT/UT_Interrupt.h>
#include <nl.h>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

int findRoot(std::vector<int> &parent, int x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
}

/// Stops the solve when the user asks to.
NLboolean solveProgress(NLuint, NLuint, NLdouble, void *) {
    return UTgetInterrupt()->opInterrupt() ? NL_FALSE : NL_TRUE;
}

/// Owns the solver context of one layout.
struct SolverContext {
    NLcontext context = nlNewContext();
    ~SolverContext() { nlDeleteContext(context); }
};

/// Planar angles (#compTris by 3) by angle-based flattening of the cut
/// component whose corners are the solver points point (#T*3, n points);
/// empty when the optimisation does not converge.
std::vector<float> optimisedAngles(const SeamMesh &m, const std::vector<int> &compTris, const std::vector<int> &point,
                                   int n) {
    std::vector<double> positions(3 * static_cast<std::size_t>(n), 0.0);
    std::vector<int> tris;
    std::vector<float> angles;
    tris.reserve(3 * compTris.size());
    for (int t : compTris)
        for (int c = 0; c < 3; ++c) {
            const int k = point[3 * t + c];
            const auto &p = m.pos[m.tris[t][c]];
            for (int j = 0; j < 3; ++j) positions[3 * static_cast<std::size_t>(k) + j] = p[j];
            tris.push_back(k);
        }
    AbfOptions options;
    options.interrupted = [](int) { return UTgetInterrupt()->opInterrupt(); };
    // The angles of the cut component's own triangles, measured at the
    // solver points' positions.
    if (!abfAngles(positions, tris, {}, angles, options).converged) angles.clear();
    return angles;
}

}  // namespace

bool flattenComponent(const SeamMesh &m, const std::vector<int> &compTris, const std::vector<char> &cut,
                      std::vector<std::array<double, 2>> &uv, bool abf) {
    // Corners around a vertex that are joined across uncut sides share one
    // solver point; the fans that cut and boundary edges separate do not.
    static thread_local std::vector<int> parent, index;
    parent.resize(3 * m.triCount());
    index.resize(3 * m.triCount());
    for (int t : compTris)
        for (int c = 0; c < 3; ++c) parent[3 * t + c] = 3 * t + c;
    for (int t : compTris)
        for (int c = 0; c < 3; ++c) {
            const int side = 3 * t + c, opp = m.sideOpp[side];
            if (opp < side) continue;
            const int e = m.sideEdge[side];
            if (e >= 0 && cut[e]) continue;
            const int ot = opp / 3, oc = opp % 3;
            // Side c runs from corner c to c + 1, the glued side the other way.
            auto join = [&](int a, int b) { parent[findRoot(parent, a)] = findRoot(parent, b); };
            join(side, 3 * ot + (oc + 1) % 3);
            join(3 * t + (c + 1) % 3, opp);
        }
    // The solver point of every corner: numbered at its fan's root, then
    // copied to the fan's other corners.
    int n = 0;
    for (int t : compTris)
        for (int c = 0; c < 3; ++c)
            if (findRoot(parent, 3 * t + c) == 3 * t + c) index[3 * t + c] = n++;
    for (int t : compTris)
        for (int c = 0; c < 3; ++c) index[3 * t + c] = index[findRoot(parent, 3 * t + c)];
    const std::vector<int> &point = index;
    if (n < 3) return false;

    // Pins at the ends of the longest axis of the component's box.
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (int t : compTris)
        for (int v : m.tris[t])
            for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], m.pos[v][k]), hi[k] = std::max(hi[k], m.pos[v][k]);
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (hi[k] - lo[k] > hi[axis] - lo[axis]) axis = k;
    const int other = axis == 0 ? 1 : 0;
    int pinLo = -1, pinHi = -1;
    double tLo = 1e300, tHi = -1e300;
    for (int t : compTris)
        for (int c = 0; c < 3; ++c) {
            const double x = m.pos[m.tris[t][c]][axis];
            if (x < tLo) tLo = x, pinLo = 3 * t + c;
            if (x > tHi) tHi = x, pinHi = 3 * t + c;
        }
    if (point[pinLo] == point[pinHi]) return false;

    const std::vector<float> angles = abf ? optimisedAngles(m, compTris, point, n) : std::vector<float>();
    if (UTgetInterrupt()->interrupted()) return false;

    SolverContext solver;
    if (!solver.context) return false;
    configureUnwrapSolver(n, UNWRAP_DIRECT);
    nlBegin(NL_SYSTEM);
    for (int pin : {pinLo, pinHi}) {
        const int k = point[pin];
        const auto &p = m.pos[m.tris[pin / 3][pin % 3]];
        nlSetVariable(NLuint(2 * k), p[axis]);
        nlSetVariable(NLuint(2 * k + 1), p[other]);
        nlLockVariable(NLuint(2 * k));
        nlLockVariable(NLuint(2 * k + 1));
    }
    nlBegin(NL_MATRIX);
    const int corners[3] = {0, 1, 2};
    for (std::size_t i = 0; i < compTris.size(); ++i) {
        const int t = compTris[i];
        const ConformalRows r = angles.empty() ? m.rows[t] : conformalRowsOfAngles(&angles[3 * i], corners);
        // The rows name vertex v by variables 2v, 2v + 1; the corner they
        // stand for is found by the vertex among the triangle's corners.
        int corner[3];
        for (int i = 0; i < 3; ++i) corner[i] = 3 * t + r.corner[i];
        for (int row = 0; row < 2; ++row) {
            nlBegin(NL_ROW);
            for (int i = 0; i < 5; ++i) {
                const int var = r.index[row][i];
                const int slot = i < 2 ? 0 : (i < 4 ? 1 : 2);
                const int k = point[corner[slot]];
                nlCoefficient(NLuint(2 * k + (var & 1)), r.value[row][i]);
            }
            nlEnd(NL_ROW);
        }
    }
    nlEnd(NL_MATRIX);
    nlEnd(NL_SYSTEM);
    nlSetProgressFunction(solveProgress, nullptr);
    if (nlSolve() != NL_TRUE || !solutionIsFinite(n) || UTgetInterrupt()->interrupted()) return false;
    for (int t : compTris)
        for (int c = 0; c < 3; ++c) {
            const int k = point[3 * t + c];
            uv[3 * t + c] = {nlGetVariable(NLuint(2 * k)), nlGetVariable(NLuint(2 * k + 1))};
        }
    return true;
}
