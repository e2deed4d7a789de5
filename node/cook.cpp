// The cook: copy the input, make the work mesh, cut, select, number,
// triangulate, solve, write back and colour, then clean up. Each step is an
// operation of its own, nested in the cook's, so that a front end can tell
// where time and memory go (UT_Interrupt::setOpListener()).
#include "SOP_Flatskin.h"
#include "flatten/solver_setup.h"
#include <GEO/GEO_Closure.h>
#include <GU/GU_PrimGroup.h>
#include <UT/UT_Interrupt.h>
#include <cmath>
#include <memory>
#include <nl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>

/// What one cook owns. Released in this order: the solver context, the
/// work mesh with its ad-hoc groups, closure and quad-edge view (released
/// early, before the solve, once the write-back targets are read), then
/// the output's ad-hoc groups and closure. The destructor does the same
/// when a step throws, so nothing outlives the cook.
struct SOP_Flatskin::CookResources {
    SOP_Flatskin &node;
    GU_Detail &out;
    std::unique_ptr<GU_Detail> work;
    std::unique_ptr<GQ_Detail> view;
    std::unique_ptr<GEO_Closure> workClosure, outClosure;
    NLcontext solver = nullptr;

    CookResources(SOP_Flatskin &n, GU_Detail &o) : node(n), out(o) {}
    ~CookResources() { release(); }
    /// The work mesh and what was made on it: its ad-hoc groups, its
    /// closure and the quad-edge view.
    void releaseWork() {
        if (work) node.myGroupManager.destroyAdhocGroups(work.get());
        workClosure.reset();
        view.reset();
        work.reset();
        node.myWorkPiece = nullptr;
        node.myWorkPiecePoints = nullptr;
    }
    void release() {
        if (solver) {
            nlDeleteContext(solver);
            solver = nullptr;
        }
        releaseWork();
        node.myGroupManager.destroyAdhocGroups(&out);
        outClosure.reset();
        node.myWorkPiece = node.myOutPiece = nullptr;
        node.myWorkPiecePoints = node.myOutPiecePoints = nullptr;
        node.mySeamEdges = nullptr;
        node.myGroup = nullptr;
    }
};

/// A work mesh of at least this many primitives is worth handing back
/// after it is freed: the hand-back walks the whole heap (0.6 ms on a
/// 562-triangle cook, a few ms at 5k triangles).
constexpr int kTrimAfterPrimitives = 100000;

/// Hands the heap's free pages back to the system. The solver's largest
/// blocks come from fresh mappings, so pages the heap keeps for reuse after
/// the work mesh is gone would only add to the peak.
static void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

/// Progress of the solve for the interrupt object: the residual falls from
/// about 1 to the threshold 1e-10, so its logarithm tells how far along the
/// solve is. Answers NL_FALSE when the user asked to stop.
static NLboolean solveProgress(NLuint iteration, NLuint max_iterations, NLdouble error, void *) {
    double done = (max_iterations == 1) ? double(iteration) : (error > 0.0 ? -std::log10(error) / 10.0 : 1.0);
    done = done < 0.0 ? 0.0 : (done > 1.0 ? 1.0 : done);
    return UTgetInterrupt()->opInterrupt(20 + static_cast<int>(75.0 * done)) ? NL_FALSE : NL_TRUE;
}

/// Routes the solver library's messages into the node's own messages
/// while the cook runs, so that the library prints nothing itself; puts
/// back the message function that was set before.
class SolverMessages {
public:
    explicit SolverMessages(SOP_Flatskin &node) {
        nlGetMessageFunction(&myPrevious, &myPreviousData);
        nlSetMessageFunction(relay, &node);
    }
    ~SolverMessages() { nlSetMessageFunction(myPrevious, myPreviousData); }
    SolverMessages(const SolverMessages &) = delete;
    SolverMessages &operator=(const SolverMessages &) = delete;

private:
    // Called from inside the library: nothing may be thrown back into it,
    // so a message that cannot be stored is dropped.
    static void relay(const char *function, const char *reason, void *node) noexcept {
        try {
            std::string text = std::string("Solver: ") + function + "(): " + reason;
            static_cast<SOP_Flatskin *>(node)->addMessage(SOP_MESSAGE, text.c_str());
        } catch (...) {}
    }
    NLmessageFunc myPrevious = nullptr;
    void *myPreviousData = nullptr;
};

static bool allPolygons(const GU_Detail &gdp) {
    for (const auto &p : gdp.primitives())
        if (p->getPrimitiveId() != GEOPRIMPOLY) return false;
    return true;
}

OP_ERROR SOP_Flatskin::cookMySop(OP_Context &context) {
    myTime = context.getTime();
    if (lockInputs(context) >= UT_ERROR_ABORT) return error();
    // An early exit leaves the copy of the input, without the groups that
    // parsing made on it.
    auto leave = [&]() {
        myGroupManager.destroyAdhocGroups(gdp);
        myGroup = nullptr;
        unlockInputs();
        return error();
    };
    // The cook's operation begins before the copy, so that the copy is one
    // of its steps; nothing polls for an interruption before the first step
    // after it.
    // Its steps are nested operations: they neither report progress nor
    // clear an interruption, so they change nothing in how the cook stops.
    UT_AutoInterrupt scope("Unwrapping");
    {
        UT_AutoInterrupt step("copy");
        duplicateSource(0, context, gdp, 1);
        if (error() >= UT_ERROR_ABORT || cookInputGroups(context, 0) >= UT_ERROR_ABORT) return leave();
        if (!allPolygons(*gdp)) {
            addError(SOP_ERR_INVALID_SRC, "I only deal with polygons, sorry");
            return leave();
        }
    }

    SolverMessages solver_messages(*this);  // outlives the solver context
    CookResources res(*this, *gdp);
    auto interrupted = [&](int percent) {
        if (!UTgetInterrupt()->opInterrupt(percent)) return false;
        addError(SOP_ERR_INVALID_SRC, "Cook interrupted");
        return true;
    };
    if (!unwrap(res, interrupted)) {
        res.release();
        return leave();
    }
    res.release();
    unlockInputs();
    return error();
}

bool SOP_Flatskin::unwrap(CookResources &res, const std::function<bool(int)> &interrupted) {
    {
        UT_AutoInterrupt step("work mesh");
        res.work = std::make_unique<GU_Detail>();
        res.work->merge(*gdp, nullptr, 1, 0, nullptr, true);
        addBookkeeping(*res.work);
    }
    GU_Detail &work = *res.work;
    if (interrupted(2)) return false;
    {
        UT_AutoInterrupt step("seams");
        res.view = std::make_unique<GQ_Detail>(&work, nullptr, 1e-6f);
        seamStep(work, *res.view, true);
        // The view serves the cut alone, and triangulation would leave it
        // stale: its memory goes back before the solve needs it.
        res.view.reset();
    }
    {
        UT_AutoInterrupt step("piece");
        selectPiece(work, *gdp);
        if (evalInt("outgroup", 0, 0)) makeOutputGroup(work);
    }
    if (interrupted(5)) return false;

    {
        UT_AutoInterrupt step("numbering");
        res.workClosure = std::make_unique<GEO_Closure>(work);
        myWorkPiecePoints = res.workClosure->getPointClosure(*myWorkPiece);
        numberPiecePoints(work);
    }
    {
        UT_AutoInterrupt step("triangulation");
        work.convex(3, nullptr);
        warnUnlessDisk(work);
    }
    myPointCount = myWorkPiecePoints->entries();
    if (interrupted(10)) return false;

    if (myPointCount == 0) {
        // The solver cannot hold a system of no variables.
        addWarning(SOP_MESSAGE, "Nothing to unwrap: the piece has no points");
        return true;
    }
    {
        UT_AutoInterrupt step("output points");
        res.outClosure = std::make_unique<GEO_Closure>(*gdp);
        myOutPiecePoints = res.outClosure->getPointClosure(*myOutPiece);
    }
    res.solver = nlNewContext();
    std::vector<int> targets;
    bool solved = solve(work, [&] {
        // From here on the layout goes to the output through the targets:
        // the work mesh's memory goes back before the rows and the solver
        // need theirs.
        targets = uvTargets(*gdp, work);
        const int freed = work.primitives().entries();
        res.releaseWork();
        if (freed >= kTrimAfterPrimitives) returnFreedMemory();
    });
    if (UTgetInterrupt()->interrupted()) {
        interrupted(-1);
        return false;
    }
    if (!solved) {
        addWarning(SOP_MESSAGE, "No solution for unwrapper, check pins have valid uvs");
        return true;
    }
    {
        UT_AutoInterrupt step("write-back");
        writeUVs(*gdp, targets);
    }
    const bool stretch = evalInt("vizstretch", 0, 0) != 0, seams = evalInt("seamcode", 0, 0) != 0;
    if (stretch || seams) {
        UT_AutoInterrupt step("colours");
        if (stretch) colourStretch(*gdp);
        if (seams) colourSeams(*gdp);
    }
    return true;
}

bool SOP_Flatskin::solve(GU_Detail &work, const std::function<void()> &beforeRows) {
    // Pins, rows and write-back all read every point's solver index.
    if (myPtNOffset < 0) return false;
    PieceTriangles tris;
    {
        UT_AutoInterrupt step("corners");
        tris = pieceTriangles(work);
    }
    // "abfpp" feeds the rows optimised angles instead of the surface's.
    if (evalInt("angles", 0, 0) == 1) {
        UT_AutoInterrupt step("angles");
        if (!optimiseAngles(work, tris)) return false;
    }
    {
        UT_AutoInterrupt step("rows");
        // "direct" factors the same normal equations instead of iterating.
        configureUnwrapSolver(myPointCount, evalInt("solver", 0, 0));
        nlBegin(NL_SYSTEM);
        if (!tris.order.empty()) {
            // The angles' factorisation ordered these points already.
            std::vector<NLuint> variables;
            variables.reserve(2 * tris.order.size());
            for (int k : tris.order) variables.insert(variables.end(), {NLuint(2 * k), NLuint(2 * k + 1)});
            nlSetEliminationOrder(variables.data());
        }
        setupPins(*gdp, work);
        beforeRows();
        nlBegin(NL_MATRIX);
        addConformalRows(tris);
        if (UTgetInterrupt()->interrupted()) return false;
        tris = PieceTriangles();  // the rows hold what the solve needs
        nlEnd(NL_MATRIX);
        nlEnd(NL_SYSTEM);
    }
    UT_AutoInterrupt step("solve");
    nlSetProgressFunction(solveProgress, nullptr);
    const bool solved = nlSolve() == NL_TRUE;
    NLint used = 0;
    nlGetIntegerv(NL_USED_ITERATIONS, &used);
    NLdouble residual = 0;
    nlGetDoublev(NL_ERROR, &residual);
    UTgetInterrupt()->opNote("iterations", double(used));
    UTgetInterrupt()->opNote("residual", residual);
    return solved && solutionIsFinite(myPointCount);
}

void SOP_Flatskin::makeOutputGroup(GU_Detail &work) {
    UT_String name;
    evalString(name, "groupname", 0, 0);
    GB_PrimitiveGroup *adhoc = myGroupManager.createPrimitiveGroup(*gdp, name);
    const GEO_PrimList &prims = work.primitives();
    for (const GEO_Primitive *p = prims.rawHead(myWorkPiece); p; p = prims.rawNext(p, myWorkPiece))
        adhoc->add(gdp->primitives()(p->getNum()));
    GU_PrimGroup groups(gdp);
    GB_PrimitiveGroup *named = groups.newGroup(name);
    if (!named) {
        UT_String msg("No output group made, not a valid group name: \"");
        msg += name;
        msg += "\"";
        addWarning(SOP_MESSAGE, msg);
        return;
    }
    gdp->primitiveGroups().assignEqual(named, adhoc);
}
