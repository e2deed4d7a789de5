#include "GEO_PrimClassifier.h"
#include "GEO_Detail.h"
#include "GEO_PointClassifier.h"

void GEO_PrimClassifier::classifyBySharedPoints(GEO_Detail &gdp, GEO_PointClassifier &pc,
                                                const GB_PrimitiveGroup *group) {
    const GEO_PrimList &prims = gdp.primitives();
    pc.classifyPoints(gdp);

    // Join the points of each primitive: a chain of shared points then ends
    // up in one tree.
    for (GEO_Primitive *prim = prims.rawHead(group); prim; prim = prims.rawNext(prim, group)) {
        const auto &verts = prim->vertices();
        for (size_t i = 1; i < verts.size(); ++i) pc.join(verts[0].getPt()->getNum(), verts[i].getPt()->getNum());
    }

    // Number the trees as primitives meet them in list order, so that class
    // numbers follow the lowest primitive number of each class.
    myClass.assign(static_cast<size_t>(prims.entries()), -1);
    myNumClass = 0;
    std::vector<int> rootClass(static_cast<size_t>(pc.entries()), -1);
    for (GEO_Primitive *prim = prims.rawHead(group); prim; prim = prims.rawNext(prim, group)) {
        if (prim->getVertexCount() == 0) {
            myClass[prim->getNum()] = myNumClass++;
            continue;
        }
        int &cls = rootClass[pc.findRoot(prim->getVertex(0).getPt()->getNum())];
        if (cls < 0) cls = myNumClass++;
        myClass[prim->getNum()] = cls;
        for (const GEO_Vertex &v : prim->vertices()) pc.setClass(v.getPt()->getNum(), cls);
    }
}
