#include "GEO_Primitive.h"
#include "UT/UT_Vector3.h"

float GEO_Primitive::calcArea() const {
    unsigned n = getVertexCount();
    if (!myPoly || n < 3 || !myClosed) return 0.0f;
    // Half the length of the Newell normal: exact for planar polygons.
    UT_Vector3 sum(0, 0, 0);
    UT_Vector3 p0 = myVerts[0].getPt()->getPos();
    for (unsigned i = 1; i + 1 < n; ++i) {
        UT_Vector3 a = UT_Vector3(myVerts[i].getPt()->getPos()) - p0;
        UT_Vector3 b = UT_Vector3(myVerts[i + 1].getPt()->getPos()) - p0;
        sum += a.cross(b);
    }
    return 0.5f * sum.length();
}

static unsigned idForKeyword(const std::string &k) {
    if (k == "Poly") return GEOPRIMPOLY;
    if (k == "NURBCurve") return GEOPRIMNURBCURVE;
    if (k == "BezierCurve") return GEOPRIMBEZCURVE;
    if (k == "Mesh") return GEOPRIMMESH;
    if (k == "Sphere") return GEOPRIMSPHERE;
    if (k == "Tube") return GEOPRIMTUBE;
    if (k == "Part") return GEOPRIMPART;
    return GEOPRIMOTHER;
}

GEO_PrimOther::GEO_PrimOther(GB_AttributeDict *dict, int slot, int num, std::string keyword)
    : GEO_Primitive(dict, slot, num, idForKeyword(keyword), false), myKeyword(std::move(keyword)) {}
