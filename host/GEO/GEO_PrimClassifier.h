#pragma once
#include <vector>

class GEO_Detail;
class GEO_PointClassifier;
class GB_PrimitiveGroup;

/// Sorts primitives into classes of connected pieces.
class GEO_PrimClassifier {
public:
    /// Gives every primitive of group (every primitive when null) a class:
    /// primitives that share a point, directly or through a chain of
    /// primitives of the group, share a class. Classes are numbered from 0
    /// in order of the lowest primitive number in each. Primitives outside
    /// the group get -1; a primitive without vertices is a class of its own.
    ///
    /// pc is the point forest used for the joins; it is restarted on gdp
    /// first (joins left from an earlier run would merge pieces that are no
    /// longer connected), and afterwards gives each point used by the group
    /// the class of the primitives using it, -1 for other points.
    void classifyBySharedPoints(GEO_Detail &gdp, GEO_PointClassifier &pc, const GB_PrimitiveGroup *group = nullptr);

    /// Class of primitive prim_num; -1 when out of range or not classified.
    int getClass(int prim_num) const {
        return prim_num >= 0 && prim_num < static_cast<int>(myClass.size()) ? myClass[prim_num] : -1;
    }
    int getNumClass() const { return myNumClass; }

private:
    std::vector<int> myClass;
    int myNumClass = 0;
};
