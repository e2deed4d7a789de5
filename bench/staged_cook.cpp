// The node's cook replayed stage by stage, so that each stage can be timed
// without touching the node: the same host calls in the same order, and
// the node's own public steps where they depend on nothing private. The
// piece's numbering, pins, rows and write-back are restated here (the
// node keeps their state private) with the same arithmetic.
#include "flatten/solver_setup.h"
#include "bench.h"

#include "node/SOP_Flatskin.h"
#include "nl_context.h"

#include <GEO/GEO_Closure.h>
#include <GEO/GEO_PointClassifier.h>
#include <GEO/GEO_PrimClassifier.h>
#include <OP/OP_Network.h>
#include <OP/OP_Operator.h>

#include <cmath>
#include <map>
#include <nl.h>

namespace bench {

namespace {

// The two rows of one triangle, as the node's conformal_rows.cpp writes
// them: the largest sine on corner 2.
void triangleRows(const GEO_Primitive &tri, int pt_off) {
    float a[3];
    SOP_Flatskin::cornerAngles(tri, a[0], a[1], a[2]);
    float s[3];
    for (int i = 0; i < 3; ++i) s[i] = static_cast<float>(std::sin(a[i]));
    int c[3] = {0, 1, 2};
    if (s[2] >= s[0] && s[2] >= s[1]) {
    } else if (s[0] >= s[1]) {
        c[0] = 1;
        c[1] = 2;
        c[2] = 0;
    } else {
        c[0] = 2;
        c[1] = 0;
        c[2] = 1;
    }
    const float r = (s[c[2]] == 0.0f) ? 1.0f : s[c[1]] / s[c[2]];
    const float Cr = static_cast<float>(std::cos(a[c[0]])) * r;
    const float Sr = s[c[0]] * r;
    int k[3];
    for (int i = 0; i < 3; ++i) k[i] = tri.getVertex(c[i]).getPt()->getValue<int>(pt_off);
    const auto row = [](std::initializer_list<std::pair<int, double>> terms) {
        nlBegin(NL_ROW);
        for (const auto &[i, v] : terms) nlCoefficient(NLuint(i), v);
        nlEnd(NL_ROW);
    };
    row({{2 * k[0], double(Cr) - 1.0}, {2 * k[0] + 1, -Sr}, {2 * k[1], -Cr}, {2 * k[1] + 1, Sr}, {2 * k[2], 1.0}});
    row({{2 * k[0], Sr}, {2 * k[0] + 1, double(Cr) - 1.0}, {2 * k[1], -Sr}, {2 * k[1] + 1, -Cr}, {2 * k[2] + 1, 1.0}});
}

// The default pins of flatten/default_pins.cpp: the piece points at both
// ends of its longest extent; every point starts at its projection.
// Returns the two pinned solver indices.
std::pair<int, int> defaultPins(const GU_Detail &work, const GB_PointGroup *group, int pt_off) {
    const GEO_PointList &pts = work.points();
    double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
    for (const GEO_Point *p = pts.rawHead(group); p; p = pts.rawNext(p, group))
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], double(p->getPos()(a)));
            hi[a] = std::max(hi[a], double(p->getPos()(a)));
        }
    const double extent[3] = {hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]};
    int order[3] = {0, 1, 2};
    auto before = [&](int a, int b) { return extent[a] > extent[b] || (extent[a] == extent[b] && a > b); };
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            if (before(order[j], order[i])) std::swap(order[i], order[j]);
    const UT_Matrix3 m = SOP_Flatskin::pinTransform(0.0f);
    double tmin = 1e30, tmax = -1e30;
    int klow = -1, khigh = -1;
    for (const GEO_Point *p = pts.rawHead(group); p; p = pts.rawNext(p, group)) {
        double t = p->getPos()(order[0]), w = p->getPos()(order[1]);
        const int k = p->getValue<int>(pt_off);
        if (t < tmin) {
            tmin = t;
            klow = k;
        }
        if (t > tmax) {
            tmax = t;
            khigh = k;
        }
        SOP_Flatskin::applyPinTransform(t, w, m);
        nlSetVariable(NLuint(2 * k), t);
        nlSetVariable(NLuint(2 * k + 1), w);
    }
    if (klow < 0 || khigh < 0) return {-1, -1};
    for (int k : {klow, khigh}) {
        nlLockVariable(NLuint(2 * k));
        nlLockVariable(NLuint(2 * k + 1));
    }
    return {klow, khigh};
}

}  // namespace

Stages stagedCook(const GU_Detail &input, const std::string &seams, unsigned solver, bool solve, Piece *piece,
                  int maxIterations) {
    Stages st;
    // Details first, so that they outlive the node and its group records.
    GU_Detail out, work;
    OP_Operator op("flatskin", "Flatskin", SOP_Flatskin::myConstructor, SOP_Flatskin::myTemplateList, 1, 1);
    OP_Network net(nullptr, "obj", nullptr);
    auto *node = static_cast<SOP_Flatskin *>(net.createNode(&op, "flatskin1"));
    node->setString("seams", 0, seams.c_str());

    double t = nowMs();
    out.merge(input, nullptr, 1, 0, nullptr, false);
    st.copy = nowMs() - t;

    t = nowMs();
    work.merge(out, nullptr, 1, 0, nullptr, true);
    node->addBookkeeping(work);
    st.work = nowMs() - t;

    t = nowMs();
    {
        GQ_Detail view(&work, nullptr, 1e-6f);
        node->seamStep(work, view, true);
    }
    st.seams = nowMs() - t;

    t = nowMs();
    GEO_PointClassifier points;
    points.classifyPoints(work);
    GEO_PrimClassifier pieces;
    pieces.classifyBySharedPoints(work, points, nullptr);
    GB_PrimitiveGroup *prims = work.newPrimitiveGroup("benchpiece", true);
    const int cls = work.primitives().entries() ? pieces.getClass(0) : -1;
    for (int i = 0; i < work.primitives().entries(); ++i)
        if (pieces.getClass(i) == cls) prims->add(i);
    GEO_Closure closure(work);
    GB_PointGroup *piecePoints = closure.getPointClosure(*prims);
    const int pt_off = work.pointAttribs().append("ptN", 4, GB_ATTRIB_INT, nullptr);
    int n = 0;
    const GEO_PointList &pts = work.points();
    for (GEO_Point *p = pts.rawHead(piecePoints); p; p = pts.rawNext(p, piecePoints)) p->setValue<int>(pt_off, n++);
    st.piece = nowMs() - t;

    t = nowMs();
    work.convex(3, nullptr);
    st.triangulate = nowMs() - t;
    st.triangles = prims->entries();

    if (n == 0) return st;
    t = nowMs();
    NLcontext ctx = nlNewContext();
    configureUnwrapSolver(n, solver == NL_CHOLMOD_EXT  ? UNWRAP_DIRECT
                             : solver == NL_CG_AMG_EXT ? UNWRAP_MULTIGRID
                                                       : UNWRAP_CG);
    if (maxIterations > 0) nlSolverParameteri(NL_MAX_ITERATIONS, maxIterations);
    nlBegin(NL_SYSTEM);
    const auto [pinA, pinB] = defaultPins(work, piecePoints, pt_off);
    nlBegin(NL_MATRIX);
    const GEO_PrimList &list = work.primitives();
    for (const GEO_Primitive *p = list.rawHead(prims); p; p = list.rawNext(p, prims))
        if (p->getVertexCount() >= 3) triangleRows(*p, pt_off);
    nlEnd(NL_MATRIX);
    nlEnd(NL_SYSTEM);
    st.rows = nowMs() - t;
    const nl::CsrMatrix &normal = static_cast<nl::Context *>(ctx)->normal;
    st.variables = 2L * n;
    st.freeVariables = long(normal.n);
    st.nonzeros = long(normal.col.size());

    if (piece) {
        std::map<int, int> number;  // solver index -> piece vertex
        for (const GEO_Point *p = pts.rawHead(piecePoints); p; p = pts.rawNext(p, piecePoints)) {
            number[p->getValue<int>(pt_off)] = int(piece->pos.size());
            const UT_Vector4 &q = p->getPos();
            piece->pos.push_back({q(0), q(1), q(2)});
        }
        for (const GEO_Primitive *p = list.rawHead(prims); p; p = list.rawNext(p, prims)) {
            if (p->getVertexCount() != 3) continue;
            std::array<int, 3> tri;
            for (unsigned i = 0; i < 3; ++i) tri[i] = number[p->getVertex(i).getPt()->getValue<int>(pt_off)];
            piece->tris.push_back(tri);
        }
        piece->pinA = pinA < 0 ? -1 : number[pinA];
        piece->pinB = pinB < 0 ? -1 : number[pinB];
    }
    if (!solve) {
        nlDeleteContext(ctx);
        return st;
    }

    t = nowMs();
    st.solved = nlSolve() == NL_TRUE;
    st.solve = nowMs() - t;
    nlGetIntegerv(NL_USED_ITERATIONS, &st.iterations);
    nlGetDoublev(NL_ERROR, &st.error);

    if (st.solved) {
        // The write-back of output/write_uvs.cpp without a range.
        t = nowMs();
        const float zero[3] = {0, 0, 0};
        const int uv_off = out.vertexAttribs().append("uv", 12, GB_ATTRIB_FLOAT, zero);
        const int prim_off = work.primitiveAttribs().getOffset("primN", 4, GB_ATTRIB_INT);
        const int vtx_off = work.vertexAttribs().getOffset("vtxN", 4, GB_ATTRIB_INT);
        for (const GEO_Primitive *p = list.rawHead(prims); p; p = list.rawNext(p, prims)) {
            GEO_Primitive *target = out.primitives()(p->getValue<int>(prim_off));
            if (!target) continue;
            for (unsigned j = 0; j < p->getVertexCount(); ++j) {
                const GEO_Vertex &w = p->getVertex(j);
                const int k = w.getPt()->getValue<int>(pt_off);
                GEO_Vertex &v = target->getVertex(unsigned(w.getValue<int>(vtx_off)));
                v.setValue<float>(uv_off, float(nlGetVariable(NLuint(2 * k)) - 1.0), 0);
                v.setValue<float>(uv_off, float(nlGetVariable(NLuint(2 * k + 1))), 1);
            }
        }
        st.write = nowMs() - t;
    }
    nlDeleteContext(ctx);
    return st;
}

}  // namespace bench
