#include "node/SOP_Flatskin.h"
#include <GEO/GEO_PointClassifier.h>
#include <GEO/GEO_PrimClassifier.h>

void SOP_Flatskin::selectPiece(GU_Detail &work, GU_Detail &out) {
    myOutPiece = myGroupManager.createPrimitiveGroup(out, "tmpPrimGroup");
    myWorkPiece = myGroupManager.createPrimitiveGroup(work, "tmpPrimGroup");
    int hint = evalInt("hintprim", 0, 0);

    GEO_PointClassifier points;
    points.classifyPoints(work);
    GEO_PrimClassifier pieces;
    pieces.classifyBySharedPoints(work, points, nullptr);

    const int count = work.primitives().entries();
    int piece = (hint >= 0 && hint < count) ? pieces.getClass(hint) : -1;
    if (piece >= 0) {
        for (int i = 0; i < count; ++i) {
            if (pieces.getClass(i) != piece) continue;
            myWorkPiece->add(i);
            myOutPiece->add(i);
        }
    }
    // A hint that names no primitive flattens everything in one system.
    if (myOutPiece->isEmpty()) {
        for (int i = 0; i < out.primitives().entries(); ++i) {
            myWorkPiece->add(i);
            myOutPiece->add(i);
        }
    }
}
