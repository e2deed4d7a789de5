#include "piece_topology.h"
#include "node/SOP_Flatskin.h"
#include <GEO/GEO_Primitive.h>
#include <array>
#include <cstdint>
#include <numeric>
#include <utility>
#include <string>
#include <algorithm>
#include <vector>

namespace {
/// Union-find over point numbers, by size: trees stay a few levels deep,
/// so a million-triangle piece's finds do not chase long chains through
/// memory. A root holds minus its set's size, other points their parent.
class Sets {
public:
    explicit Sets(int n) : myParent(static_cast<size_t>(n), -1) {}
    int find(int a) {
        int root = a;
        while (myParent[root] >= 0) root = myParent[root];
        while (myParent[a] >= 0 && myParent[a] != root) a = std::exchange(myParent[a], root);
        return root;
    }
    void join(int a, int b) {
        a = find(a);
        b = find(b);
        if (a == b) return;
        if (myParent[a] > myParent[b]) std::swap(a, b);  // a the larger set
        myParent[a] += myParent[b];
        myParent[b] = a;
    }

private:
    std::vector<int> myParent;
};

struct Part {
    int vertices = 0, edges = 0, faces = 0, loops = 0;
};
}  // namespace

PieceTopology firstNonDiskPart(const GU_Detail &work, const GB_PrimitiveGroup *piece) {
    const int npoints = work.points().entries();
    std::vector<std::array<int, 3>> tris;
    const GEO_PrimList &prims = work.primitives();
    for (const GEO_Primitive *p = prims.rawHead(piece); p; p = prims.rawNext(p, piece)) {
        if (p->getPrimitiveId() != GEOPRIMPOLY || !static_cast<const GEO_PrimPoly *>(p)->isClosed()) continue;
        if (p->getVertexCount() != 3) continue;
        std::array<int, 3> t;
        for (int i = 0; i < 3; ++i) t[i] = p->getVertex(static_cast<unsigned>(i)).getPt()->getNum();
        if (t[0] == t[1] || t[1] == t[2] || t[2] == t[0]) continue;
        tris.push_back(t);
    }

    Sets parts(npoints);
    for (const auto &t : tris)
        for (int i = 0; i < 3; ++i) parts.join(t[i], t[(i + 1) % 3]);

    // Per part: V, E, F, and the boundary loops as the connected sets of
    // edges used by one triangle only. On a manifold surface these are
    // exactly its boundary loops; loops that touch at a point count once.
    // Parts are listed in the order of their first triangle.
    std::vector<int> partOfRoot(static_cast<size_t>(npoints), -1);
    std::vector<Part> byPart;
    auto partOf = [&](int point) {
        int &k = partOfRoot[parts.find(point)];
        if (k < 0) {
            k = static_cast<int>(byPart.size());
            byPart.push_back(Part{});
        }
        return k;
    };
    // Each triangle's point's part, found once here rather than at every
    // edge and loop below; -1 for points of no triangle.
    std::vector<int> pointPart(static_cast<size_t>(npoints), -1);
    for (size_t f = 0; f < tris.size(); ++f) {
        const int k = partOf(tris[f][0]);
        ++byPart[k].faces;
        for (int v : tris[f])
            if (pointPart[v] < 0) pointPart[v] = k, ++byPart[k].vertices;
    }

    // The edges of every triangle, bucketed by their lower point (a
    // counting sort), then sorted within each short bucket: equal entries
    // are the uses of one edge.
    std::vector<int> start(static_cast<size_t>(npoints) + 1, 0);
    for (const auto &t : tris)
        for (int i = 0; i < 3; ++i) ++start[std::min(t[i], t[(i + 1) % 3]) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<int> upper(static_cast<size_t>(start.back()));
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (const auto &t : tris)
        for (int i = 0; i < 3; ++i) {
            const int a = t[i], b = t[(i + 1) % 3];
            upper[fill[std::min(a, b)]++] = std::max(a, b);
        }
    fill = {};
    Sets loops(npoints);
    std::vector<char> onBoundary(static_cast<size_t>(npoints), 0);
    for (int a = 0; a < npoints; ++a) {
        int *first = upper.data() + start[a], *last = upper.data() + start[a + 1];
        std::sort(first, last);
        for (int *run = first; run != last;) {
            int *end = run;
            while (end != last && *end == *run) ++end;
            ++byPart[pointPart[a]].edges;
            if (end - run == 1) {
                loops.join(a, *run);
                onBoundary[a] = onBoundary[*run] = 1;
            }
            run = end;
        }
    }
    for (int v = 0; v < npoints; ++v)
        if (onBoundary[v] && loops.find(v) == v) ++byPart[pointPart[v]].loops;

    // Each part: chi = V - E + F = 2 - 2g - B for an orientable surface.
    // An odd 2 - B - chi (a one-sided surface, or edges shared by three or
    // more triangles) is rounded up, so such a part is never taken for a
    // disk; g is never reported below 0.
    for (const Part &part : byPart) {
        const int chi = part.vertices - part.edges + part.faces;
        const int twice_g = 2 - part.loops - chi;
        const int genus = twice_g > 0 ? (twice_g + 1) / 2 : 0;
        if (part.loops > 0 && genus == 0) continue;
        return {false, part.loops, genus};
    }
    return {};
}

void SOP_Flatskin::warnUnlessDisk(const GU_Detail &work) {
    const PieceTopology t = firstNonDiskPart(work, myWorkPiece);
    if (t.disk) return;
    const std::string text = "The piece is not a disk (" + std::to_string(t.boundaryLoops) + " boundary loops, genus " +
                             std::to_string(t.genus) + "): cut it open with seams";
    addWarning(SOP_MESSAGE, text.c_str());
}
