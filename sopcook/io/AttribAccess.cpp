#include "AttribAccess.h"
#include <stdexcept>
#include <vector>

std::string currentUvName(const GEO_Detail &gdp) {
    int off = gdp.attribs().getOffset("currentlayer", 4, GB_ATTRIB_INT);
    if (off < 0) return "uv";
    int layer = gdp.getDetailValue<int>(off);
    return layer > 1 ? "uv" + std::to_string(layer) : "uv";
}

static int floatTupleOffset(const GB_AttributeDict &dict, const char *name, int min_components, int &components) {
    const GB_Attribute *a = dict.find(name);
    if (!a) return -1;
    if (a->type != GB_ATTRIB_FLOAT && a->type != GB_ATTRIB_VECTOR) return -1;
    components = a->size / 4;
    return components >= min_components ? a->offset : -1;
}

TupleSource findCornerTuple(const GEO_Detail &gdp, const char *name, int min_components) {
    TupleSource s;
    s.offset = floatTupleOffset(gdp.vertexAttribs(), name, min_components, s.components);
    if (s.offset >= 0) return s;
    s.onVertex = false;
    s.offset = floatTupleOffset(gdp.pointAttribs(), name, min_components, s.components);
    return s;
}

float cornerValue(const TupleSource &src, const GEO_Vertex &v, int c) {
    if (src.onVertex) return v.getValue<float>(src.offset, c);
    return v.getPt()->getValue<float>(src.offset, c);
}

int findFloat3(const GB_AttributeDict &dict, const char *name) {
    int n = 0;
    int off = floatTupleOffset(dict, name, 3, n);
    return n == 3 ? off : -1;
}

int addFloatTuple(GB_AttributeDict &dict, const char *name, int n) {
    std::vector<float> zeros(n, 0.0f);
    int off = dict.append(name, n * 4, GB_ATTRIB_FLOAT, zeros.data());
    if (off < 0) throw std::runtime_error(std::string("attribute '") + name + "' exists with another size or type");
    return off;
}
