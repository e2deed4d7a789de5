#pragma once
// Runs the seam node through the host kit, builds closed test surfaces and
// checks that cutting along the seams leaves one disk per piece.
#include <OP/OP_Context.h>
#include <OP/OP_Network.h>
#include <OP/OP_Operator.h>
#include <GQ/GQ_Detail.h>
#include "autoseams/SOP_AutoSeams.h"
#include <map>
#include <numeric>
#include <set>
#include <tuple>
#include <vector>

namespace as_test {

/// A node of the autoseams type with `input` as input 0.
struct Seams {
    OP_Operator op{"autoseams", "Auto Seams", SOP_AutoSeams::myConstructor, SOP_AutoSeams::myTemplateList, 1, 1};
    OP_Network net{nullptr, "obj", nullptr};
    SOP_AutoSeams *node = nullptr;
    GU_Detail input;

    Seams() {
        node = static_cast<SOP_AutoSeams *>(net.createNode(&op, "autoseams1"));
        node->setInput(0, &input);
    }
    OP_ERROR cook() {
        OP_Context ctx(0);
        return node->cook(ctx);
    }
    GU_Detail &out() { return *node->getCookedGeo(); }
    bool warned(const std::string &text) const {
        for (const auto &m : node->messages())
            if (m.text.find(text) != std::string::npos) return true;
        return false;
    }
};

/// A closed slab of unit cells (one cell thick, z in [0, 1]) over the cells
/// (i, j) of a w by h grid that `keep` keeps: top and bottom quads and walls
/// along every open side, all facing outwards. Every hole left inside the
/// grid adds one to the genus.
template <class Keep> void makeSlab(GU_Detail &g, int w, int h, Keep keep) {
    std::map<std::tuple<int, int, int>, int> at;
    auto pt = [&](int i, int j, int z) {
        auto [it, added] = at.emplace(std::make_tuple(i, j, z), g.points().entries());
        if (added) g.appendPoint(UT_Vector4(float(i), float(j), float(z), 1));
        return it->second;
    };
    auto kept = [&](int i, int j) { return i >= 0 && j >= 0 && i < w && j < h && keep(i, j); };
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            if (!kept(i, j)) continue;
            const int c[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
            int top[4], bottom[4];
            for (int k = 0; k < 4; ++k) top[k] = pt(c[k][0], c[k][1], 1), bottom[3 - k] = pt(c[k][0], c[k][1], 0);
            g.appendPoly(top, 4);
            g.appendPoly(bottom, 4);
            const int side[4][2] = {{i, j - 1}, {i + 1, j}, {i, j + 1}, {i - 1, j}};
            for (int k = 0; k < 4; ++k) {
                if (kept(side[k][0], side[k][1])) continue;
                const int *a = c[k], *b = c[(k + 1) % 4];
                const int wall[4] = {pt(b[0], b[1], 1), pt(a[0], a[1], 1), pt(a[0], a[1], 0), pt(b[0], b[1], 0)};
                g.appendPoly(wall, 4);
            }
        }
}

/// A slab of genus g: a 2g+1 by 3 strip of cells with g holes.
inline void makeGenus(GU_Detail &gdp, int g) {
    makeSlab(gdp, 2 * g + 1, 3, [](int i, int j) { return !(j == 1 && i % 2 == 1); });
}

/// Per connected piece of polygons, V - E + F and the number of boundary
/// loops, after cutting a copy of out along the edge group `name`.
struct Piece {
    int euler = 0, loops = 0;
};
inline std::vector<Piece> piecesAfterCut(const GU_Detail &out, const char *name) {
    GU_Detail cut;
    cut.merge(out);
    if (const GB_EdgeGroup *g = cut.findEdgeGroup(name)) {
        GQ_Detail view(&cut);
        view.cusp(*g);
    }
    const int np = cut.points().entries();
    std::vector<int> parent(np);
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](int x) {
        while (parent[x] != x) x = parent[x] = parent[parent[x]];
        return x;
    };
    std::map<std::pair<int, int>, int> uses;
    std::vector<int> faces(np, 0);
    for (const auto &p : cut.primitives()) {
        const unsigned m = p->getVertexCount();
        for (unsigned i = 0; i < m; ++i) {
            const int a = p->getVertex(i).getPt()->getNum(), b = p->getVertex((i + 1) % m).getPt()->getNum();
            ++uses[{std::min(a, b), std::max(a, b)}];
            parent[root(a)] = root(b);
        }
        ++faces[p->getVertex(0).getPt()->getNum()];
    }
    std::map<int, Piece> pieces;
    std::set<int> used;
    for (const auto &p : cut.primitives())
        for (const GEO_Vertex &v : p->vertices()) used.insert(v.getPt()->getNum());
    for (int v : used) pieces[root(v)].euler += 1 + faces[v];
    // Boundary loops: pieces of the graph of edges used once.
    std::vector<int> loopParent(np);
    std::iota(loopParent.begin(), loopParent.end(), 0);
    auto loopRoot = [&](int x) {
        while (loopParent[x] != x) x = loopParent[x] = loopParent[loopParent[x]];
        return x;
    };
    std::set<int> onBoundary;
    for (const auto &[e, n] : uses) {
        pieces[root(e.first)].euler -= 1;
        if (n != 1) continue;
        loopParent[loopRoot(e.first)] = loopRoot(e.second);
        onBoundary.insert(e.first);
        onBoundary.insert(e.second);
    }
    std::set<int> loops;
    for (int v : onBoundary)
        if (loops.insert(loopRoot(v)).second) pieces[root(v)].loops += 1;
    std::vector<Piece> result;
    for (const auto &[r, piece] : pieces) result.push_back(piece);
    return result;
}

}  // namespace as_test
