#pragma once
#include <array>
#include <vector>

/// Splits one closed polygon into triangles. Host-free: points in,
/// triangles out.
///
/// points: #n by 3 corner positions (x, y, z), row by row, in the polygon's
/// vertex order; n >= 3. The polygon may be concave, non-planar, have
/// collinear runs, repeated corners or touch itself.
/// triangles: cleared, then filled with #n-2 triangles, each a triple of
/// corner indices into points. Every triangle lists its corners in the
/// polygon's cyclic order, so it keeps the polygon's winding, and every
/// corner is used.
///
/// The polygon is laid flat in the plane of its Newell normal, oriented so
/// that it runs counter-clockwise there. A convex polygon is cut as a fan
/// from corner 0: (0, 1, 2), (0, 2, 3), ... Any other is cut by ear
/// clipping; a simple polygon is then covered exactly once. When no ear is
/// left (a degenerate or self-overlapping rest), the most convex corner is
/// cut off anyway, so there are always n - 2 triangles. A polygon without a
/// usable plane (collinear or coincident corners) is fanned.
void triangulatePolygon(const double *points, int n, std::vector<std::array<int, 3>> &triangles);
