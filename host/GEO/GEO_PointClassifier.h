#pragma once
#include <vector>

class GEO_Detail;

/// Sorts the points of a detail into classes of connected points.
///
/// Holds a union-find forest over point numbers: classifyPoints() starts
/// every point in a class of its own, and joins made later (by the
/// primitive classifier, for points that share a primitive) merge classes.
class GEO_PointClassifier {
public:
    /// Starts over with every point of gdp in a class of its own.
    void classifyPoints(GEO_Detail &gdp);

    /// Number of points the forest covers.
    int entries() const { return static_cast<int>(myParent.size()); }
    /// Merges the classes of points a and b; both must be < entries().
    void join(int a, int b);
    /// The representative point of a's class; a must be < entries().
    int findRoot(int a);

    /// The class number given to point ptnum by the last classification
    /// that numbered the points; -1 when it has none or is out of range.
    int getClass(int ptnum) const {
        return ptnum >= 0 && ptnum < static_cast<int>(myClass.size()) ? myClass[ptnum] : -1;
    }
    /// Records point ptnum's class number (ptnum must be < entries()).
    void setClass(int ptnum, int cls);

private:
    std::vector<int> myParent;
    std::vector<int> myClass;
};
