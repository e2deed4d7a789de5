// OBJ reading: a strict line check that names the faulty line, then
// tinyobjloader's callback parser to build the geometry.
#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <tiny_obj_loader.h>
#include "AttribAccess.h"
#include "GeoFileError.h"
#include "ObjFormat.h"
#include "TextScanner.h"

namespace {

/// Statements of the OBJ format that the check accepts (most are ignored).
bool knownStatement(std::string_view k) {
    static const char *const known[] = {
        "v",    "vt",         "vn",        "vp",     "f",     "fo",    "l",        "p",        "g",      "o",
        "s",    "usemtl",     "mtllib",    "cstype", "deg",   "curv",  "curv2",    "surf",     "parm",   "trim",
        "hole", "scrv",       "sp",        "end",    "con",   "bmat",  "step",     "mg",       "maplib", "usemap",
        "lod",  "shadow_obj", "trace_obj", "ctech",  "stech", "bevel", "c_interp", "d_interp", "call",   "csh"};
    for (const char *s : known)
        if (k == s) return true;
    return false;
}

/// Counts of what the check saw, and the points of every `l` statement
/// (0-based), which the parser does not report.
struct ObjCensus {
    long long points = 0, uvs = 0, others = 0;
    std::vector<std::vector<int>> lines;
};

/// Checks that an OBJ index token refers to one of count elements (1-based,
/// or negative relative to the end).
bool validIndex(std::string_view t, long long count) {
    long long i;
    if (!parseInteger(t, i) || i == 0) return false;
    return i > 0 ? i <= count : -i <= count;
}

/// Reads n numbers from the rest of the line; min..max of them are allowed.
void checkNumbers(TextScanner &in, int min, int max, const char *what) {
    int n = 0;
    while (!in.atLineEnd()) {
        std::string_view t = in.next();
        double v;
        if (!parseNumber(t, v)) in.fail(what, t);
        if (!fitsFloat(v)) in.fail(finiteExpected(("a " + std::string(what)).c_str()), t);
        ++n;
    }
    if (n < min || n > max)
        in.failHere("expected " + std::to_string(min) + (min == max ? "" : " to " + std::to_string(max)) + " " + what +
                    "s, found " + std::to_string(n));
}

/// Throws for index token t, which names no element of a kind (statement
/// keyword) of which count come before its line.
[[noreturn]] void badIndex(TextScanner &in, std::string_view t, const char *kind, const char *keyword,
                           long long count) {
    if (count == 0)
        in.failHere("'" + std::string(t.substr(0, 40)) + "' names a " + kind + ", but no " + kind + " (" + keyword +
                    ") comes before this line");
    in.fail(std::string("a ") + kind + " index from 1 to " + std::to_string(count) + " (or -1 to -" +
                std::to_string(count) + ")",
            t);
}

/// Checks a point index token (the part before any '/') and returns the
/// point, 0-based.
int checkPoint(TextScanner &in, std::string_view t, const ObjCensus &c) {
    std::string_view v = t.substr(0, t.find('/'));
    long long i = 0;
    if (!validIndex(v, c.points) || !parseInteger(v, i)) badIndex(in, t, "point", "v", c.points);
    return static_cast<int>(i > 0 ? i - 1 : c.points + i);
}

void checkCorner(TextScanner &in, std::string_view t, const ObjCensus &c) {
    auto slash = t.find('/');
    checkPoint(in, t, c);
    if (slash == std::string_view::npos) return;
    std::string_view rest = t.substr(slash + 1);
    // tinyobjloader reads past a bare trailing '/' into the next corner,
    // so "1/" must not reach it.
    if (rest.empty()) in.fail("a texture index after '/'", t);
    auto slash2 = rest.find('/');
    std::string_view vt = rest.substr(0, slash2);
    if (!vt.empty() && !validIndex(vt, c.uvs)) badIndex(in, t, "texture coordinate", "vt", c.uvs);
    if (slash2 != std::string_view::npos) {
        long long n;
        if (!parseInteger(rest.substr(slash2 + 1), n)) in.fail("a normal index after '//'", t);
    }
}

/// Refuses NUL bytes and '\\' line continuations, which the parser
/// would read differently from the line check.
void checkRawLines(std::string_view data, const std::string &file) {
    int line = 1;
    for (size_t start = 0; start < data.size(); ++line) {
        size_t end = std::min(data.find('\n', start), data.size());
        std::string_view text = data.substr(start, end - start);
        if (text.find('\0') != std::string_view::npos)
            throw GeoFileError::atLine(file, line, "expected text, found a NUL byte");
        text = text.substr(0, text.find('#'));
        size_t last = text.find_last_not_of(" \t\r\f\v");
        if (last != std::string_view::npos && text[last] == '\\')
            throw GeoFileError::atLine(file, line, "a '\\' line continuation is not supported: join the lines");
        start = end + 1;
    }
}

/// The `l` statement: at least two points, each "v" or "v/vt".
void checkLine(TextScanner &in, ObjCensus &c) {
    std::vector<int> pts;
    while (!in.atLineEnd()) {
        std::string_view t = in.next();
        pts.push_back(checkPoint(in, t, c));
        auto slash = t.find('/');
        if (slash != std::string_view::npos && !validIndex(t.substr(slash + 1), c.uvs))
            badIndex(in, t, "texture coordinate", "vt", c.uvs);
    }
    if (pts.size() < 2) in.failHere("expected at least 2 points in a line (l), found " + std::to_string(pts.size()));
    c.lines.push_back(std::move(pts));
}

/// The line check: every statement well formed, every index in range.
ObjCensus checkObj(std::string_view data, const std::string &file) {
    checkRawLines(data, file);
    TextScanner in(data, file, "", '#');
    ObjCensus c;
    while (!in.atEnd()) {
        std::string_view k = in.next();
        if (k == "v") {
            checkNumbers(in, 3, 7, "coordinate");
            ++c.points;
        } else if (k == "vt") {
            checkNumbers(in, 1, 3, "texture coordinate");
            ++c.uvs;
        } else if (k == "vn") {
            checkNumbers(in, 3, 3, "normal component");
        } else if (k == "f" || k == "fo") {
            int n = 0;
            while (!in.atLineEnd()) {
                checkCorner(in, in.next(), c);
                ++n;
            }
            if (n < 3) in.failHere("expected at least 3 corners in a face, found " + std::to_string(n));
        } else if (k == "l") {
            checkLine(in, c);
        } else if (!knownStatement(k)) {
            in.fail("an OBJ statement (v, vt, vn, f, g, o, ...)", k);
        } else if (k != "g" && k != "o" && k != "s" && k != "usemtl" && k != "mtllib" && k != "vn") {
            ++c.others;
        }
        in.skipLine();
    }
    return c;
}

/// What the callbacks build.
struct ObjBuild {
    GU_Detail *gdp;
    std::vector<float> uvs;  // 3 per texture coordinate
    int uvOffset = -1;
    std::vector<std::string> groups;
    std::string object;

    GB_Group *group(const std::string &name) {
        GB_Group *g = gdp->primitiveGroups().find(name.c_str());
        return g ? g : gdp->primitiveGroups().newGroup(name.c_str());
    }
};

/// A raw OBJ index (1-based or negative from the end) as 0-based.
int resolve(int raw, int count) { return raw > 0 ? raw - 1 : count + raw; }

void onVertex(void *u, tinyobj::real_t x, tinyobj::real_t y, tinyobj::real_t z, tinyobj::real_t w) {
    static_cast<ObjBuild *>(u)->gdp->appendPoint(UT_Vector4(x, y, z, w));
}

void onTexcoord(void *u, tinyobj::real_t x, tinyobj::real_t y, tinyobj::real_t z) {
    auto &b = *static_cast<ObjBuild *>(u);
    b.uvs.insert(b.uvs.end(), {x, y, z});
}

void onFace(void *u, tinyobj::index_t *idx, int n) {
    auto &b = *static_cast<ObjBuild *>(u);
    GU_Detail &gdp = *b.gdp;
    GEO_PrimPoly *poly = gdp.appendPoly(nullptr, 0, true);
    const int npts = gdp.points().entries();
    const int nuvs = static_cast<int>(b.uvs.size() / 3);
    for (int i = 0; i < n; ++i) {
        // The line check has vouched for every index; this guards against
        // the parser reading a corner differently from it.
        const int pt = resolve(idx[i].vertex_index, npts);
        if (pt < 0 || pt >= npts) throw std::out_of_range("a face corner names a point that does not exist");
        GEO_Vertex &v = gdp.appendVertex(*poly, gdp.points()(pt));
        if (idx[i].texcoord_index == 0) continue;
        const int uv = resolve(idx[i].texcoord_index, nuvs);
        if (uv < 0 || uv >= nuvs)
            throw std::out_of_range("a face corner names a texture coordinate that does not exist");
        if (b.uvOffset < 0) b.uvOffset = addFloatTuple(gdp.vertexAttribs(), "uv", 3);
        const float *t = &b.uvs[3 * static_cast<size_t>(uv)];
        for (int c = 0; c < 3; ++c) v.setValue<float>(b.uvOffset, t[c], c);
    }
    for (const std::string &g : b.groups) b.group(g)->add(poly);
    if (!b.object.empty()) b.group(b.object)->add(poly);
}

void onGroup(void *u, const char **names, int n) {
    auto &b = *static_cast<ObjBuild *>(u);
    b.groups.clear();
    for (int i = 0; i < n; ++i)
        if (names[i] && *names[i]) b.groups.emplace_back(names[i]);
}

void onObject(void *u, const char *name) {
    auto &b = *static_cast<ObjBuild *>(u);
    b.object = name ? name : "";
    while (!b.object.empty() && (b.object.back() == ' ' || b.object.back() == '\t')) b.object.pop_back();
}

/// The `l` statements as the edge group "lines": consecutive points of
/// each line. Lines are not faces, so the edges name no primitive.
void addLines(const std::vector<std::vector<int>> &lines, GU_Detail &gdp) {
    if (lines.empty()) return;
    GB_EdgeGroup *group = gdp.newEdgeGroup("lines");
    for (const std::vector<int> &pts : lines)
        for (size_t i = 0; i + 1 < pts.size(); ++i) group->add(gdp.points()(pts[i]), gdp.points()(pts[i + 1]));
}

}  // namespace

void readObj(std::string_view data, const std::string &file, GU_Detail &gdp, std::vector<std::string> &notes) {
    ObjCensus census = checkObj(data, file);
    if (census.others)
        notes.push_back(file + ": " + std::to_string(census.others) + " statements of other geometry skipped");
    tinyobj::callback_t cb;
    cb.vertex_cb = onVertex;
    cb.texcoord_cb = onTexcoord;
    cb.index_cb = onFace;
    cb.group_cb = onGroup;
    cb.object_cb = onObject;
    ObjBuild build{&gdp, {}, -1, {}, {}};
    std::istringstream in{std::string(data)};
    std::string warn, err;
    try {
        if (!tinyobj::LoadObjWithCallback(in, cb, &build, nullptr, &warn, &err))
            throw GeoFileError::ofFile(file, "cannot parse: " + err);
    } catch (const std::out_of_range &e) {
        throw GeoFileError::ofFile(file, std::string("cannot parse: ") + e.what());
    }
    addLines(census.lines, gdp);
}
