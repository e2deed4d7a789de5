#pragma once
#include <GU/GU_Detail.h>

/// Offset of the primitive colour "Cd" (three floats) of out, appended with
/// the default rgb (three floats, or null for black) when out has none.
/// Negative when out holds a "Cd" of another size or type, which is left
/// as it is.
inline int findOrAddColour(GU_Detail &out, const float *rgb) {
    int cd = out.primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    if (cd < 0) cd = out.primitiveAttribs().append("Cd", 12, GB_ATTRIB_FLOAT, rgb);
    return cd;
}
