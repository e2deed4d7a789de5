// Dijkstra over the interior polygon edges from a growing set of sources.
#include "autoseams.h"
#include <algorithm>
#include <functional>
#include <limits>

namespace {
constexpr double kUnreached = std::numeric_limits<double>::infinity();
}

CutDistance::CutDistance(const SeamMesh &mesh)
    : myMesh(mesh), myDist(mesh.vertexCount(), kUnreached), myPred(mesh.vertexCount(), -1) {}

void CutDistance::reset(int component) {
    for (int v : myTouched) {
        myDist[v] = kUnreached;
        myPred[v] = -1;
    }
    myTouched.clear();
    myHeap.clear();
    myComponent = component;
}

void CutDistance::addSource(int v) {
    if (myDist[v] == kUnreached) myTouched.push_back(v);
    if (myDist[v] == 0) return;
    myDist[v] = 0;
    myPred[v] = -1;
    myHeap.push_back({0.0, v});
    std::push_heap(myHeap.begin(), myHeap.end(), std::greater<>());
}

void CutDistance::run() {
    const SeamMesh &m = myMesh;
    while (!myHeap.empty()) {
        std::pop_heap(myHeap.begin(), myHeap.end(), std::greater<>());
        const auto [d, v] = myHeap.back();
        myHeap.pop_back();
        if (d > myDist[v]) continue;
        for (int i = m.vertEdgeStart[v]; i < m.vertEdgeStart[v + 1]; ++i) {
            const int e = m.vertEdges[i];
            if (m.edgeKind[e] != EdgeKind::Interior) continue;
            if (myComponent >= 0 && m.polyComponent[m.edgeFaces[e][0]] != myComponent) continue;
            const int w = m.edgeVerts[e][0] == v ? m.edgeVerts[e][1] : m.edgeVerts[e][0];
            const double nd = d + m.edgeWeight[e];
            if (nd < myDist[w]) {
                if (myDist[w] == kUnreached) myTouched.push_back(w);
                myDist[w] = nd;
                myPred[w] = e;
                myHeap.push_back({nd, w});
                std::push_heap(myHeap.begin(), myHeap.end(), std::greater<>());
            }
        }
    }
}

std::vector<int> CutDistance::pathEdges(int v) const {
    std::vector<int> path;
    for (int e = myPred[v]; e >= 0; e = myPred[v]) {
        path.push_back(e);
        v = myMesh.edgeVerts[e][0] == v ? myMesh.edgeVerts[e][1] : myMesh.edgeVerts[e][0];
    }
    return path;
}
