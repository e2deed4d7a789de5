#pragma once

class GEO_Point;

/// A vertex of an edge view: stands for one point of the detail.
class GQ_Point {
public:
    explicit GQ_Point(GEO_Point *pt = nullptr) : myPoint(pt) {}
    GEO_Point *getPoint() const { return myPoint; }

private:
    GEO_Point *myPoint;
};
