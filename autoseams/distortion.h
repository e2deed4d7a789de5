#pragma once
#include <vector>

/// One triangle of a layout: its corners on the surface and in UV.
struct LayoutTriangle {
    double p[3][3];   ///< surface positions of corners 0, 1, 2
    double uv[3][2];  ///< their UVs
};

/// Signed UV area of t (positive counter-clockwise).
double uvArea(const LayoutTriangle &t);
/// Area of t on the surface.
double surfaceArea(const LayoutTriangle &t);

/// L2 stretch of a layout (Sander et al. 2001): per triangle the singular
/// values G, g of the map from UV to the surface, sqrt(sum A (G^2 + g^2) / 2
/// / sum A) with A the surface areas, after scaling the layout to the
/// surface's total area. 1 for an isometry; infinite when a triangle of
/// positive surface area has no UV area. Triangles of no surface area are
/// left out; 0 when none is left.
double l2Stretch(const std::vector<LayoutTriangle> &tris);

/// The sums behind l2Stretch, for a layout that is not held in one array:
/// add every triangle, then read value().
class L2StretchSum {
public:
    void add(const LayoutTriangle &t);
    double value() const;

private:
    double myArea3 = 0, myAreaUv = 0, mySum = 0;
    bool myCollapsed = false;  ///< a triangle of surface area has no UV area
};

/// Figures of a layout.
struct Distortion {
    long triangles = 0;              ///< all of them
    long flipped = 0;                ///< against the orientation of the larger UV area
    double areaP5 = 0, areaP95 = 0;  ///< percentiles of (UV area / total) / (surface area / total)
    double l2 = 0;                   ///< l2Stretch
};

/// The figures of tris; the area ratio of every triangle of positive
/// surface area, in tris' order, goes to ratios when given.
Distortion measureDistortion(const std::vector<LayoutTriangle> &tris, std::vector<double> *ratios = nullptr);

/// The q-quantile (0 <= q <= 1) of v by rank, nearest; 0 when v is empty.
double percentile(std::vector<double> v, double q);
