// Reader of the classic ASCII geometry file.
#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>
#include "GeoFileError.h"
#include "GeoFormat.h"
#include "TextScanner.h"

namespace {

/// One attribute as declared in the file, with its offset in the detail.
struct Decl {
    GB_AttribType type;
    int components;
    int offset;
};

/// Header counts.
struct Counts {
    long long points = 0, prims = 0, pointGroups = 0, primGroups = 0, edgeGroups = 0;
    long long pointAttribs = 0, vertexAttribs = 0, primAttribs = 0, detailAttribs = 0;
};

class GeoReader {
public:
    GeoReader(std::string_view data, const std::string &file, GU_Detail &gdp) : myIn(data, file, "()[]"), myGdp(gdp) {}

    void read() {
        readHeader();
        readDeclarations("PointAttrib", myCounts.pointAttribs, myGdp.pointAttribs(), myPointDecls);
        readDeclarations("VertexAttrib", myCounts.vertexAttribs, myGdp.vertexAttribs(), myVertexDecls);
        readDeclarations("PrimitiveAttrib", myCounts.primAttribs, myGdp.primitiveAttribs(), myPrimDecls);
        readDeclarations("DetailAttrib", myCounts.detailAttribs, myGdp.attribs(), myDetailDecls);
        for (long long i = 0; i < myCounts.points; ++i) readPoint();
        while (myGdp.primitives().entries() < myCounts.prims) readPrimitiveLine();
        if (!myDetailDecls.empty()) readValues('(', ')', myDetailDecls, myGdp.getDetailElement());
        for (long long i = 0; i < myCounts.pointGroups; ++i) readGroup(myGdp.pointGroups(), myCounts.points);
        for (long long i = 0; i < myCounts.primGroups; ++i) readGroup(myGdp.primitiveGroups(), myCounts.prims);
        for (long long i = 0; i < myCounts.edgeGroups; ++i) readEdgeGroup();
        readExtra();
    }

private:
    void readHeader() {
        myIn.expect("PGEOMETRY");
        std::string_view v = myIn.next();
        if (v.size() < 2 || v[0] != 'V') myIn.fail("a version such as V5", v);
        struct Field {
            const char *word;
            long long *value;
        };
        Field fields[] = {{"NPoints", &myCounts.points},
                          {"NPrims", &myCounts.prims},
                          {"NPointGroups", &myCounts.pointGroups},
                          {"NPrimGroups", &myCounts.primGroups},
                          {"NPointAttrib", &myCounts.pointAttribs},
                          {"NVertexAttrib", &myCounts.vertexAttribs},
                          {"NPrimAttrib", &myCounts.primAttribs},
                          {"NAttrib", &myCounts.detailAttribs}};
        for (Field &f : fields) {
            myIn.expect(f.word);
            *f.value = myIn.count(f.word);
            // Edge groups are counted after the primitive groups, and only
            // when there are any, so that files without them keep the
            // classic header.
            if (f.value == &myCounts.primGroups && myIn.peek() == "NEdgeGroups") {
                myIn.next();
                myCounts.edgeGroups = myIn.count("NEdgeGroups");
            }
        }
    }

    void readDeclarations(const char *section, long long n, GB_AttributeDict &dict, std::vector<Decl> &decls) {
        if (n == 0) return;
        myIn.expect(section);
        for (long long i = 0; i < n; ++i) decls.push_back(readDeclaration(dict));
    }

    Decl readDeclaration(GB_AttributeDict &dict) {
        std::string name(myIn.next());
        if (name.empty()) myIn.fail("an attribute name", name);
        int size = static_cast<int>(myIn.integer("an attribute size", 1, 1 << 20));
        std::string_view type = myIn.next();
        Decl d{GB_ATTRIB_FLOAT, size, -1};
        std::vector<std::string> strings;
        std::vector<unsigned char> defaults(static_cast<size_t>(size) * 4, 0);
        if (static_cast<size_t>(size) > myIn.remaining())
            myIn.failHere("attribute '" + name + "' is larger than the file");
        if (type == "float" || type == "vector") {
            d.type = type == "float" ? GB_ATTRIB_FLOAT : GB_ATTRIB_VECTOR;
            if (d.type == GB_ATTRIB_VECTOR && size != 3)
                myIn.fail("size 3 for a vector attribute", std::to_string(size));
            for (int c = 0; c < size; ++c) {
                float f = myIn.floatNumber("a default value");
                std::memcpy(defaults.data() + 4 * c, &f, 4);
            }
        } else if (type == "int") {
            d.type = GB_ATTRIB_INT;
            for (int c = 0; c < size; ++c) {
                int v = static_cast<int>(myIn.integer("an integer default value", INT32_MIN, INT32_MAX));
                std::memcpy(defaults.data() + 4 * c, &v, 4);
            }
        } else if (type == "index") {
            d.type = GB_ATTRIB_INDEX;
            if (size != 1) myIn.fail("size 1 for an index attribute", std::to_string(size));
            long long n = myIn.count("a string count");
            for (long long s = 0; s < n; ++s) strings.push_back(myIn.quoted("a string of the index table"));
            if (!myIn.atLineEnd()) {
                int v = static_cast<int>(myIn.integer("an index default", 0, INT32_MAX));
                std::memcpy(defaults.data(), &v, 4);
            }
        } else {
            myIn.fail("an attribute type (float, int, vector or index)", type);
        }
        d.offset = dict.append(name.c_str(), size * 4, d.type, defaults.data());
        if (d.offset < 0) myIn.failHere("attribute '" + name + "' is declared twice");
        dict.find(name.c_str())->strings = std::move(strings);
        return d;
    }

    /// Reads open, the values of every declared attribute and close into e.
    void readValues(char open, char close, const std::vector<Decl> &decls, GB_Element &e) {
        myIn.expect(std::string_view(&open, 1));
        for (const Decl &d : decls) {
            for (int c = 0; c < d.components; ++c) {
                if (d.type == GB_ATTRIB_INT || d.type == GB_ATTRIB_INDEX)
                    e.setValue<int>(d.offset,
                                    static_cast<int>(myIn.integer("an integer attribute value", INT32_MIN, INT32_MAX)),
                                    c);
                else
                    e.setValue<float>(d.offset, myIn.floatNumber("a number attribute value"), c);
            }
        }
        myIn.expect(std::string_view(&close, 1));
    }

    void readPoint() {
        float p[4];
        for (float &c : p) c = myIn.floatNumber("a point coordinate");
        GEO_Point *pt = myGdp.appendPoint(UT_Vector4(p[0], p[1], p[2], p[3]));
        if (!myPointDecls.empty()) readValues('(', ')', myPointDecls, *pt);
    }

    void readPrimitiveLine() {
        std::string_view kw = myIn.next();
        // What follows the primitives (the detail values, a group, the
        // extra section) where a primitive should be: NPrims is too large.
        const std::string_view after = kw.empty() ? kw : myIn.peek();
        if (kw.empty() || kw == "(" || kw == "beginExtra" || after == "unordered" || after == "ordered")
            myIn.failHere("NPrims is " + std::to_string(myCounts.prims) + " but the file has " +
                          std::to_string(myGdp.primitives().entries()) + " primitives (found " +
                          (kw.empty() ? std::string("the end of the file") : "'" + std::string(kw) + "'") +
                          " where primitive " + std::to_string(myGdp.primitives().entries()) + " should be)");
        if (kw == "Run") {
            long long k = myIn.count("a run length");
            std::string keyword(myIn.next());
            if (keyword.empty() || !std::isalpha(static_cast<unsigned char>(keyword[0])) || reservedWord(keyword))
                myIn.fail("a primitive keyword after Run", keyword);
            if (myGdp.primitives().entries() + k > myCounts.prims)
                myIn.failHere("run goes past the declared primitive count");
            for (long long i = 0; i < k; ++i) readPrimitive(keyword, true);
            return;
        }
        if (!std::isalpha(static_cast<unsigned char>(kw[0])) || reservedWord(kw)) myIn.fail("a primitive keyword", kw);
        readPrimitive(std::string(kw), false);
    }

    /// Words of the format's own: a primitive of that type, written back
    /// as its keyword on a line of its own, would read as a run, a group
    /// header or the extra section.
    static bool reservedWord(std::string_view kw) {
        return kw == "Run" || kw == "ordered" || kw == "unordered" || kw == "beginExtra" || kw == "endExtra";
    }

    void readPrimitive(const std::string &keyword, bool in_run) {
        GEO_Primitive *prim = keyword == "Poly" ? readPoly() : readOther(keyword, in_run);
        if (!myPrimDecls.empty()) readValues('[', ']', myPrimDecls, *prim);
    }

    GEO_Primitive *readPoly() {
        long long n = myIn.count("a vertex count");
        std::string_view closure = myIn.next();
        if (closure != "<" && closure != ":") myIn.fail("'<' (closed) or ':' (open)", closure);
        GEO_PrimPoly *poly = myGdp.appendPoly(nullptr, 0, closure == "<");
        for (long long i = 0; i < n; ++i) {
            long long pt = myIn.integer("a point number");
            if (pt < 0 || pt >= myGdp.points().entries())
                myIn.fail("a point number below " + std::to_string(myGdp.points().entries()), std::to_string(pt));
            GEO_Vertex &v = myGdp.appendVertex(*poly, myGdp.points()(static_cast<int>(pt)));
            if (!myVertexDecls.empty()) readValues('(', ')', myVertexDecls, v);
        }
        return poly;
    }

    /// A primitive of another type: its text up to the primitive
    /// attributes is kept as it stands. Lines that follow and start with a
    /// number continue it (curves put knots on their own lines), except in
    /// a run, where every line is one primitive.
    GEO_Primitive *readOther(const std::string &keyword, bool in_run) {
        GEO_PrimOther *prim = myGdp.appendOther(keyword, nullptr, 0);
        std::string body;
        for (;;) {
            char c = myIn.peekCharOnLine();
            if (c == '\0' || (c == '[' && !myPrimDecls.empty())) break;
            if (c == '\n') {
                if (in_run) break;
                // Look at the next line without consuming it.
                myIn.advanceChar();
                char n = myIn.peekCharOnLine();
                bool continues = std::isdigit(static_cast<unsigned char>(n)) || n == '-' || n == '+' || n == '.';
                if (!continues) break;
                body += '\n';
                continue;
            }
            const std::string_view token = myIn.next();
            // Written back, such a primitive would read as a group header
            // ("NAME unordered ..."): refuse it as every other reading does.
            if (body.empty() && (token == "unordered" || token == "ordered"))
                myIn.fail("a primitive's text (not 'ordered' or 'unordered')", token);
            if (!body.empty() && body.back() != '\n') body += ' ';
            body += std::string(token);
        }
        prim->body = body;
        return prim;
    }

    void readGroup(GB_GroupList &list, long long elements) {
        std::string name(myIn.next());
        if (name.empty()) myIn.fail("a group name", name);
        std::string_view order = myIn.next();
        if (order != "unordered" && order != "ordered") myIn.fail("'unordered' or 'ordered'", order);
        long long n = myIn.integer("the group's element count");
        if (n != elements) myIn.fail("the element count " + std::to_string(elements), std::to_string(n));
        GB_Group *g = list.newGroup(name.c_str());
        long long bit = 0;
        while (bit < n) {
            std::string_view bits = myIn.next();
            if (bits.empty() || bits.find_first_not_of("01") != std::string_view::npos)
                myIn.fail("a bit string of 0 and 1", bits);
            if (bit + static_cast<long long>(bits.size()) > n)
                myIn.failHere("group '" + name + "' has more bits than elements");
            for (char b : bits) {
                if (b == '1') g->add(static_cast<int>(bit));
                ++bit;
            }
        }
    }

    /// "NAME ordered", then the count and one "A-B" or "A-B:P" per edge:
    /// points A and B, and P the primitive the edge was found on.
    void readEdgeGroup() {
        std::string name(myIn.next());
        if (name.empty()) myIn.fail("an edge group name", name);
        if (myGdp.findEdgeGroup(name.c_str())) myIn.failHere("edge group '" + name + "' appears twice");
        std::string_view order = myIn.next();
        if (order != "unordered" && order != "ordered") myIn.fail("'unordered' or 'ordered'", order);
        long long n = myIn.count("the edge group's edge count");
        GB_EdgeGroup *g = myGdp.newEdgeGroup(name.c_str());
        for (long long i = 0; i < n; ++i) {
            std::string_view t = myIn.next();
            long long a, b, prim = -1;
            if (!parseEdge(t, a, b, prim)) myIn.fail("an edge such as 0-1 or 0-1:2 (points, then a primitive)", t);
            const long long npts = myGdp.points().entries(), nprims = myGdp.primitives().entries();
            if (a >= npts || b >= npts) myIn.fail("an edge between point numbers below " + std::to_string(npts), t);
            if (prim >= nprims) myIn.fail("an edge's primitive number below " + std::to_string(nprims), t);
            g->add(myGdp.points()(static_cast<int>(a)), myGdp.points()(static_cast<int>(b)),
                   prim >= 0 ? myGdp.primitives()(static_cast<int>(prim)) : nullptr);
        }
    }

    /// Parses "A-B" or "A-B:P" of unsigned decimal numbers.
    static bool parseEdge(std::string_view t, long long &a, long long &b, long long &prim) {
        const size_t dash = t.find('-'), colon = t.find(':');
        if (dash == std::string_view::npos || (colon != std::string_view::npos && colon < dash)) return false;
        auto whole = [](std::string_view s, long long &v) {
            return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos && s.size() < 12 &&
                   parseInteger(s, v);
        };
        if (!whole(t.substr(0, dash), a)) return false;
        if (colon == std::string_view::npos) return whole(t.substr(dash + 1), b);
        return whole(t.substr(dash + 1, colon - dash - 1), b) && whole(t.substr(colon + 1), prim);
    }

    void readExtra() {
        myIn.expect("beginExtra");
        for (;;) {
            std::string_view t = myIn.next();
            if (t.empty()) myIn.fail("'endExtra'", t);
            if (t == "endExtra") return;
        }
    }

    TextScanner myIn;
    GU_Detail &myGdp;
    Counts myCounts;
    std::vector<Decl> myPointDecls, myVertexDecls, myPrimDecls, myDetailDecls;
};

}  // namespace

void readGeo(std::string_view data, const std::string &file, GU_Detail &gdp) { GeoReader(data, file, gdp).read(); }
