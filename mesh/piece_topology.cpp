#include "piece_topology.h"
#include "node/SOP_Flatskin.h"
#include <GEO/GEO_Primitive.h>
#include <array>
#include <cstdint>
#include <numeric>
#include <string>
#include <unordered_map>
#include <vector>

namespace {
/// Union-find over point numbers.
class Sets {
public:
    explicit Sets(int n) : myParent(static_cast<size_t>(n)) { std::iota(myParent.begin(), myParent.end(), 0); }
    int find(int a) {
        while (myParent[a] != a) a = myParent[a] = myParent[myParent[a]];
        return a;
    }
    void join(int a, int b) { myParent[find(a)] = find(b); }

private:
    std::vector<int> myParent;
};

uint64_t edgeKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

struct Part {
    int vertices = 0, edges = 0, faces = 0, loops = 0;
    int first = 0;  ///< index of its first triangle, for the report order
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
    std::unordered_map<uint64_t, int> uses;
    uses.reserve(2 * tris.size());
    for (const auto &t : tris)
        for (int i = 0; i < 3; ++i) {
            parts.join(t[i], t[(i + 1) % 3]);
            ++uses[edgeKey(t[i], t[(i + 1) % 3])];
        }

    // Per part: V, E, F, and the boundary loops as the connected sets of
    // edges used by one triangle only. On a manifold surface these are
    // exactly its boundary loops; loops that touch at a point count once.
    std::unordered_map<int, Part> byRoot;
    std::vector<char> seen(static_cast<size_t>(npoints), 0);
    Sets loops(npoints);
    for (size_t f = 0; f < tris.size(); ++f) {
        Part &part = byRoot.try_emplace(parts.find(tris[f][0]), Part{0, 0, 0, 0, static_cast<int>(f)}).first->second;
        ++part.faces;
        for (int v : tris[f])
            if (!seen[v]) seen[v] = 1, ++part.vertices;
    }
    std::vector<char> onBoundary(static_cast<size_t>(npoints), 0);
    for (const auto &[key, count] : uses) {
        const int a = static_cast<int>(key >> 32), b = static_cast<int>(key & 0xFFFFFFFFu);
        ++byRoot[parts.find(a)].edges;
        if (count != 1) continue;
        loops.join(a, b);
        onBoundary[a] = onBoundary[b] = 1;
    }
    for (int v = 0; v < npoints; ++v)
        if (onBoundary[v] && loops.find(v) == v) ++byRoot[parts.find(v)].loops;

    // Each part: chi = V - E + F = 2 - 2g - B for an orientable surface.
    // An odd 2 - B - chi (a one-sided surface, or edges shared by three or
    // more triangles) is rounded up, so such a part is never taken for a
    // disk; g is never reported below 0.
    PieceTopology first;
    int first_at = -1;
    for (const auto &[root, part] : byRoot) {
        const int chi = part.vertices - part.edges + part.faces;
        const int twice_g = 2 - part.loops - chi;
        const int genus = twice_g > 0 ? (twice_g + 1) / 2 : 0;
        if (part.loops > 0 && genus == 0) continue;
        if (first_at >= 0 && part.first > first_at) continue;
        first = {false, part.loops, genus};
        first_at = part.first;
    }
    return first;
}

void SOP_Flatskin::warnUnlessDisk(const GU_Detail &work) {
    const PieceTopology t = firstNonDiskPart(work, myWorkPiece);
    if (t.disk) return;
    const std::string text = "The piece is not a disk (" + std::to_string(t.boundaryLoops) + " boundary loops, genus " +
                             std::to_string(t.genus) + "): cut it open with seams";
    addWarning(SOP_MESSAGE, text.c_str());
}
