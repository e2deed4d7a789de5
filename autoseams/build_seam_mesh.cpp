// The flat arrays of the seam search: polygons, their edge graph, components,
// crease-weighted edge costs and the triangulation with its conformal rows.
#include "seam_mesh.h"
#include <GU/GU_Detail.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <unordered_map>

namespace {

std::uint64_t edgeKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return (std::uint64_t(std::uint32_t(a)) << 32) | std::uint32_t(b);
}

int findRoot(std::vector<int> &parent, int x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
}

/// Newell normal (unit, or zero when degenerate) and centroid of polygon f.
void polyFrame(const SeamMesh &m, int f, double n[3], double c[3]) {
    n[0] = n[1] = n[2] = c[0] = c[1] = c[2] = 0;
    const int s = m.polyStart[f], e = m.polyStart[f + 1];
    for (int i = s; i < e; ++i) {
        const auto &p = m.pos[m.polyVerts[i]];
        const auto &q = m.pos[m.polyVerts[i + 1 < e ? i + 1 : s]];
        n[0] += (p[1] - q[1]) * (p[2] + q[2]);
        n[1] += (p[2] - q[2]) * (p[0] + q[0]);
        n[2] += (p[0] - q[0]) * (p[1] + q[1]);
        for (int k = 0; k < 3; ++k) c[k] += p[k] / (e - s);
    }
    const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int k = 0; k < 3; ++k) n[k] = l > 0 ? n[k] / l : 0;
}

/// Reads the closed polygons of group into vertices and polygons.
void readPolygons(const GU_Detail &gdp, const GB_PrimitiveGroup *group, SeamMesh &m) {
    std::vector<int> compact(gdp.points().entries(), -1);
    m.polyStart.push_back(0);
    std::vector<int> ring;
    for (const auto &prim : gdp.primitives()) {
        if (group && !group->contains(prim.get())) continue;
        if (prim->getPrimitiveId() != GEOPRIMPOLY) continue;
        if (!static_cast<const GEO_PrimPoly &>(*prim).isClosed()) {
            ++m.skippedPolys;
            continue;
        }
        ring.clear();
        for (const GEO_Vertex &v : prim->vertices()) {
            const int p = v.getPt()->getNum();
            if (ring.empty() || ring.back() != p) ring.push_back(p);
        }
        while (ring.size() > 1 && ring.back() == ring.front()) ring.pop_back();
        if (ring.size() < 3) {
            ++m.skippedPolys;
            continue;
        }
        for (int p : ring) {
            if (compact[p] < 0) {
                compact[p] = m.vertexCount();
                const UT_Vector4 &x = gdp.points()(p)->getPos();
                m.pos.push_back({double(x(0)), double(x(1)), double(x(2))});
                m.pointNum.push_back(p);
            }
            m.polyVerts.push_back(compact[p]);
        }
        m.polyStart.push_back(static_cast<int>(m.polyVerts.size()));
        m.polyPrim.push_back(prim->getNum());
    }
}

/// The undirected edges with their polygons and kinds, and the edges
/// around each vertex.
void buildEdges(SeamMesh &m, std::unordered_map<std::uint64_t, int> &edgeOf) {
    const int nf = static_cast<int>(m.polyPrim.size());
    std::vector<int> uses, firstFrom;
    std::vector<char> sameDir;
    edgeOf.reserve(m.polyVerts.size());
    for (int f = 0; f < nf; ++f) {
        const int s = m.polyStart[f], e = m.polyStart[f + 1];
        for (int i = s; i < e; ++i) {
            const int a = m.polyVerts[i], b = m.polyVerts[i + 1 < e ? i + 1 : s];
            auto [it, added] = edgeOf.try_emplace(edgeKey(a, b), m.edgeCount());
            const int id = it->second;
            if (added) {
                m.edgeVerts.push_back({a, b});
                m.edgeFaces.push_back({f, -1});
                uses.push_back(1);
                firstFrom.push_back(a);
                sameDir.push_back(0);
                continue;
            }
            if (++uses[id] == 2) m.edgeFaces[id][1] = f;
            if (firstFrom[id] == a || m.edgeFaces[id][0] == f) sameDir[id] = 1;
        }
    }
    m.edgeKind.resize(m.edgeCount());
    for (int e = 0; e < m.edgeCount(); ++e) {
        m.edgeKind[e] = uses[e] == 1                    ? EdgeKind::Boundary
                        : (uses[e] == 2 && !sameDir[e]) ? EdgeKind::Interior
                                                        : EdgeKind::Singular;
        if (m.edgeKind[e] == EdgeKind::Singular) ++m.singularEdges;
    }
    m.vertEdgeStart.assign(m.vertexCount() + 1, 0);
    for (const auto &ev : m.edgeVerts) ++m.vertEdgeStart[ev[0] + 1], ++m.vertEdgeStart[ev[1] + 1];
    std::partial_sum(m.vertEdgeStart.begin(), m.vertEdgeStart.end(), m.vertEdgeStart.begin());
    m.vertEdges.resize(m.vertEdgeStart.back());
    std::vector<int> fill(m.vertEdgeStart.begin(), m.vertEdgeStart.end() - 1);
    for (int e = 0; e < m.edgeCount(); ++e)
        for (int v : m.edgeVerts[e]) m.vertEdges[fill[v]++] = e;
}

/// Components by union of polygons across interior edges; counts vertices
/// that polygons of several components share.
void findComponents(SeamMesh &m) {
    const int nf = static_cast<int>(m.polyPrim.size());
    std::vector<int> parent(nf);
    std::iota(parent.begin(), parent.end(), 0);
    for (int e = 0; e < m.edgeCount(); ++e)
        if (m.edgeKind[e] == EdgeKind::Interior)
            parent[findRoot(parent, m.edgeFaces[e][0])] = findRoot(parent, m.edgeFaces[e][1]);
    std::vector<int> label(nf, -1);
    m.polyComponent.resize(nf);
    for (int f = 0; f < nf; ++f) {
        int &l = label[findRoot(parent, f)];
        if (l < 0) l = m.components++;
        m.polyComponent[f] = l;
    }
    std::vector<int> seen(m.vertexCount(), -1);
    std::vector<char> counted(m.vertexCount(), 0);
    for (int f = 0; f < nf; ++f)
        for (int i = m.polyStart[f]; i < m.polyStart[f + 1]; ++i) {
            const int v = m.polyVerts[i];
            if (seen[v] < 0)
                seen[v] = m.polyComponent[f];
            else if (seen[v] != m.polyComponent[f] && !counted[v])
                counted[v] = 1, ++m.nonManifoldPoints;
        }
}

/// Edge cost: its length, down to 40% across a sharp valley and 70% across
/// a sharp ridge, so that seams follow creases where that is about as short.
void weighEdges(SeamMesh &m) {
    const int nf = static_cast<int>(m.polyPrim.size());
    std::vector<std::array<double, 6>> frame(nf);
    for (int f = 0; f < nf; ++f) polyFrame(m, f, frame[f].data(), frame[f].data() + 3);
    m.edgeWeight.resize(m.edgeCount());
    for (int e = 0; e < m.edgeCount(); ++e) {
        const auto &a = m.pos[m.edgeVerts[e][0]], &b = m.pos[m.edgeVerts[e][1]];
        const double len =
            std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
        double factor = 1.0;
        if (m.edgeKind[e] == EdgeKind::Interior) {
            const double *n0 = frame[m.edgeFaces[e][0]].data(), *n1 = frame[m.edgeFaces[e][1]].data();
            const double *c0 = n0 + 3, *c1 = n1 + 3;
            const double cosine = std::clamp(n0[0] * n1[0] + n0[1] * n1[1] + n0[2] * n1[2], -1.0, 1.0);
            const double bend = std::min(1.0, std::acos(cosine) / (M_PI / 3));
            const double towards = (c1[0] - c0[0]) * n0[0] + (c1[1] - c0[1]) * n0[1] + (c1[2] - c0[2]) * n0[2];
            factor = 1.0 - (towards > 0 ? 0.6 : 0.3) * bend;
        }
        m.edgeWeight[e] = len * factor;
    }
}

/// Triangulates on a private copy, keeps the conformal rows of every
/// triangle and glues the triangle sides to one another.
void triangulate(SeamMesh &m, const std::unordered_map<std::uint64_t, int> &edgeOf) {
    GU_Detail work;
    const int ptN = work.addPointAttrib("ptN", 4, GB_ATTRIB_INT, nullptr);
    const int polyN = work.addPrimAttrib("polyN", 4, GB_ATTRIB_INT, nullptr);
    for (int v = 0; v < m.vertexCount(); ++v) {
        GEO_Point *p = work.appendPoint(UT_Vector4(float(m.pos[v][0]), float(m.pos[v][1]), float(m.pos[v][2]), 1));
        p->setValue<int>(ptN, v);
    }
    const int nf = static_cast<int>(m.polyPrim.size());
    for (int f = 0; f < nf; ++f) {
        GEO_PrimPoly *p = work.appendPoly(&m.polyVerts[m.polyStart[f]], m.polyStart[f + 1] - m.polyStart[f]);
        p->setValue<int>(polyN, f);
    }
    work.convex(3, nullptr);
    for (const auto &prim : work.primitives()) {
        if (prim->getVertexCount() != 3) continue;
        std::array<int, 3> t;
        for (int c = 0; c < 3; ++c) t[c] = prim->getVertex(c).getPt()->getNum();
        m.tris.push_back(t);
        m.triPoly.push_back(prim->getValue<int>(polyN));
        m.rows.push_back(conformalRows(*prim, ptN));
    }
    // A side is a polygon edge when its two corners follow one another in
    // the source polygon; otherwise it is a diagonal inside the polygon.
    const int nt = m.triCount();
    m.sideEdge.assign(3 * nt, -1);
    m.sideOpp.assign(3 * nt, -1);
    auto polygonEdge = [&](int f, int a, int b) {
        const auto it = edgeOf.find(edgeKey(a, b));
        if (it == edgeOf.end()) return -1;
        const int e = it->second;
        if (m.edgeFaces[e][0] == f || m.edgeFaces[e][1] == f) return e;
        if (m.edgeKind[e] != EdgeKind::Singular) return -1;
        // A third user of the edge is not recorded: look in the polygon.
        const int s = m.polyStart[f], n = m.polyStart[f + 1] - s;
        for (int i = 0; i < n; ++i) {
            const int here = m.polyVerts[s + i], next = m.polyVerts[s + (i + 1) % n];
            if ((here == a && next == b) || (here == b && next == a)) return e;
        }
        return -1;
    };
    std::unordered_map<std::uint64_t, int> firstSide;
    firstSide.reserve(3 * nt);
    for (int t = 0; t < nt; ++t) {
        const int f = m.triPoly[t];
        for (int c = 0; c < 3; ++c) {
            const int a = m.tris[t][c], b = m.tris[t][(c + 1) % 3];
            m.sideEdge[3 * t + c] = polygonEdge(f, a, b);
            const int side = 3 * t + c;
            const int edge = m.sideEdge[side];
            if (edge >= 0 && m.edgeKind[edge] != EdgeKind::Interior) continue;
            // Diagonals pair within their polygon, polygon edges across theirs.
            const std::uint64_t key = edgeKey(a, b) ^ (edge < 0 ? std::uint64_t(f) * 0x9E3779B97F4A7C15ull : 0);
            auto [it, added] = firstSide.try_emplace(key, side);
            if (added) continue;
            const int other = it->second;
            if (other < 0) continue;
            const int ot = other / 3, oc = other % 3;
            const bool opposite = m.tris[ot][oc] == b && m.tris[ot][(oc + 1) % 3] == a;
            if (opposite && m.sideOpp[other] < 0 && (m.sideEdge[other] < 0) == (edge < 0)) {
                m.sideOpp[other] = side;
                m.sideOpp[side] = other;
            }
            it->second = -1;  // a third side with the key glues to none
        }
    }
}

}  // namespace

void buildSeamMesh(const GU_Detail &gdp, const GB_PrimitiveGroup *group, SeamMesh &mesh) {
    mesh = SeamMesh();
    readPolygons(gdp, group, mesh);
    std::unordered_map<std::uint64_t, int> edgeOf;
    buildEdges(mesh, edgeOf);
    findComponents(mesh);
    weighEdges(mesh);
    triangulate(mesh, edgeOf);
}
