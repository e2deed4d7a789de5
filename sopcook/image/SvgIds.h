#pragma once
#include <string>

/// Cairo names the groups of an SVG after its surfaces ("surface17"),
/// numbered by a counter that runs for the whole process, so that the
/// second picture a program draws would differ from the first in those
/// names alone. This renumbers every "surfaceN" name of svg from 1 in the
/// order they first appear, so that the same drawing gives the same bytes.
void renumberSurfaceIds(std::string &svg);
