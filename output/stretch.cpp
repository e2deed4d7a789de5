#include "node/SOP_Flatskin.h"
#include "colour_attribute.h"
#include "fit_to_range.h"
#include <UT/UT_Color.h>
#include <UT/UT_Vector2.h>

float SOP_Flatskin::uvPerimeter(const GEO_Primitive &prim) const {
    if (myUVOffset < 0) return 0.0f;
    float sum = 0.0f;
    const unsigned m = prim.getVertexCount();
    for (unsigned i = 0; i < m; ++i) {
        const GEO_Vertex &a = prim.getVertex(i);
        const GEO_Vertex &b = prim.getVertex(i + 1 < m ? i + 1 : 0);
        UT_Vector2 ua(a.getValue<float>(myUVOffset, 0), a.getValue<float>(myUVOffset, 1));
        UT_Vector2 ub(b.getValue<float>(myUVOffset, 0), b.getValue<float>(myUVOffset, 1));
        sum += (ub - ua).length();
    }
    return sum;
}

void SOP_Flatskin::colourStretch(GU_Detail &out) {
    // The reference is the primitive that is largest in space; ties keep
    // the first. Without one (all degenerate) every primitive gets the mid
    // colour.
    const GEO_Primitive *ref = nullptr;
    float largest = 0.0f;
    for (const auto &p : out.primitives()) {
        float a = p->calcArea();
        if (a > largest) {
            largest = a;
            ref = p.get();
        }
    }
    const float R = ref ? uvPerimeter(*ref) : 0.0f;

    const int cd = findOrAddColour(out, nullptr);
    if (cd < 0) {
        addWarning(SOP_MESSAGE, "No stretch colours: the primitive attribute \"Cd\" has another size or type");
        return;
    }
    for (const auto &p : out.primitives()) {
        float t = fitToRange(uvPerimeter(*p), 0.0f, R, 1.0f, 0.0f);
        float rgb[3];
        UT_Color::getRampColor(UT_COLORRAMP_FALSE, t, &rgb[0], &rgb[1], &rgb[2]);
        for (int c = 0; c < 3; ++c) p->setValue<float>(cd, rgb[c], c);
    }
}
