// OFF reading.
#include <vector>
#include "AttribAccess.h"
#include "GeoFileError.h"
#include "OffFormat.h"
#include "TextScanner.h"

namespace {

/// What the header keyword announces.
struct OffLayout {
    bool texcoords = false, colours = false, normals = false, homogeneous = false;
};

OffLayout readKeyword(TextScanner &in) {
    std::string_view k = in.next();
    OffLayout l;
    if (k.size() < 3 || k.substr(k.size() - 3) != "OFF") in.fail("an OFF header (OFF, COFF, NOFF, STOFF, 4OFF...)", k);
    std::string_view prefix = k.substr(0, k.size() - 3);
    if (prefix.substr(0, 2) == "ST") {
        l.texcoords = true;
        prefix.remove_prefix(2);
    }
    if (!prefix.empty() && prefix[0] == 'C') {
        l.colours = true;
        prefix.remove_prefix(1);
    }
    if (!prefix.empty() && prefix[0] == 'N') {
        l.normals = true;
        prefix.remove_prefix(1);
    }
    if (!prefix.empty() && prefix[0] == '4') {
        l.homogeneous = true;
        prefix.remove_prefix(1);
    }
    if (!prefix.empty()) in.fail("an OFF header this reader knows (n-dimensional OFF is not supported)", k);
    if (!in.atLineEnd() && in.peek() == "BINARY") in.failHere("binary OFF is not supported");
    return l;
}

/// Reads the rest of the line as numbers; sets integers when none has a
/// fraction or exponent.
std::vector<double> restNumbers(TextScanner &in, bool &integers) {
    std::vector<double> out;
    integers = true;
    while (!in.atLineEnd()) {
        std::string_view t = in.next();
        double v;
        if (!parseNumber(t, v)) in.fail("a number", t);
        if (!fitsFloat(v)) in.fail(finiteExpected("a number"), t);
        if (t.find_first_of(".eEnN") != std::string_view::npos) integers = false;
        out.push_back(v);
    }
    return out;
}

/// Colour from 3 or 4 numbers at values[from]; integers are 0..255.
void colourFrom(const std::vector<double> &values, size_t from, bool integers, float rgb[3]) {
    for (int c = 0; c < 3; ++c) {
        double v = values[from + c];
        rgb[c] = static_cast<float>(integers ? v / 255.0 : v);
    }
}

class OffReader {
public:
    OffReader(std::string_view data, const std::string &file, GU_Detail &gdp) : myIn(data, file, "", '#'), myGdp(gdp) {}

    void read() {
        myLayout = readKeyword(myIn);
        long long nv = myIn.count("a vertex count");
        long long nf = myIn.count("a face count");
        myIn.integer("an edge count");
        if (!myIn.atLineEnd()) myIn.fail("the end of the count line", myIn.peek());
        for (long long i = 0; i < nv; ++i) readVertex();
        for (long long i = 0; i < nf; ++i) readFace();
        if (!myIn.atEnd()) myIn.fail("the end of the file after " + std::to_string(nf) + " faces", myIn.peek());
    }

private:
    void readVertex() {
        float p[4] = {0, 0, 0, 1};
        const int dims = myLayout.homogeneous ? 4 : 3;
        // A vertex is one line: coordinates missing from it are reported
        // here, not taken from the next line.
        for (int c = 0; c < dims; ++c) {
            if (c > 0 && myIn.atLineEnd())
                myIn.failHere("expected " + std::to_string(dims) + " vertex coordinates, found " + std::to_string(c));
            p[c] = myIn.floatNumber("a vertex coordinate");
        }
        GEO_Point *pt = myGdp.appendPoint(UT_Vector4(p[0], p[1], p[2], p[3]));
        bool integers;
        std::vector<double> extra = restNumbers(myIn, integers);
        size_t at = 0;
        if (myLayout.normals) {
            if (extra.size() < 3) myIn.failHere("expected a normal (3 numbers) after the vertex coordinates");
            if (myNormal < 0) myNormal = addFloatTuple(myGdp.pointAttribs(), "N", 3);
            for (int c = 0; c < 3; ++c) pt->setValue<float>(myNormal, static_cast<float>(extra[c]), c);
            at = 3;
        }
        if (myLayout.texcoords && extra.size() < at + 2) myIn.failHere("expected texture coordinates (2 numbers)");
        size_t colour_end = extra.size() - (myLayout.texcoords ? 2 : 0);
        size_t ncolour = colour_end - at;
        if (ncolour == 3 || ncolour == 4) {
            float rgb[3];
            colourFrom(extra, at, integers, rgb);
            if (myColour < 0) myColour = addFloatTuple(myGdp.pointAttribs(), "Cd", 3);
            for (int c = 0; c < 3; ++c) pt->setValue<float>(myColour, rgb[c], c);
        } else if (ncolour != 0 || myLayout.colours) {
            myIn.failHere("expected a vertex colour (3 or 4 numbers), found " + std::to_string(ncolour) + " numbers");
        }
        if (myLayout.texcoords) {
            if (myUv < 0) myUv = addFloatTuple(myGdp.pointAttribs(), "uv", 3);
            for (int c = 0; c < 2; ++c) pt->setValue<float>(myUv, static_cast<float>(extra[colour_end + c]), c);
        }
    }

    void readFace() {
        long long n = myIn.count("a face's vertex count");
        if (n < 3) myIn.fail("a face of at least 3 vertices", std::to_string(n));
        GEO_PrimPoly *poly = myGdp.appendPoly(nullptr, 0, true);
        const long long npts = myGdp.points().entries();
        for (long long i = 0; i < n; ++i) {
            if (myIn.atLineEnd())
                myIn.failHere("expected " + std::to_string(n) + " vertex indices after the count, found " +
                              std::to_string(i));
            long long idx = myIn.integer("a vertex index");
            if (idx < 0 || idx >= npts) myIn.fail("a vertex index below " + std::to_string(npts), std::to_string(idx));
            myGdp.appendVertex(*poly, myGdp.points()(static_cast<int>(idx)));
        }
        bool integers;
        std::vector<double> extra = restNumbers(myIn, integers);
        // One number is a colour-map index, which has no colour to keep.
        if (extra.size() == 3 || extra.size() == 4) {
            float rgb[3];
            colourFrom(extra, 0, integers, rgb);
            if (myFaceColour < 0) myFaceColour = addFloatTuple(myGdp.primitiveAttribs(), "Cd", 3);
            for (int c = 0; c < 3; ++c) poly->setValue<float>(myFaceColour, rgb[c], c);
        } else if (extra.size() > 1) {
            myIn.failHere("expected a face colour (3 or 4 numbers) after the indices, found " +
                          std::to_string(extra.size()) + " numbers");
        }
    }

    TextScanner myIn;
    GU_Detail &myGdp;
    OffLayout myLayout;
    int myNormal = -1, myColour = -1, myUv = -1, myFaceColour = -1;
};

}  // namespace

void readOff(std::string_view data, const std::string &file, GU_Detail &gdp) { OffReader(data, file, gdp).read(); }
