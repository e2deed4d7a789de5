// The topological cut: a cut graph that opens every component into a disk.
#include "autoseams.h"
#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

int findRoot(std::vector<int> &parent, int x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
}

/// Removes cut edges that end in a vertex no other cut, boundary or
/// singular edge reaches, until none is left.
void pruneDangling(const SeamMesh &m, std::vector<char> &cut) {
    std::vector<int> degree(m.vertexCount(), 0);
    for (int e = 0; e < m.edgeCount(); ++e)
        if (cut[e] || m.edgeKind[e] != EdgeKind::Interior)
            for (int v : m.edgeVerts[e]) ++degree[v];
    std::vector<int> stack;
    for (int v = 0; v < m.vertexCount(); ++v)
        if (degree[v] == 1) stack.push_back(v);
    while (!stack.empty()) {
        const int v = stack.back();
        stack.pop_back();
        if (degree[v] != 1) continue;
        for (int i = m.vertEdgeStart[v]; i < m.vertEdgeStart[v + 1]; ++i) {
            const int e = m.vertEdges[i];
            if (!cut[e]) continue;
            cut[e] = 0;
            for (int w : m.edgeVerts[e])
                if (--degree[w] == 1) stack.push_back(w);
            break;
        }
    }
}

}  // namespace

void topologicalCut(const SeamMesh &m, std::vector<char> &cut) {
    cut.assign(m.edgeCount(), 0);
    // Roots of the shortest-path tree: the boundary and singular vertices,
    // and one vertex of every component that has none.
    CutDistance tree(m);
    tree.reset(-1);
    std::vector<char> rooted(m.components, 0);
    for (int e = 0; e < m.edgeCount(); ++e)
        if (m.edgeKind[e] != EdgeKind::Interior) {
            rooted[m.polyComponent[m.edgeFaces[e][0]]] = 1;
            for (int v : m.edgeVerts[e]) tree.addSource(v);
        }
    const int nf = static_cast<int>(m.polyPrim.size());
    for (int f = 0; f < nf; ++f)
        if (!rooted[m.polyComponent[f]]) {
            rooted[m.polyComponent[f]] = 1;
            tree.addSource(m.polyVerts[m.polyStart[f]]);
        }
    tree.run();
    std::vector<char> inTree(m.edgeCount(), 0);
    for (int v = 0; v < m.vertexCount(); ++v)
        if (tree.predecessor(v) >= 0) inTree[tree.predecessor(v)] = 1;

    // The dual tree takes the edges whose loop through the tree is longest
    // first; the tree's own edges only when nothing else joins two parts.
    std::vector<int> order;
    for (int e = 0; e < m.edgeCount(); ++e)
        if (m.edgeKind[e] == EdgeKind::Interior) order.push_back(e);
    auto loop = [&](int e) {
        const double d = tree.distance(m.edgeVerts[e][0]) + tree.distance(m.edgeVerts[e][1]) + m.edgeWeight[e];
        return std::isfinite(d) ? d : 0.0;
    };
    std::vector<double> length(m.edgeCount(), 0);
    for (int e : order) length[e] = loop(e);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (inTree[a] != inTree[b]) return inTree[a] < inTree[b];
        return length[a] > length[b];
    });
    std::vector<int> parent(nf);
    std::iota(parent.begin(), parent.end(), 0);
    for (int e : order) {
        const int a = findRoot(parent, m.edgeFaces[e][0]), b = findRoot(parent, m.edgeFaces[e][1]);
        if (a == b)
            cut[e] = 1;
        else
            parent[a] = b;
    }
    pruneDangling(m, cut);
}

bool openSphere(const SeamMesh &m, int component, const std::vector<int> &compTris, std::vector<char> &cut) {
    // Angle defect: 2 pi less the corner angles around the vertex.
    std::vector<double> angleSum(m.vertexCount(), 0);
    std::vector<char> used(m.vertexCount(), 0);
    for (int t : compTris)
        for (int c = 0; c < 3; ++c) {
            const auto &a = m.pos[m.tris[t][c]], &b = m.pos[m.tris[t][(c + 1) % 3]], &d = m.pos[m.tris[t][(c + 2) % 3]];
            double u[3], w[3];
            for (int k = 0; k < 3; ++k) u[k] = b[k] - a[k], w[k] = d[k] - a[k];
            const double x = u[1] * w[2] - u[2] * w[1], y = u[2] * w[0] - u[0] * w[2], z = u[0] * w[1] - u[1] * w[0];
            angleSum[m.tris[t][c]] +=
                std::atan2(std::sqrt(x * x + y * y + z * z), u[0] * w[0] + u[1] * w[1] + u[2] * w[2]);
            used[m.tris[t][c]] = 1;
        }
    int tip = -1;
    for (int v = 0; v < m.vertexCount(); ++v)
        if (used[v] && (tip < 0 || angleSum[v] < angleSum[tip])) tip = v;
    if (tip < 0) return false;
    auto other = [&](int e, int v) { return m.edgeVerts[e][0] == v ? m.edgeVerts[e][1] : m.edgeVerts[e][0]; };
    auto usable = [&](int e) {
        return m.edgeKind[e] == EdgeKind::Interior && m.polyComponent[m.edgeFaces[e][0]] == component;
    };
    // The cheapest edge out of the tip, then the edge on from there that
    // leads farthest from the tip: a short straight slit.
    int first = -1;
    for (int i = m.vertEdgeStart[tip]; i < m.vertEdgeStart[tip + 1]; ++i) {
        const int e = m.vertEdges[i];
        if (usable(e) && (first < 0 || m.edgeWeight[e] < m.edgeWeight[first])) first = e;
    }
    if (first < 0) return false;
    const int mid = other(first, tip);
    int second = -1;
    double best = -1;
    for (int i = m.vertEdgeStart[mid]; i < m.vertEdgeStart[mid + 1]; ++i) {
        const int e = m.vertEdges[i];
        const int w = other(e, mid);
        if (!usable(e) || w == tip) continue;
        double d = 0;
        for (int k = 0; k < 3; ++k) d += (m.pos[w][k] - m.pos[tip][k]) * (m.pos[w][k] - m.pos[tip][k]);
        if (d > best) best = d, second = e;
    }
    if (second < 0) return false;
    cut[first] = cut[second] = 1;
    return true;
}
