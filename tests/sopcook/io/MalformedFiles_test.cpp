// Truncated, garbage and hostile files: an error that names the file and
// the place, never a crash, a hang or a huge allocation.
#include <gtest/gtest.h>
#include <cstring>
#include <limits>
#include <random>
#include "sopcook/TestGeometry.h"
#include "io/FileAccess.h"
#include "io/GeoFileError.h"
#include "io/GeoFormat.h"
#include "io/ObjFormat.h"
#include "io/OffFormat.h"
#include "io/PlyFormat.h"
#include "OP/OP_Parameters.h"
#include "PRM/PRM_Include.h"
#include "cli/ParmSetter.h"
#include "cli/ParmText.h"
#include "cli/UsageError.h"

namespace {

using Reader = void (*)(std::string_view, const std::string &, GU_Detail &);

void readObjNoNotes(std::string_view d, const std::string &f, GU_Detail &g) {
    std::vector<std::string> notes;
    readObj(d, f, g, notes);
}

/// Reads every prefix of text at a spread of cut points; each must either
/// parse or throw GeoFileError naming the file. Returns how many failed.
int cutEverywhere(Reader read, const std::string &text, const std::string &file) {
    int failed = 0;
    const size_t step = std::max<size_t>(1, text.size() / 400);
    for (size_t cut = 0; cut < text.size(); cut += step) {
        GU_Detail g;
        try {
            read(std::string_view(text).substr(0, cut), file, g);
        } catch (const GeoFileError &e) {
            ++failed;
            EXPECT_EQ(std::string(e.what()).rfind(file + ":", 0), 0u) << e.what();
        }
    }
    return failed;
}

std::string sampleGeo() {
    GU_Detail g;
    makeTwoTriangles(g);
    float z[3] = {0, 0, 0};
    g.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, z);
    g.addPrimAttrib("Cd", 12, GB_ATTRIB_FLOAT, z);
    g.newPrimitiveGroup("all")->add(0);
    return writeGeo(g, "s.geo");
}

TEST(MalformedFiles, TruncatedFilesFailCleanly) {
    std::vector<std::string> notes;
    const std::string off = readWholeFile(std::string(FLATSKIN_MESHES) + "/torus_quad.off");
    GU_Detail torus;
    readOff(off, "t.off", torus);
    std::string ply_ascii = writePly(torus, PlyEncoding::Ascii, notes);
    std::string ply_bin = writePly(torus, PlyEncoding::BinaryLittleEndian, notes);
    std::string obj = readWholeFile(std::string(FLATSKIN_MESHES) + "/spot_quads.obj").substr(0, 20000);
    // Most cuts must fail: a cut at a line end is only valid for OBJ.
    EXPECT_GT(cutEverywhere(readGeo, sampleGeo(), "s.geo"), 300);
    EXPECT_GT(cutEverywhere(readOff, off, "t.off"), 300);
    EXPECT_GT(cutEverywhere(readPly, ply_ascii, "a.ply"), 300);
    EXPECT_GT(cutEverywhere(readPly, ply_bin, "b.ply"), 300);
    cutEverywhere(readObjNoNotes, obj, "s.obj");
}

TEST(MalformedFiles, BinaryPlyErrorsGiveTheByteOffset) {
    std::vector<std::string> notes;
    GU_Detail g;
    makeTwoTriangles(g);
    std::string ply = writePly(g, PlyEncoding::BinaryLittleEndian, notes);
    // Point the first face at vertex 200.
    size_t body = ply.find("end_header\n") + 11;
    size_t face = body + 4 * 12;
    ply[face + 1] = static_cast<char>(200);
    GU_Detail out;
    try {
        readPly(ply, "b.ply", out);
        FAIL() << "bad index accepted";
    } catch (const GeoFileError &e) {
        EXPECT_NE(std::string(e.what()).find("b.ply: byte " + std::to_string(face + 1) + ":"), std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find("vertex index below 4"), std::string::npos) << e.what();
    }
}

TEST(MalformedFiles, HugeCountsAreRefusedBeforeAllocating) {
    const char *cases[][2] = {
        {"ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\nproperty float x\nproperty float "
         "y\nproperty float z\nend_header\n",
         "ply"},
        {"ply\nformat binary_little_endian 1.0\nelement vertex 1\nproperty list uint float "
         "x\nend_header\n\xff\xff\xff\x7f",
         "ply"},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty list int float z\nend_header\n2000000000 1 2", "ply"},
        {"ply\nformat ascii 1.0\nelement things 99999999999\nend_header\n", "ply"},
        {"OFF\n3 2000000000 0\n0 0 0\n1 0 0\n0 1 0\n", "off"},
        {"OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n2000000000 0 1 2\n", "off"},
        {"PGEOMETRY V5\nNPoints 1 NPrims 0\nNPointGroups 0 NPrimGroups 0\nNPointAttrib 1 NVertexAttrib 0 NPrimAttrib 0 "
         "NAttrib 0\nPointAttrib\nbig 1000000 float 0\n",
         "geo"},
    };
    for (auto &c : cases) {
        GU_Detail g;
        std::string kind = c[1];
        Reader r = kind == "ply" ? readPly : kind == "off" ? readOff : readGeo;
        EXPECT_THROW(r(c[0], "huge." + kind, g), GeoFileError) << c[0];
    }
}

/// A text a reader must refuse, the "FILE:LINE:" its error starts with and
/// a part of the message.
struct Refusal {
    Reader read;
    const char *text;
    const char *where;
    const char *what;
};

void expectRefused(const Refusal &c) {
    GU_Detail g;
    std::string file = std::string(c.where).substr(0, std::string(c.where).find(':'));
    try {
        c.read(c.text, file, g);
        ADD_FAILURE() << "accepted:\n" << c.text;
    } catch (const GeoFileError &e) {
        EXPECT_EQ(std::string(e.what()).rfind(c.where, 0), 0u) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
}

TEST(MalformedFiles, GarbageNamesFileAndLine) {
    std::mt19937 rng(7);
    std::string noise;
    for (int i = 0; i < 4000; ++i) noise += static_cast<char>(rng() % 256);
    for (Reader r : {readGeo, readOff, readPly, readObjNoNotes}) {
        GU_Detail g;
        EXPECT_THROW(r(noise, "noise.bin", g), GeoFileError);
    }
    struct Case {
        Reader read;
        const char *text;
        const char *where;
        const char *what;
    };
    const Case cases[] = {
        {readObjNoNotes, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n", "o.obj:4:", "point index from 1 to 3"},
        {readObjNoNotes, "v 0 0 0\nv 1 0\n", "o.obj:2:", "3 to 7 coordinates"},
        {readObjNoNotes, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\n", "o.obj:4:", "at least 3 corners"},
        {readObjNoNotes, "v 0 0 0\nbanana 1\n", "o.obj:2:", "an OBJ statement"},
        {readObjNoNotes, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/2 2/1 3/1\n", "o.obj:4:", "names a texture coordinate"},
        {readOff, "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 x\n3 0 1 2\n", "f.off:5:", "vertex coordinate"},
        {readOff, "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n", "f.off:6:", "vertex index below 3"},
        {readOff, "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n", "f.off:5:", "a face's vertex count"},
        {readPly, "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty flaot y\nend_header\n",
         "p.ply:5:", "a PLY type"},
        {readPly,
         "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nproperty float z\nend_header\n0 "
         "0\n",
         "p.ply:8:", "z"},
    };
    for (const Case &c : cases) expectRefused({c.read, c.text, c.where, c.what});
}

#define PLY_XYZ "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
#define GEO_HEAD(points, prims, pattribs)                                                                              \
    "PGEOMETRY V5\nNPoints " points " NPrims " prims "\nNPointGroups 0 NPrimGroups 0\nNPointAttrib " pattribs          \
    " NVertexAttrib 0 NPrimAttrib 0 NAttrib 0\n"

TEST(MalformedFiles, ValuesAFloatCannotHoldAreRefusedWithThePlace) {
    const char *finite = "a finite number within float range";
    const Refusal cases[] = {
        {readObjNoNotes, "v nan 0 0\n", "o.obj:1:", finite},
        {readObjNoNotes, "v 0 0 0\nv inf 0 0\n", "o.obj:2:", finite},
        {readObjNoNotes, "v 0 0 0\nv 1 -nan 0\n", "o.obj:2:", finite},
        {readObjNoNotes, "v 1e39 0 0\n", "o.obj:1:", finite},
        {readObjNoNotes, "v 0 0 0\nvt 0.5 nan\n", "o.obj:2:", finite},
        {readObjNoNotes, "vn 0 0 -1e39\n", "o.obj:1:", finite},
        {readOff, "OFF\n3 1 0\n0 0 1e39\n1 0 0\n0 1 0\n3 0 1 2\n", "f.off:3:", finite},
        {readOff, "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 -nan\n3 0 1 2\n", "f.off:5:", finite},
        {readOff, "COFF\n3 1 0\n0 0 0 inf 0 0 1\n1 0 0 1 0 0 1\n0 1 0 1 0 0 1\n3 0 1 2\n", "f.off:3:", finite},
        {readOff, "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2 nan 0 0\n", "f.off:6:", finite},
        {readPly, PLY_XYZ "end_header\n0 0 1e39\n", "p.ply:8:", finite},
        {readPly, PLY_XYZ "end_header\nnan 0 0\n", "p.ply:8:", finite},
        {readPly, PLY_XYZ "property float q\nend_header\n0 0 0 -inf\n", "p.ply:9:", finite},
        {readGeo, GEO_HEAD("1", "0", "0") "0 0 1e39 1\nbeginExtra\nendExtra\n", "g.geo:5:", finite},
        {readGeo, GEO_HEAD("1", "0", "1") "PointAttrib\nw 1 float inf\n", "g.geo:6:", finite},
        {readGeo, GEO_HEAD("1", "0", "1") "PointAttrib\nw 1 float 0\n0 0 0 1 (nan)\nbeginExtra\nendExtra\n",
         "g.geo:7:", finite},
    };
    for (const Refusal &c : cases) expectRefused(c);
    // Up to the largest float is still a number.
    GU_Detail g;
    readPly(PLY_XYZ "end_header\n3.4028235e38 -3.4028235e38 1e-45\n", "max.ply", g);
    EXPECT_EQ(g.points()(0)->getPos()(0), std::numeric_limits<float>::max());

    // Binary PLY: the byte offset of the value. A float infinity in the
    // second vertex's y, and a double beyond float range.
    std::vector<std::string> notes;
    GU_Detail tris;
    makeTwoTriangles(tris);
    std::string ply = writePly(tris, PlyEncoding::BinaryLittleEndian, notes);
    const size_t y1 = ply.find("end_header\n") + 11 + 12 + 4;
    const float inf = std::numeric_limits<float>::infinity();
    std::memcpy(&ply[y1], &inf, 4);
    std::string dbl = "ply\nformat binary_little_endian 1.0\nelement vertex 1\nproperty double x\nproperty double y\n"
                      "property double z\nend_header\n";
    const size_t x0 = dbl.size();
    for (double d : {1e39, 0.0, 0.0}) dbl.append(reinterpret_cast<const char *>(&d), 8);
    for (const auto &[text, at] : {std::pair{ply, y1}, std::pair{dbl, x0}}) {
        GU_Detail b;
        try {
            readPly(text, "b.ply", b);
            ADD_FAILURE() << "accepted a value beyond float range";
        } catch (const GeoFileError &e) {
            EXPECT_EQ(std::string(e.what()).rfind("b.ply: byte " + std::to_string(at) + ":", 0), 0u) << e.what();
            EXPECT_NE(std::string(e.what()).find(finite), std::string::npos) << e.what();
        }
    }
}

TEST(MalformedFiles, QuietInconsistenciesAreRefusedWithThePlace) {
    const Refusal cases[] = {
        {readPly, PLY_XYZ "end_header\n0 0 0\n1\n", "p.ply:9:", "end of the file after the last element"},
        {readPly, PLY_XYZ "property float x\nend_header\n0 0 0 0\n",
         "p.ply:7:", "property 'x' of element 'vertex' is declared twice"},
        {readObjNoNotes, "v 0 0 \\\n 0\n", "o.obj:1:", "'\\' line continuation"},
        {readObjNoNotes, "v 0 0 0\nv 1 0 0\nv 0 1 0 \\  # comment\n", "o.obj:3:", "'\\' line continuation"},
        {readObjNoNotes, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1 2/1 3/1\n",
         "o.obj:4:", "'1/1' names a texture coordinate, but no texture coordinate (vt) comes before this line"},
        {readObjNoNotes, "f 1 2 3\n", "o.obj:1:", "'1' names a point, but no point (v) comes before this line"},
        {readOff, "OFF\n3 1 0\n0 0\n1 0 0\n0 1 0\n3 0 1 2\n", "f.off:3:", "expected 3 vertex coordinates, found 2"},
        {readOff, "4OFF\n3 1 0\n0 0 0\n1 0 0 1\n0 1 0 1\n3 0 1 2\n",
         "f.off:3:", "expected 4 vertex coordinates, found 3"},
        {readOff, "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1\n2\n",
         "f.off:6:", "expected 3 vertex indices after the count, found 2"},
        {readGeo, GEO_HEAD("3", "2", "0") "0 0 0 1\n1 0 0 1\n0 1 0 1\nPoly 3 < 0 1 2\nbeginExtra\nendExtra\n",
         "g.geo:9:", "NPrims is 2 but the file has 1 primitives"},
        {readGeo,
         "PGEOMETRY V5\nNPoints 3 NPrims 2\nNPointGroups 0 NPrimGroups 1\nNPointAttrib 0 NVertexAttrib 0 NPrimAttrib 0 "
         "NAttrib 0\n0 0 0 1\n1 0 0 1\n0 1 0 1\nPoly 3 < 0 1 2\nall unordered\n2 11\nbeginExtra\nendExtra\n",
         "g.geo:9:", "NPrims is 2 but the file has 1 primitives (found 'all'"},
        // In a run too, a primitive's text may not begin as a group header does.
        {readGeo, GEO_HEAD("3", "2", "0") "0 0 0 1\n1 0 0 1\n0 1 0 1\nRun 2 Pot unordered 2 10\nPot\nbeginExtra\n",
         "g.geo:8:", "'unordered'"},
        // Nor may a primitive's type be a word of the format (found by the
        // fuzz target: written back, such primitives read as group headers).
        {readGeo, GEO_HEAD("3", "2", "0") "0 0 0 1\n1 0 0 1\n0 1 0 1\nRun 2 unordered\n\n\nbeginExtra\n",
         "g.geo:8:", "expected a primitive keyword after Run, found 'unordered'"},
        {readGeo, GEO_HEAD("3", "1", "0") "0 0 0 1\n1 0 0 1\n0 1 0 1\nRun 1 Run\n\nbeginExtra\n",
         "g.geo:8:", "found 'Run'"},
    };
    for (const Refusal &c : cases) expectRefused(c);
    // A binary body must end with its last element too.
    std::vector<std::string> notes;
    GU_Detail tris;
    makeTwoTriangles(tris);
    const std::string ply = writePly(tris, PlyEncoding::BinaryBigEndian, notes);
    GU_Detail b;
    try {
        readPly(ply + "\n", "b.ply", b);
        ADD_FAILURE() << "accepted a byte after the last face";
    } catch (const GeoFileError &e) {
        EXPECT_EQ(std::string(e.what()),
                  "b.ply: byte " + std::to_string(ply.size()) +
                      ": expected the end of the file after the last element, found 1 more byte");
    }
}

// Inputs found by the fuzz targets (fuzz/).
TEST(MalformedFiles, ObjCornerEndingInASlashIsRefused) {
    // tinyobjloader reads past a bare "1/" into the next corner's number
    // and took it as a texture index: out of range with no vt at all, the
    // wrong texture coordinate with some.
    const std::string found = readWholeFile(std::string(FLATSKIN_SOURCE_DIR) + "/tests/data/fuzz/trailing-slash.obj");
    const std::string with_uvs = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nf 1/ 2/ 3/1\n";
    for (const std::string &text : {found, with_uvs}) {
        GU_Detail g;
        std::vector<std::string> notes;
        try {
            readObj(text, "s.obj", g, notes);
            ADD_FAILURE() << "accepted:\n" << text;
        } catch (const GeoFileError &e) {
            EXPECT_NE(std::string(e.what()).find("texture index after '/'"), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("s.obj:", 0), 0u) << e.what();
        }
    }
    // The forms OBJ does have still read.
    GU_Detail g;
    std::vector<std::string> notes;
    readObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1\nf 1//1 2//1 3//1\n", "ok.obj", g, notes);
    EXPECT_EQ(g.primitives().entries(), 2);
}

PRM_Name tagsName("tags", "Tags");
PRM_Template tagTemplates[] = {PRM_Template(PRM_STRING, 2, &tagsName), PRM_Template()};

TEST(MalformedFiles, StringComponentsListBackAsTheyWereSet) {
    // A two-component string listed its components bare, so an empty one
    // or one with spaces or quotes did not read back.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "a b"}, {"say \"hi\"", "it's"}, {"back\\slash", "\\\""}, {"'single'", "plain"}};
    for (const auto &[a, b] : cases) {
        OP_Parameters node(tagTemplates);
        node.setString("tags", 0, a.c_str());
        node.setString("tags", 1, b.c_str());
        const std::string text = valueText(*node.findParm("tags"), 0);
        EXPECT_EQ(splitComponents(text), std::vector<std::string>({a, b})) << text;
    }
    EXPECT_EQ(splitComponents("x 'a \\' b' \"\\\\\""), std::vector<std::string>({"x", "a ' b", "\\"}));
    EXPECT_EQ(splitComponents("\"\" ''"), std::vector<std::string>({"", ""}));
    // Quotes that do not close, or run into more text, are errors, not
    // components made up from the rest.
    for (const char *bad : {"\"a b", "'a", "\"a\"b", "x \"a\\\""})
        EXPECT_THROW(splitComponents(bad), UsageError) << bad;
}

PRM_Name countName("npins", "Pins");
PRM_Name pinName("pin#", "Pin");
PRM_Template pinTemplates[] = {PRM_Template(PRM_FLT, 2, &pinName), PRM_Template()};
PRM_Template listTemplates[] = {PRM_Template(PRM_MULTITYPE_LIST, pinTemplates, 1, &countName, PRMzeroDefaults),
                                PRM_Template()};

TEST(MalformedFiles, HugeInstanceCountsAreRefusedBeforeMakingThem) {
    // "npins=37777777" made 37 million instances and never finished.
    for (const char *count : {"37777777", "10001", "2147483647"}) {
        OP_Parameters node(listTemplates);
        try {
            applySettings(node, {{"npins", count}}, {});
            ADD_FAILURE() << count << " accepted";
        } catch (const UsageError &e) {
            EXPECT_NE(std::string(e.what()).find("more than the 10000"), std::string::npos) << e.what();
        }
        EXPECT_EQ(node.evalInt("npins", 0, 0), 0) << "a refused count changes nothing";
    }
    OP_Parameters node(listTemplates);
    applySettings(node, {{"npins", "10000"}, {"pin10000", "1 2"}}, {});
    EXPECT_FLOAT_EQ(node.evalFloat("pin10000", 1, 0), 2.0f);
}

TEST(MalformedFiles, PlyIntegersBeyondAnyCountAreRefused) {
    // A whole number too large for a 64-bit integer was converted to one
    // (undefined behaviour) when checking that it was whole.
    std::string found = readWholeFile(std::string(FLATSKIN_SOURCE_DIR) + "/tests/data/fuzz/huge-integer.ply");
    // The found file also declares red, green and blue twice, which is now
    // refused in the header; renamed, its body reaches the huge integer.
    const std::string twice = "weighrd\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n";
    ASSERT_NE(found.find(twice), std::string::npos);
    found.replace(found.find(twice), twice.size(),
                  "weighrd\nproperty uchar r2\nproperty uchar g2\nproperty uchar b2\n");
    const std::string head =
        "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
        "property uchar red\nend_header\n0 0 0 ";
    for (const std::string &text : {found, head + "1e300\n", head + "nan\n", head + "-inf\n", head + "1.5\n"}) {
        GU_Detail g;
        try {
            readPly(text, "i.ply", g);
            ADD_FAILURE() << "accepted:\n" << text;
        } catch (const GeoFileError &e) {
            EXPECT_NE(std::string(e.what()).find("an integer for"), std::string::npos) << e.what();
        }
    }
    GU_Detail g;
    readPly(head + "255\n", "ok.ply", g);
    EXPECT_EQ(g.points().entries(), 1);
}

}  // namespace
