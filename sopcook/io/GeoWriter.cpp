// Writer of the classic ASCII geometry file.
#include <cctype>
#include <cstring>
#include <vector>
#include "GeoFileError.h"
#include "GeoFormat.h"
#include "NumberText.h"

namespace {

/// The file's type word and component count for attribute a; throws for
/// attributes the file cannot hold.
void describe(const GB_Attribute &a, const std::string &file, const char *&type, int &components) {
    components = a.size / 4;
    if (a.size % 4 != 0)
        throw GeoFileError::ofFile(file, "attribute '" + a.name + "' has a size the .geo file cannot hold");
    switch (a.type) {
        case GB_ATTRIB_FLOAT:
            type = "float";
            return;
        case GB_ATTRIB_INT:
            type = "int";
            return;
        case GB_ATTRIB_VECTOR:
            type = "vector";
            return;
        case GB_ATTRIB_INDEX:
            type = "index";
            return;
        default:
            throw GeoFileError::ofFile(file, "attribute '" + a.name + "' has a type the .geo file cannot hold");
    }
}

/// Throws unless name can stand as one token of the file.
void requireToken(const std::string &name, const char *what, const std::string &file) {
    bool ok = !name.empty();
    for (char c : name)
        if (std::isspace(static_cast<unsigned char>(c)) || c == '(' || c == ')' || c == '[' || c == ']') ok = false;
    if (!ok)
        throw GeoFileError::ofFile(file, std::string(what) + " '" + name +
                                             "' cannot be written to a .geo file (white space or brackets)");
}

void appendQuoted(std::string &out, const std::string &s) {
    out += '"';
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

/// Component c of attribute a, whose values start at data.
void appendValue(std::string &out, const GB_Attribute &a, const unsigned char *data, int c) {
    if (a.type == GB_ATTRIB_INT || a.type == GB_ATTRIB_INDEX) {
        int v;
        std::memcpy(&v, data + 4 * c, 4);
        appendInt(out, v);
    } else {
        float v;
        std::memcpy(&v, data + 4 * c, 4);
        appendFloat(out, v);
    }
}

void appendDeclarations(std::string &out, const char *section, const GB_AttributeDict &dict, const std::string &file) {
    if (dict.attributes().empty()) return;
    out += section;
    out += '\n';
    for (const GB_Attribute &a : dict.attributes()) {
        const char *type;
        int n;
        describe(a, file, type, n);
        requireToken(a.name, "attribute name", file);
        out += a.name + ' ' + std::to_string(n) + ' ' + type;
        if (a.type == GB_ATTRIB_INDEX) {
            out += ' ' + std::to_string(a.strings.size());
            for (const std::string &s : a.strings) {
                out += ' ';
                appendQuoted(out, s);
            }
            int def;
            std::memcpy(&def, a.defaults.data(), 4);
            if (def != 0) out += ' ' + std::to_string(def);
        } else {
            for (int c = 0; c < n; ++c) {
                out += ' ';
                appendValue(out, a, a.defaults.data(), c);
            }
        }
        out += '\n';
    }
}

/// " (v v v)" or " [v v]" with every attribute of dict for element e.
void appendValues(std::string &out, char open, char close, const GB_AttributeDict &dict, const GB_Element &e) {
    if (dict.attributes().empty()) return;
    const unsigned char *block = dict.block(e.getSlot());
    out += ' ';
    out += open;
    bool first = true;
    for (const GB_Attribute &a : dict.attributes()) {
        for (int c = 0; c < a.size / 4; ++c) {
            if (!first) out += ' ';
            first = false;
            appendValue(out, a, block + a.offset, c);
        }
    }
    out += close;
}

void appendPrimitive(std::string &out, const GU_Detail &gdp, const GEO_Primitive &prim) {
    if (prim.getPrimitiveId() == GEOPRIMPOLY) {
        const auto &poly = static_cast<const GEO_PrimPoly &>(prim);
        out += "Poly " + std::to_string(poly.getVertexCount()) + (poly.isClosed() ? " <" : " :");
        for (const GEO_Vertex &v : poly.vertices()) {
            out += ' ';
            appendInt(out, v.getPt()->getNum());
            appendValues(out, '(', ')', gdp.vertexAttribs(), v);
        }
    } else {
        const auto &other = static_cast<const GEO_PrimOther &>(prim);
        out += other.keyword();
        if (!other.body.empty()) out += ' ' + other.body;
    }
    appendValues(out, '[', ']', gdp.primitiveAttribs(), prim);
    out += '\n';
}

std::vector<const GB_Group *> namedGroups(const GB_GroupList &list) {
    std::vector<const GB_Group *> out;
    for (const auto &g : list.groups())
        if (!g->getInternal()) out.push_back(g.get());
    return out;
}

void appendGroups(std::string &out, const std::vector<const GB_Group *> &groups, int elements,
                  const std::string &file) {
    for (const GB_Group *g : groups) {
        requireToken(g->getName(), "group name", file);
        out += std::string(g->getName()) + " unordered\n" + std::to_string(elements) + ' ';
        for (int i = 0; i < elements; ++i) out += g->contains(i) ? '1' : '0';
        out += '\n';
    }
}

/// Each named edge group as "NAME ordered", then its count and edges as
/// "A-B" (points) or "A-B:P" (P the primitive the edge was found on).
void appendEdgeGroups(std::string &out, const std::vector<const GB_EdgeGroup *> &groups, const std::string &file) {
    for (const GB_EdgeGroup *g : groups) {
        requireToken(g->getName(), "edge group name", file);
        out += std::string(g->getName()) + " ordered\n" + std::to_string(g->entries());
        for (const GB_Edge &e : g->edges()) {
            out += ' ';
            appendInt(out, e.p0Num());
            out += '-';
            appendInt(out, e.p1Num());
            if (e.prim) {
                out += ':';
                appendInt(out, e.prim->getNum());
            }
        }
        out += '\n';
    }
}

}  // namespace

std::string writeGeo(const GU_Detail &gdp, const std::string &file) {
    auto pgroups = namedGroups(gdp.pointGroups());
    auto primgroups = namedGroups(gdp.primitiveGroups());
    std::vector<const GB_EdgeGroup *> edgegroups;
    for (const auto &g : gdp.edgeGroups().groups())
        if (!g->getInternal()) edgegroups.push_back(g.get());
    const int npts = gdp.points().entries();
    const int nprims = gdp.primitives().entries();
    std::string out = "PGEOMETRY V5\n";
    out += "NPoints " + std::to_string(npts) + " NPrims " + std::to_string(nprims) + '\n';
    out += "NPointGroups " + std::to_string(pgroups.size()) + " NPrimGroups " + std::to_string(primgroups.size());
    if (!edgegroups.empty()) out += " NEdgeGroups " + std::to_string(edgegroups.size());
    out += '\n';
    out += "NPointAttrib " + std::to_string(gdp.pointAttribs().entries()) + " NVertexAttrib " +
           std::to_string(gdp.vertexAttribs().entries()) + " NPrimAttrib " +
           std::to_string(gdp.primitiveAttribs().entries()) + " NAttrib " + std::to_string(gdp.attribs().entries()) +
           '\n';
    appendDeclarations(out, "PointAttrib", gdp.pointAttribs(), file);
    appendDeclarations(out, "VertexAttrib", gdp.vertexAttribs(), file);
    appendDeclarations(out, "PrimitiveAttrib", gdp.primitiveAttribs(), file);
    appendDeclarations(out, "DetailAttrib", gdp.attribs(), file);
    for (const auto &p : gdp.points()) {
        const UT_Vector4 &pos = p->getPos();
        for (int c = 0; c < 4; ++c) {
            if (c) out += ' ';
            appendFloat(out, pos(c));
        }
        appendValues(out, '(', ')', gdp.pointAttribs(), *p);
        out += '\n';
    }
    for (const auto &prim : gdp.primitives()) appendPrimitive(out, gdp, *prim);
    if (gdp.attribs().entries()) {
        appendValues(out, '(', ')', gdp.attribs(), gdp.getDetailElement());
        out += '\n';
    }
    appendGroups(out, pgroups, npts, file);
    appendGroups(out, primgroups, nprims, file);
    appendEdgeGroups(out, edgegroups, file);
    out += "beginExtra\nendExtra\n";
    return out;
}
