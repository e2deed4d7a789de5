#pragma once
#include "GU/GU_Detail.h"
#include "io/AttribAccess.h"

/// The square region of UV space a picture shows, and its mapping onto a
/// square of side pixels whose top left corner is at (left, top).
struct UvView {
    double u0 = 0, v0 = 0, extent = 1;  ///< the region: [u0, u0 + extent] by [v0, v0 + extent]
    double left = 0, top = 0, side = 1024;
    double x(double u) const { return left + (u - u0) / extent * side; }
    double y(double v) const { return top + side - (v - v0) / extent * side; }  // v grows upwards
    /// Pixels per UV unit.
    double scale() const { return side / extent; }
};

/// The view of a size by size picture whose bottom band pixels are kept
/// for a legend: it holds the unit square and the finite corners of uv
/// (when uv is valid) with a margin of 5% of their extent, centred in the
/// part of the picture above the band.
UvView fitUvView(const GU_Detail &gdp, const TupleSource &uv, int size, double band);
