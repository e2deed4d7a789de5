// Edge groups in files: .geo keeps every named one, PLY its edge element
// as "edges", OBJ its l lines as "lines"; the node cuts a group read from
// a file; formats that cannot hold a group say so.
#include <gtest/gtest.h>
#include <fstream>
#include <map>
#include <set>
#include "sopcook/RunSopcook.h"
#include "sopcook/TestGeometry.h"
#include "io/GeoFileError.h"
#include "io/GeoFormat.h"
#include "io/GeometryFile.h"
#include "io/ObjFormat.h"
#include "io/OffFormat.h"
#include "io/PlyFormat.h"

namespace {

using Edges = std::vector<std::string>;

/// "a-b" per edge, with "@p" when it names a primitive.
Edges edgesOf(const GU_Detail &g, const char *name) {
    Edges out;
    const GB_EdgeGroup *group = g.findEdgeGroup(name);
    if (!group) return {"no group"};
    for (const GB_Edge &e : group->edges())
        out.push_back(std::to_string(e.p0Num()) + "-" + std::to_string(e.p1Num()) +
                      (e.prim ? "@" + std::to_string(e.prim->getNum()) : ""));
    return out;
}

/// Two triangles and a group of the given name: a polygon edge found on a
/// primitive, one without, and a pair of points no polygon joins.
void makeEdgeGroup(GU_Detail &g, const char *name) {
    makeTwoTriangles(g);
    GB_EdgeGroup *e = g.newEdgeGroup(name);
    e->add(g.points()(0), g.points()(2), g.primitives()(1));
    e->add(g.points()(2), g.points()(3));
    e->add(g.points()(1), g.points()(3));
}

bool hasNote(const std::vector<std::string> &notes, const std::string &text) {
    for (const std::string &n : notes)
        if (n == text) return true;
    return false;
}

TEST(EdgeGroupFiles, EachFormatKeepsItsEdgeGroupAndNamesTheOthers) {
    struct Case {
        const char *file;
        const char *kept;
        Edges back;
    };
    // PLY and OBJ name no primitive, so the one found on a primitive
    // comes back without it.
    const Case cases[] = {{"e.geo", "seams", {"0-2@1", "2-3", "1-3"}},
                          {"e.ply", "edges", {"0-2", "2-3", "1-3"}},
                          {"e.obj", "lines", {"0-2", "2-3", "1-3"}}};
    for (const Case &c : cases) {
        GU_Detail a, b;
        makeEdgeGroup(a, c.kept);
        a.newEdgeGroup("extra")->add(a.points()(0), a.points()(1));
        a.newEdgeGroup("__cook", true)->add(a.points()(1), a.points()(2));
        std::vector<std::string> notes;
        const std::string text = formatGeometry(c.file, a, notes);
        const std::string format = std::string(c.file).substr(1);
        if (format == ".geo") {
            readGeo(text, c.file, b);
            EXPECT_EQ(edgesOf(b, "extra"), Edges{"0-1"});
            EXPECT_TRUE(notes.empty());
        } else {
            format == ".ply" ? readPly(text, c.file, b) : readObj(text, c.file, b, notes);
            EXPECT_EQ(b.edgeGroups().entries(), 1) << c.file;
            EXPECT_TRUE(hasNote(notes, "warning: " + format +
                                           " cannot hold the edge group \"extra\"; left out (only the edge group \"" +
                                           c.kept + "\" is written, as " +
                                           (format == ".ply" ? "the edge element)" : "l statements)")))
                << text;
        }
        EXPECT_EQ(edgesOf(b, c.kept), c.back) << c.file << "\n" << text;
        EXPECT_EQ(b.findEdgeGroup("__cook"), nullptr) << "ad-hoc groups stay out of files";
        std::vector<std::string> again;
        EXPECT_EQ(formatGeometry(c.file, b, again), text) << "a second trip changes nothing";
    }
    GU_Detail a;
    makeEdgeGroup(a, "edges");
    std::vector<std::string> notes;
    writeOff(a, notes);
    EXPECT_TRUE(hasNote(notes, "warning: .off cannot hold the edge group \"edges\"; left out"));
}

TEST(EdgeGroupFiles, ObjLinesAreConsecutivePointsAndWriteBackAsTheyWere) {
    const std::string text = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nl 1 2 3 4\nl -1 -3\nl 4/1 2/1\nvt 0 0\n";
    GU_Detail g;
    std::vector<std::string> notes;
    EXPECT_THROW(readObj(text, "l.obj", g, notes), GeoFileError) << "vt 1 comes after the line naming it";
    GU_Detail h;
    readObj("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nl 1 2 3 4\nl -1 -3\n", "l.obj", h, notes);
    // -1 -3 is the fourth point to the second, and continues the first line.
    EXPECT_EQ(edgesOf(h, "lines"), (Edges{"0-1", "1-2", "2-3", "3-1"}));
    EXPECT_EQ(h.primitives().entries(), 1) << "lines are no faces";
    EXPECT_TRUE(notes.empty());
    const std::string back = writeObj(h, notes);
    EXPECT_NE(back.find("\nl 1 2 3 4 2\n"), std::string::npos) << back;
    for (const char *bad : {"v 0 0 0\nl 1\n", "v 0 0 0\nl 1 2\n", "l 1 1\n"}) {
        GU_Detail b;
        EXPECT_THROW(readObj(bad, "bad.obj", b, notes), GeoFileError) << bad;
    }
}

TEST(EdgeGroupFiles, GeoEdgeGroupFaultsNameTheLine) {
    auto file = [](int groups, const std::string &text) {
        return "PGEOMETRY V5\nNPoints 3 NPrims 1\nNPointGroups 0 NPrimGroups 0 NEdgeGroups " + std::to_string(groups) +
               "\nNPointAttrib 0 NVertexAttrib 0 NPrimAttrib 0 NAttrib 0\n0 0 0 1\n1 0 0 1\n0 1 0 1\nPoly 3 < 0 1 2\n" +
               text + "beginExtra\nendExtra\n";
    };
    struct Case {
        int groups;
        const char *text;
        int line;
        const char *expect;
    };
    const Case cases[] = {{1, "cut ordered\n2 0-1 1-3\n", 10, "point numbers below 3"},
                          {1, "cut ordered\n1 0-1:1\n", 10, "primitive number below 1"},
                          {1, "cut ordered\n1 0_1\n", 10, "an edge such as 0-1"},
                          {1, "cut ordered\n1 -1-2\n", 10, "an edge such as 0-1"},
                          {1, "cut ordered\n1 0-1:\n", 10, "an edge such as 0-1"},
                          {1, "cut sorted\n1 0-1\n", 9, "'unordered' or 'ordered'"},
                          {1, "cut ordered\n3 0-1\n", 11, "expected an edge"},
                          {2, "cut ordered\n1 0-1\ncut ordered\n0\n", 11, "edge group 'cut' appears twice"}};
    for (const Case &c : cases) {
        GU_Detail g;
        try {
            readGeo(file(c.groups, c.text), "e.geo", g);
            ADD_FAILURE() << "accepted:\n" << c.text;
        } catch (const GeoFileError &e) {
            EXPECT_EQ(std::string(e.what()).rfind("e.geo:" + std::to_string(c.line) + ":", 0), 0u) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.expect), std::string::npos) << e.what();
        }
    }
    GU_Detail g;
    readGeo(file(1, "cut unordered\n2 2-1:0\n 0-1\n"), "e.geo", g);
    EXPECT_EQ(edgesOf(g, "cut"), (Edges{"2-1@0", "0-1"}));
}

#ifdef FLATSKIN_DSO
/// Every polygon edge of g whose corners' "uv" differ on its two sides,
/// as the positions of its ends (the cut keeps the points and splits the
/// UVs).
std::set<std::pair<std::string, std::string>> uvCuts(const GU_Detail &g) {
    const int uv = g.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    auto key = [](const GEO_Point *p) {
        const UT_Vector4 &q = p->getPos();
        return std::to_string(q.x()) + "," + std::to_string(q.y()) + "," + std::to_string(q.z());
    };
    // For each undirected edge, the uv pairs of its ends on each side.
    std::map<std::pair<int, int>, std::vector<std::vector<float>>> sides;
    for (const auto &prim : g.primitives()) {
        const unsigned n = prim->getVertexCount();
        for (unsigned i = 0; i < n; ++i) {
            const GEO_Vertex &a = prim->getVertex(i), &b = prim->getVertex((i + 1) % n);
            const bool flip = a.getPt()->getNum() > b.getPt()->getNum();
            const GEO_Vertex &lo = flip ? b : a, &hi = flip ? a : b;
            sides[{lo.getPt()->getNum(), hi.getPt()->getNum()}].push_back(
                {lo.getValue<float>(uv, 0), lo.getValue<float>(uv, 1), hi.getValue<float>(uv, 0),
                 hi.getValue<float>(uv, 1)});
        }
    }
    std::set<std::pair<std::string, std::string>> cuts;
    for (const auto &[edge, uvs] : sides)
        if (uvs.size() != 2 || uvs[0] != uvs[1])
            cuts.insert({key(g.points()(edge.first)), key(g.points()(edge.second))});
    return cuts;
}

TEST(EdgeGroupFiles, SeamsNamingThePlyEdgeElementCutExactlyThoseEdges) {
    // A closed cube; the edge element names a path of four cube edges,
    // a space diagonal and a face diagonal, which no polygon has as an edge.
    TempDir dir;
    std::ofstream(dir.file("cube.ply"))
        << "ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float y\nproperty float z\n"
           "element face 6\nproperty list uchar int vertex_indices\nelement edge 6\nproperty int vertex1\n"
           "property int vertex2\nend_header\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n1 1 1\n0 1 1\n"
           "4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 1 2 6 5\n4 2 3 7 6\n4 3 0 4 7\n0 4\n4 5\n5 6\n6 7\n0 6\n0 2\n";
    RunResult r = runSopcook(dir, "flatskin cube.ply out.geo -p seams=edges", FLATSKIN_DSO);
    ASSERT_EQ(r.status, 0) << r.err;
    GU_Detail out;
    std::vector<std::string> notes;
    readGeometryFile(dir.file("out.geo"), out, notes);
    const std::set<std::pair<std::string, std::string>> want = {
        {"0.000000,0.000000,0.000000", "0.000000,0.000000,1.000000"},
        {"0.000000,0.000000,1.000000", "1.000000,0.000000,1.000000"},
        {"1.000000,0.000000,1.000000", "1.000000,1.000000,1.000000"},
        {"1.000000,1.000000,1.000000", "0.000000,1.000000,1.000000"}};
    EXPECT_EQ(uvCuts(out), want);
    // The group travels on with all six entries, the two non-edges too.
    EXPECT_EQ(edgesOf(out, "edges").size(), 6u);
    // A format without edge groups says on stderr that it leaves it out.
    r = runSopcook(dir, "flatskin cube.ply out.off -p seams=edges", FLATSKIN_DSO);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "sopcook: out.off: warning: .off cannot hold the edge group \"edges\"; left out\n"))
        << r.err;
}
#endif

}  // namespace
