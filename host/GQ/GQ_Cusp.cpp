#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>
#include "GQ_Detail.h"
#include "GU/GU_Detail.h"

// Cutting the surface open along a group of edges (GQ_Detail::cusp).
//
// All fans are worked out on the uncut geometry first, and only then are
// vertices moved, so every point's fans are judged on the edges as the
// group names them, whatever the order in which points are taken.

namespace {

/// One polygon corner on a point being split.
struct Corner {
    GEO_PrimPoly *poly;
    int vtx;
};

/// The corners of every point to split, grouped by point.
struct CornerTable {
    std::vector<int> points;  // the points, ascending
    std::vector<int> start;   // corners of points[k]: [start[k], start[k + 1])
    std::vector<Corner> corners;
};

/// Whether cuts names an edge that the view has between a and b.
bool isCutEdge(const GB_EdgeGroup &cuts, int a, int b) { return a != b && cuts.contains(a, b); }

/// Marks (by point number) the ends of the cut edges that the view holds.
std::vector<char> markCutPoints(const GB_EdgeGroup &cuts, int npoints, GQ_Detail &view) {
    std::vector<char> marked(static_cast<size_t>(npoints), 0);
    for (const GB_Edge &e : cuts.edges()) {
        const int a = e.p0Num(), b = e.p1Num();
        if (a < 0 || b < 0 || a >= npoints || b >= npoints || !view.findEdge(a, b)) continue;
        marked[a] = marked[b] = 1;
    }
    return marked;
}

/// Gathers the corners of the marked points over the view's polygons, in
/// polygon order (a counting sort by point).
CornerTable collectCorners(const std::vector<GQ_Face> &faces, const std::vector<char> &marked) {
    std::vector<GEO_PrimPoly *> polys;
    polys.reserve(faces.size());
    for (const GQ_Face &f : faces) polys.push_back(static_cast<GEO_PrimPoly *>(f.getPrim()));
    CornerTable t;
    std::vector<int> slot(marked.size(), -1);
    for (size_t p = 0; p < marked.size(); ++p)
        if (marked[p]) {
            slot[p] = static_cast<int>(t.points.size());
            t.points.push_back(static_cast<int>(p));
        }
    t.start.assign(t.points.size() + 1, 0);
    for (GEO_PrimPoly *poly : polys)
        for (const GEO_Vertex &v : poly->vertices())
            if (slot[v.getPt()->getNum()] >= 0) ++t.start[slot[v.getPt()->getNum()] + 1];
    std::partial_sum(t.start.begin(), t.start.end(), t.start.begin());
    t.corners.resize(static_cast<size_t>(t.start.back()));
    std::vector<int> fill(t.start.begin(), t.start.end() - 1);
    for (GEO_PrimPoly *poly : polys)
        for (int i = 0, n = static_cast<int>(poly->getVertexCount()); i < n; ++i) {
            const int s = slot[poly->getVertex(i).getPt()->getNum()];
            if (s >= 0) t.corners[fill[s]++] = {poly, i};
        }
    return t;
}

/// Union-find over the corners of one point.
struct Fans {
    std::vector<int> parent;
    void reset(size_t n) {
        parent.resize(n);
        std::iota(parent.begin(), parent.end(), 0);
    }
    int root(int a) {
        while (parent[a] != a) a = parent[a] = parent[parent[a]];
        return a;
    }
    void join(int a, int b) {
        a = root(a);
        b = root(b);
        if (a != b) parent[std::max(a, b)] = std::min(a, b);
    }
};

/// The points next to corner c along its polygon's edges (-1 where an open
/// polygon ends).
std::pair<int, int> neighbours(const Corner &c) {
    const int n = static_cast<int>(c.poly->getVertexCount());
    const bool closed = c.poly->isClosed();
    const int prev = c.vtx > 0 ? c.vtx - 1 : (closed ? n - 1 : -1);
    const int next = c.vtx + 1 < n ? c.vtx + 1 : (closed ? 0 : -1);
    return {prev >= 0 ? c.poly->getVertex(prev).getPt()->getNum() : -1,
            next >= 0 ? c.poly->getVertex(next).getPt()->getNum() : -1};
}

/// Joins the corners of point p (corners[0..n)) that meet across an edge
/// p-q that is not cut. Corners sharing such an edge all name q as a
/// neighbour, so sorting (q, corner) pairs brings them together; a
/// boundary edge is named by one corner only and joins nothing.
void joinAcrossEdges(int p, const Corner *corners, int n, const GB_EdgeGroup &cuts, Fans &fans,
                     std::vector<std::pair<int, int>> &scratch) {
    scratch.clear();
    for (int k = 0; k < n; ++k) {
        const auto [prev, next] = neighbours(corners[k]);
        for (int q : {prev, next})
            if (q >= 0 && q != p && !isCutEdge(cuts, p, q)) scratch.emplace_back(q, k);
    }
    std::sort(scratch.begin(), scratch.end());
    for (size_t i = 1; i < scratch.size(); ++i)
        if (scratch[i].first == scratch[i - 1].first) fans.join(scratch[i].second, scratch[i - 1].second);
}

/// A vertex to move and the point it goes to.
struct Move {
    GEO_Vertex *vertex;
    GEO_Point *to;
};

/// Splits point p's fans: the fan of the lowest corner (lowest polygon
/// number, then vertex index) keeps p; every other fan, in order of its
/// lowest corner, gets a new copy of p. Records the vertex moves.
void splitFans(GU_Detail &gdp, int p, Corner *corners, int n, Fans &fans, std::vector<Move> &moves) {
    // Corners arrive in polygon order and polygon numbers ascend, so the
    // first corner of each fan is its lowest, and fans come up in order.
    std::vector<GEO_Point *> target(static_cast<size_t>(n), nullptr);
    GEO_Point *orig = gdp.points()(p);
    for (int k = 0; k < n; ++k) {
        const int r = fans.root(k);
        if (r == 0) continue;  // the fan of the lowest corner keeps p
        if (!target[r]) target[r] = gdp.appendPointCopy(*orig);
        moves.push_back({&corners[k].poly->getVertex(static_cast<unsigned>(corners[k].vtx)), target[r]});
    }
}

}  // namespace

int GQ_Detail::cusp(const GB_EdgeGroup &edges, bool) {
    if (!myGdp || edges.isEmpty()) return 0;
    ensureBuilt();
    const int before = myGdp->points().entries();
    CornerTable table = collectCorners(myFaces, markCutPoints(edges, before, *this));

    Fans fans;
    std::vector<std::pair<int, int>> scratch;
    std::vector<Move> moves;
    for (size_t k = 0; k < table.points.size(); ++k) {
        Corner *corners = table.corners.data() + table.start[k];
        const int n = table.start[k + 1] - table.start[k];
        fans.reset(static_cast<size_t>(n));
        joinAcrossEdges(table.points[k], corners, n, edges, fans, scratch);
        splitFans(*myGdp, table.points[k], corners, n, fans, moves);
    }
    for (const Move &m : moves) m.vertex->setPt(m.to);
    // The records describe the uncut surface now: drop them, and make them
    // again only if the view is asked once more.
    myBuilt = false;
    myPoints = {};
    myFaces = {};
    myRecords = {};
    myEdgeList = {};
    myTable = GQ_EdgeTable();
    return myGdp->points().entries() - before;
}
