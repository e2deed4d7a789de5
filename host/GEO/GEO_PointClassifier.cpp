#include "GEO_PointClassifier.h"
#include <numeric>
#include <utility>
#include "GEO_Detail.h"

void GEO_PointClassifier::classifyPoints(GEO_Detail &gdp) {
    myParent.resize(static_cast<size_t>(gdp.points().entries()));
    std::iota(myParent.begin(), myParent.end(), 0);
    myClass.assign(myParent.size(), -1);
}

int GEO_PointClassifier::findRoot(int a) {
    // Path halving: every step points a node at its grandparent, which keeps
    // trees shallow without recursion.
    while (myParent[a] != a) {
        myParent[a] = myParent[myParent[a]];
        a = myParent[a];
    }
    return a;
}

void GEO_PointClassifier::join(int a, int b) {
    a = findRoot(a);
    b = findRoot(b);
    if (a == b) return;
    // The lower number becomes the root, which keeps the forest repeatable;
    // path halving keeps the trees shallow without ranks.
    if (b < a) std::swap(a, b);
    myParent[b] = a;
}

void GEO_PointClassifier::setClass(int ptnum, int cls) {
    if (myClass.size() < myParent.size()) myClass.resize(myParent.size(), -1);
    myClass[ptnum] = cls;
}
