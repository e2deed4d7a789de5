#pragma once
#include <GEO/GEO_Primitive.h>

/// The two least-squares rows of one triangle: for each row, five solver
/// variable indices and their coefficients (right-hand side 0).
struct ConformalRows {
    int index[2][5];
    double value[2][5];
    int corner[3];  ///< the triangle's corners in the order the rows use them
};

/// The real and imaginary parts of (z2 - z0) - r e^(i a0) (z1 - z0) = 0 for
/// the triangle formed by tri's vertices 0, 1 and 2, corners shifted so that
/// the largest sine sits on corner 2. pt_offset is the byte offset of the
/// points' solver index ("ptN"). tri must have at least three vertices.
ConformalRows conformalRows(const GEO_Primitive &tri, int pt_offset);

/// The same rows for a triangle given by its angles (radians, at corners
/// 0, 1 and 2) and the solver indices of its corners' points: the rows use
/// variables 2 index[i] and 2 index[i] + 1.
ConformalRows conformalRowsOfAngles(const float angles[3], const int index[3]);
