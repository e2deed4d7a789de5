// PLY reading, ASCII and binary.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include "AttribAccess.h"
#include "GeoFileError.h"
#include "PlyHeader.h"
#include "TextScanner.h"

namespace {

/// Values of the body, one at a time, in file order.
class PlySource {
public:
    virtual ~PlySource() = default;
    virtual double value(PlyType t, const char *what) = 0;
    /// A value that becomes a coordinate or an attribute: refused unless a
    /// float holds it (finite, within float range).
    double floatValue(PlyType t, const char *what) {
        double v = value(t, what);
        if (!fitsFloat(v)) refuseNumber(what, v);
        return v;
    }
    /// Throws unless the body has nothing after the last element.
    virtual void finish() = 0;
    /// Throws unless count elements, each of at least min_bytes, can still
    /// be in the file.
    virtual void checkRoom(long long count, std::size_t min_bytes, const std::string &what) = 0;
    [[noreturn]] virtual void fail(const std::string &message) = 0;

protected:
    [[noreturn]] virtual void refuseNumber(const char *what, double v) = 0;
};

class AsciiSource : public PlySource {
public:
    AsciiSource(std::string_view body, const std::string &file, int first_line) : myIn(body, file) {
        myIn.startAtLine(first_line);
    }
    double value(PlyType t, const char *what) override {
        std::string_view tok = myIn.next();
        myLastToken = tok;
        double v;
        if (!parseNumber(tok, v)) myIn.fail(what, tok);
        // Integer types take whole numbers only; the bound keeps every one
        // exact as a double and safe to convert to a count or an index.
        if (!plyIsFloat(t) && !(std::fabs(v) <= 9.0e15 && v == std::floor(v)))
            myIn.fail(std::string("an integer for ") + what, tok);
        return v;
    }
    void checkRoom(long long count, std::size_t min_bytes, const std::string &what) override {
        // Every ASCII value takes at least one character.
        if (min_bytes && static_cast<unsigned long long>(count) > myIn.remaining())
            myIn.failHere(what + " " + std::to_string(count) + " is more than the rest of the file can hold");
    }
    void fail(const std::string &message) override { myIn.failHere(message); }
    void finish() override {
        if (!myIn.atEnd()) myIn.fail("the end of the file after the last element", myIn.next());
    }

private:
    void refuseNumber(const char *what, double) override { myIn.fail(finiteExpected(what), myLastToken); }

    TextScanner myIn;
    std::string_view myLastToken;
};

class BinarySource : public PlySource {
public:
    BinarySource(std::string_view data, std::size_t start, bool big_endian, const std::string &file)
        : myData(data), myPos(start), myBig(big_endian), myFile(file) {}
    double value(PlyType t, const char *what) override {
        std::size_t n = plySize(t);
        if (myData.size() - myPos < n) fail(std::string("expected ") + what + ", found the end of the file");
        unsigned char b[8];
        std::memcpy(b, myData.data() + myPos, n);
        myLast = myPos;
        myPos += n;
        if (myBig != (std::endian::native == std::endian::big))
            for (std::size_t i = 0; i < n / 2; ++i) std::swap(b[i], b[n - 1 - i]);
        switch (t) {
            case PlyType::Int8:
                return static_cast<double>(static_cast<signed char>(b[0]));
            case PlyType::UInt8:
                return b[0];
            case PlyType::Int16: {
                std::int16_t v;
                std::memcpy(&v, b, 2);
                return v;
            }
            case PlyType::UInt16: {
                std::uint16_t v;
                std::memcpy(&v, b, 2);
                return v;
            }
            case PlyType::Int32: {
                std::int32_t v;
                std::memcpy(&v, b, 4);
                return v;
            }
            case PlyType::UInt32: {
                std::uint32_t v;
                std::memcpy(&v, b, 4);
                return v;
            }
            case PlyType::Float32: {
                float v;
                std::memcpy(&v, b, 4);
                return v;
            }
            default: {
                double v;
                std::memcpy(&v, b, 8);
                return v;
            }
        }
    }
    void checkRoom(long long count, std::size_t min_bytes, const std::string &what) override {
        std::size_t left = myData.size() - myPos;
        if (min_bytes && static_cast<unsigned long long>(count) > left / min_bytes)
            throw GeoFileError::atByte(myFile, myPos,
                                       what + " " + std::to_string(count) + " needs more bytes than the file has left");
    }
    void fail(const std::string &message) override { throw GeoFileError::atByte(myFile, myLast, message); }
    void finish() override {
        const std::size_t left = myData.size() - myPos;
        if (left > 0)
            throw GeoFileError::atByte(myFile, myPos,
                                       "expected the end of the file after the last element, found " +
                                           std::to_string(left) + (left == 1 ? " more byte" : " more bytes"));
    }

private:
    void refuseNumber(const char *what, double v) override {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        fail("expected " + finiteExpected(what) + ", found " + text);
    }

    std::string_view myData;
    std::size_t myPos, myLast = 0;
    bool myBig;
    std::string myFile;
};

/// What a property feeds.
enum class Role { Skip, X, Y, Z, R, G, B, NX, NY, NZ, U, V, Extra, Indices, TexList };

Role vertexRole(const PlyProperty &p) {
    if (p.isList) return Role::Skip;
    const std::string &n = p.name;
    if (n == "x") return Role::X;
    if (n == "y") return Role::Y;
    if (n == "z") return Role::Z;
    if (n == "red" || n == "diffuse_red") return Role::R;
    if (n == "green" || n == "diffuse_green") return Role::G;
    if (n == "blue" || n == "diffuse_blue") return Role::B;
    if (n == "nx") return Role::NX;
    if (n == "ny") return Role::NY;
    if (n == "nz") return Role::NZ;
    if (n == "u" || n == "s" || n == "texture_u") return Role::U;
    if (n == "v" || n == "t" || n == "texture_v") return Role::V;
    return Role::Extra;
}

Role faceRole(const PlyProperty &p) {
    if (p.isList) {
        if (p.name == "vertex_indices" || p.name == "vertex_index") return Role::Indices;
        if (p.name == "texcoord") return Role::TexList;
        return Role::Skip;
    }
    if (p.name == "red") return Role::R;
    if (p.name == "green") return Role::G;
    if (p.name == "blue") return Role::B;
    return Role::Extra;
}

/// The smallest number of bytes one instance of e takes in binary.
std::size_t minBytes(const PlyElement &e) {
    std::size_t n = 0;
    for (const PlyProperty &p : e.properties) n += plySize(p.isList ? p.countType : p.type);
    return n;
}

class PlyReader {
public:
    PlyReader(PlySource &src, GU_Detail &gdp) : mySrc(src), myGdp(gdp) {}

    void readElement(const PlyElement &e) {
        if (e.count > 0 && e.properties.empty()) mySrc.fail("element '" + e.name + "' has no properties");
        mySrc.checkRoom(e.count, minBytes(e), "element '" + e.name + "' count");
        if (e.name == "vertex") {
            if (e.find("x") < 0 || e.find("y") < 0 || e.find("z") < 0)
                mySrc.fail("the vertex element has no x, y and z");
            setup(e, vertexRole, myGdp.pointAttribs());
            for (long long i = 0; i < e.count; ++i) readVertex(e);
        } else if (e.name == "face") {
            if (e.find("vertex_indices") < 0 && e.find("vertex_index") < 0)
                mySrc.fail("the face element has no vertex_indices list");
            setup(e, faceRole, myGdp.primitiveAttribs());
            for (long long i = 0; i < e.count; ++i) readFace(e);
        } else if (e.name == "edge" && e.find("vertex1") >= 0 && e.find("vertex2") >= 0) {
            readEdges(e);
        } else {
            myRoles.assign(e.properties.size(), Role::Skip);
            for (long long i = 0; i < e.count; ++i) skipInstance(e);
        }
    }

private:
    void setup(const PlyElement &e, Role (*role)(const PlyProperty &), GB_AttributeDict &dict) {
        myRoles.clear();
        myExtra.assign(e.properties.size(), -1);
        myColourScale = 1.0;
        for (size_t i = 0; i < e.properties.size(); ++i) {
            const PlyProperty &p = e.properties[i];
            myRoles.push_back(role(p));
            if (myRoles.back() == Role::Extra) myExtra[i] = addFloatTuple(dict, p.name.c_str(), 1);
            if (myRoles.back() == Role::R && !plyIsFloat(p.type)) myColourScale = 1.0 / 255.0;
        }
        auto has = [&](Role r) { return std::find(myRoles.begin(), myRoles.end(), r) != myRoles.end(); };
        myCd = has(Role::R) && has(Role::G) && has(Role::B) ? addFloatTuple(dict, "Cd", 3) : -1;
        myN = has(Role::NX) && has(Role::NY) && has(Role::NZ) ? addFloatTuple(dict, "N", 3) : -1;
        myUv = has(Role::U) && has(Role::V) ? addFloatTuple(dict, "uv", 3) : -1;
    }

    /// Reads a list's count (bounded by the room left for its items).
    long long listCount(const PlyProperty &p) {
        double c = mySrc.value(p.countType, "a list count");
        if (c < 0) mySrc.fail("expected a list count of 0 or more");
        mySrc.checkRoom(static_cast<long long>(c), plySize(p.type), "list '" + p.name + "' count");
        return static_cast<long long>(c);
    }

    void skipInstance(const PlyElement &e) {
        for (const PlyProperty &p : e.properties) skipProperty(p);
    }

    void readVertex(const PlyElement &e) {
        GEO_Point *pt = myGdp.appendPoint();
        UT_Vector4 pos(0, 0, 0, 1);
        for (size_t i = 0; i < e.properties.size(); ++i) {
            const PlyProperty &p = e.properties[i];
            if (p.isList) {
                long long n = listCount(p);
                for (long long k = 0; k < n; ++k) mySrc.value(p.type, p.name.c_str());
                continue;
            }
            float v = static_cast<float>(mySrc.floatValue(p.type, p.name.c_str()));
            switch (myRoles[i]) {
                case Role::X:
                    pos(0) = v;
                    break;
                case Role::Y:
                    pos(1) = v;
                    break;
                case Role::Z:
                    pos(2) = v;
                    break;
                case Role::R:
                case Role::G:
                case Role::B:
                    if (myCd >= 0)
                        pt->setValue<float>(myCd, static_cast<float>(v * myColourScale),
                                            static_cast<int>(myRoles[i]) - static_cast<int>(Role::R));
                    break;
                case Role::NX:
                case Role::NY:
                case Role::NZ:
                    if (myN >= 0)
                        pt->setValue<float>(myN, v, static_cast<int>(myRoles[i]) - static_cast<int>(Role::NX));
                    break;
                case Role::U:
                    if (myUv >= 0) pt->setValue<float>(myUv, v, 0);
                    break;
                case Role::V:
                    if (myUv >= 0) pt->setValue<float>(myUv, v, 1);
                    break;
                case Role::Extra:
                    pt->setValue<float>(myExtra[i], v);
                    break;
                default:
                    break;
            }
        }
        pt->setPos(pos);
    }

    void readFace(const PlyElement &e) {
        GEO_PrimPoly *poly = myGdp.appendPoly(nullptr, 0, true);
        for (size_t i = 0; i < e.properties.size(); ++i) {
            const PlyProperty &p = e.properties[i];
            if (myRoles[i] == Role::Indices)
                readIndices(p, *poly);
            else if (myRoles[i] == Role::TexList)
                readTexcoords(p, *poly);
            else if (p.isList) {
                long long n = listCount(p);
                for (long long k = 0; k < n; ++k) mySrc.value(p.type, p.name.c_str());
            } else {
                float v = static_cast<float>(mySrc.floatValue(p.type, p.name.c_str()));
                if (myRoles[i] == Role::Extra)
                    poly->setValue<float>(myExtra[i], v);
                else if (myCd >= 0 && (myRoles[i] == Role::R || myRoles[i] == Role::G || myRoles[i] == Role::B))
                    poly->setValue<float>(myCd, static_cast<float>(v * myColourScale),
                                          static_cast<int>(myRoles[i]) - static_cast<int>(Role::R));
            }
        }
    }

    void readIndices(const PlyProperty &p, GEO_PrimPoly &poly) {
        if (plyIsFloat(p.type)) mySrc.fail("expected an integer type for vertex indices");
        long long n = listCount(p);
        if (n < 3) mySrc.fail("expected a face of at least 3 vertices, found " + std::to_string(n));
        const long long npts = myGdp.points().entries();
        for (long long k = 0; k < n; ++k) {
            double idx = mySrc.value(p.type, "a vertex index");
            if (idx < 0 || idx >= static_cast<double>(npts))
                mySrc.fail("expected a vertex index below " + std::to_string(npts) + ", found " +
                           std::to_string(static_cast<long long>(idx)));
            myGdp.appendVertex(poly, myGdp.points()(static_cast<int>(idx)));
        }
    }

    /// The edge element: each vertex1-vertex2 pair joins the edge group
    /// "edges" (with no primitive: the file names none). Pairs that no
    /// polygon has as an edge are kept too; a cut along the group skips
    /// them. Other properties of the element are read past.
    void readEdges(const PlyElement &e) {
        const int ends[2] = {e.find("vertex1"), e.find("vertex2")};
        for (int i : ends) {
            const PlyProperty &p = e.properties[static_cast<size_t>(i)];
            if (p.isList || plyIsFloat(p.type))
                mySrc.fail("expected an integer type for the edge property '" + p.name + "'");
        }
        GB_EdgeGroup *group = myGdp.findEdgeGroup("edges");
        if (!group) group = myGdp.newEdgeGroup("edges");
        const long long npts = myGdp.points().entries();
        for (long long k = 0; k < e.count; ++k) {
            long long pt[2] = {-1, -1};
            for (size_t i = 0; i < e.properties.size(); ++i) {
                const PlyProperty &p = e.properties[i];
                const int end = static_cast<int>(i) == ends[0] ? 0 : static_cast<int>(i) == ends[1] ? 1 : -1;
                if (end < 0) {
                    skipProperty(p);
                    continue;
                }
                double idx = mySrc.value(p.type, "an edge's vertex index");
                if (idx < 0 || idx >= static_cast<double>(npts))
                    mySrc.fail("expected an edge's vertex index below " + std::to_string(npts) + ", found " +
                               std::to_string(static_cast<long long>(idx)));
                pt[end] = static_cast<long long>(idx);
            }
            group->add(myGdp.points()(static_cast<int>(pt[0])), myGdp.points()(static_cast<int>(pt[1])));
        }
    }

    void skipProperty(const PlyProperty &p) {
        if (!p.isList) {
            mySrc.value(p.type, p.name.c_str());
            return;
        }
        long long n = listCount(p);
        for (long long k = 0; k < n; ++k) mySrc.value(p.type, p.name.c_str());
    }

    /// Two numbers per corner; the indices must come first.
    void readTexcoords(const PlyProperty &p, GEO_PrimPoly &poly) {
        long long n = listCount(p);
        if (n != 2LL * poly.getVertexCount())
            mySrc.fail("expected " + std::to_string(2 * poly.getVertexCount()) +
                       " texture coordinates (2 per corner), found " + std::to_string(n));
        if (myVertexUv < 0) myVertexUv = addFloatTuple(myGdp.vertexAttribs(), "uv", 3);
        for (long long k = 0; k < n; ++k) {
            float v = static_cast<float>(mySrc.floatValue(p.type, "a texture coordinate"));
            poly.getVertex(static_cast<unsigned>(k / 2)).setValue<float>(myVertexUv, v, static_cast<int>(k % 2));
        }
    }

    PlySource &mySrc;
    GU_Detail &myGdp;
    std::vector<Role> myRoles;
    std::vector<int> myExtra;
    double myColourScale = 1.0;
    int myCd = -1, myN = -1, myUv = -1, myVertexUv = -1;
};

}  // namespace

void readPly(std::string_view data, const std::string &file, GU_Detail &gdp) {
    PlyHeader h = readPlyHeader(data, file);
    std::unique_ptr<PlySource> src;
    if (h.encoding == PlyEncoding::Ascii)
        src = std::make_unique<AsciiSource>(data.substr(h.bodyOffset), file, h.bodyLine);
    else
        src = std::make_unique<BinarySource>(data, h.bodyOffset, h.encoding == PlyEncoding::BinaryBigEndian, file);
    PlyReader reader(*src, gdp);
    try {
        for (const PlyElement &e : h.elements) reader.readElement(e);
        src->finish();
    } catch (const GeoFileError &) {
        throw;
    } catch (const std::runtime_error &e) {
        throw GeoFileError::ofFile(file, e.what());
    }
}
