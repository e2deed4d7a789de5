#pragma once

/// Maps x from [lo, hi] onto [to0, to1]. Values outside the interval are
/// clamped to its ends (a reversed interval, hi < lo, works mirrored); an
/// interval no longer than 1e-18 maps everything to the mid value.
double fitToRange(double x, double lo, double hi, double to0, double to1);

/// The 32-bit form: all arithmetic in floats, and an interval no longer
/// than 1e-8 maps everything to the mid value.
float fitToRange(float x, float lo, float hi, float to0, float to1);
