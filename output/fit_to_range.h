#pragma once

/// Maps x from [lo, hi] onto [to0, to1]. Values outside the interval are
/// clamped to its ends (a reversed interval, hi < lo, works mirrored); an
/// interval no longer than 1e-18 maps everything to the mid value.
double fitToRange(double x, double lo, double hi, double to0, double to1);

/// The 32-bit form: all arithmetic in floats, and an interval no longer
/// than 1e-8 maps everything to the mid value.
float fitToRange(float x, float lo, float hi, float to0, float to1);

/// One scale for both axes: u' = offset[0] + scale[0] * u, and likewise v.
struct AspectFit {
    double scale[2];
    double offset[2];
};

/// The fit of a layout spanning [lo[a], hi[a]] in axis a (a = 0 for u, 1
/// for v) into the ranges [to0[a], to1[a]] with the largest single scale
/// that fits it into both, the layout centred in the axis with room to
/// spare. A reversed range (to1 < to0) mirrors its axis. An axis whose
/// layout span is no longer than 1e-18 does not limit the scale and maps
/// to the mid value of its range; when neither axis limits it, everything
/// maps to the ranges' mid values.
AspectFit fitKeepingAspect(const double lo[2], const double hi[2], const double to0[2], const double to1[2]);
