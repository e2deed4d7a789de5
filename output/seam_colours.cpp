#include "node/SOP_Flatskin.h"
#include "colour_attribute.h"
#include "seam_random.h"
#include <GB/GB_PointRefArray.h>
#include <GEO/GEO_Closure.h>
#include <UT/UT_Color.h>
#include <cmath>
#include <cstdint>

void SOP_Flatskin::colourSeams(GU_Detail &out) {
    const float white[3] = {1.0f, 1.0f, 1.0f};
    const int cd = findOrAddColour(out, white);
    if (cd < 0) addWarning(SOP_MESSAGE, "No seam colours: the primitive attribute \"Cd\" has another size or type");

    GQ_Detail view(&out, nullptr, 1e-6f);
    seamStep(out, view, false);

    GEO_Closure closure(out);
    GB_PointRefArray refs(out, nullptr);
    UT_IntArray polys;
    GB_PrimitiveGroup *visited = myGroupManager.createPrimitiveGroup(out, "visited");
    const bool gradient = evalInt("seamcolour", 0, 0) == 0;

    if (cd >= 0 && mySeamEdges) {
        uint32_t s = 0;
        for (const GB_Edge &e : mySeamEdges->edges()) {
            const GEO_Point *p0 = out.points()(e.p0Num());
            const GEO_Point *p1 = out.points()(e.p1Num());
            polys.clear();
            if (p0 && p1) closure.findPolysUsingEdge(p0, p1, polys, refs);

            float value = gradient ? std::fmod(static_cast<float>(s), 10.0f) / 9.0f : seamColourRandom(s);
            // A run of seam edges through shared polygons keeps one colour.
            bool inherited = false;
            float rgb[3] = {0, 0, 0};
            for (int i = 0; i < polys.entries() && !inherited; ++i) {
                if (!visited->contains(polys(i))) continue;
                const GEO_Primitive *p = out.primitives()(polys(i));
                for (int c = 0; c < 3; ++c) rgb[c] = p->getValue<float>(cd, c);
                inherited = true;
            }
            if (!inherited) UT_Color::getRampColor(UT_COLORRAMP_FALSE, value, &rgb[0], &rgb[1], &rgb[2]);
            for (int i = 0; i < polys.entries(); ++i) {
                GEO_Primitive *p = out.primitives()(polys(i));
                for (int c = 0; c < 3; ++c) p->setValue<float>(cd, rgb[c], c);
                visited->add(p);
            }
            ++s;
        }
    }
    myGroupManager.destroyAdhocGroup(visited);
}
