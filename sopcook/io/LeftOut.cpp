#include "LeftOut.h"

namespace {

std::string warning(const char *format, const char *kind, const std::string &name) {
    return std::string("warning: ") + format + " cannot hold the " + kind + " \"" + name + "\"; left out";
}

void noteAttribs(const GB_AttributeDict &dict, const char *format, const char *kind, const std::set<std::string> &kept,
                 std::vector<std::string> &notes) {
    for (const GB_Attribute &a : dict.attributes())
        if (!kept.count(a.name)) notes.push_back(warning(format, kind, a.name));
}

void noteGroups(const GB_GroupList &list, const char *format, const char *kind, const std::set<std::string> &kept,
                std::vector<std::string> &notes) {
    for (const auto &g : list.groups())
        if (!g->getInternal() && !kept.count(g->getName())) notes.push_back(warning(format, kind, g->getName()));
}

}  // namespace

void noteLeftOut(const GU_Detail &gdp, const char *format, const KeptNames &kept, std::vector<std::string> &notes,
                 const std::string &edge_hint) {
    noteAttribs(gdp.pointAttribs(), format, "point attribute", kept.pointAttribs, notes);
    noteAttribs(gdp.vertexAttribs(), format, "vertex attribute", kept.vertexAttribs, notes);
    noteAttribs(gdp.primitiveAttribs(), format, "primitive attribute", kept.primAttribs, notes);
    noteAttribs(gdp.attribs(), format, "detail attribute", kept.detailAttribs, notes);
    noteGroups(gdp.pointGroups(), format, "point group", kept.pointGroups, notes);
    noteGroups(gdp.primitiveGroups(), format, "primitive group", kept.primGroups, notes);
    for (const auto &g : gdp.edgeGroups().groups())
        if (!g->getInternal() && !kept.edgeGroups.count(g->getName()))
            notes.push_back(warning(format, "edge group", g->getName()) + edge_hint);
}

bool isFace(const GEO_Primitive &prim) { return prim.getPrimitiveId() == GEOPRIMPOLY && prim.getVertexCount() >= 3; }

void noteUnwritten(const GU_Detail &gdp, const char *format, bool (*written)(const GEO_Primitive &),
                   std::vector<std::string> &notes) {
    int others = 0, short_polys = 0;
    for (const auto &prim : gdp.primitives())
        if (!written(*prim)) ++(prim->getPrimitiveId() == GEOPRIMPOLY ? short_polys : others);
    auto note = [&](int count, const char *what) {
        if (count > 0)
            notes.push_back(std::string("warning: ") + format + " cannot hold " + std::to_string(count) + " " + what +
                            "; left out");
    };
    note(others, "primitives that are not polygons");
    note(short_polys, "polygons with too few points");
}

KeptNames keptMeshAttribs(bool point_cd, bool point_n, bool prim_cd, const TupleSource &uv, const std::string &uvname) {
    KeptNames kept;
    if (point_cd) kept.pointAttribs.insert("Cd");
    if (point_n) kept.pointAttribs.insert("N");
    if (prim_cd) kept.primAttribs.insert("Cd");
    if (uv.valid()) {
        (uv.onVertex ? kept.vertexAttribs : kept.pointAttribs).insert(uvname);
        kept.detailAttribs.insert("currentlayer");
    }
    return kept;
}
