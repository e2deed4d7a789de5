// The flatskin plug-in as users meet it: loaded by sopcook's loader and run
// through the program on real files.
#include <gtest/gtest.h>
#include <array>
#include <cctype>
#include <cstdio>
#include <dlfcn.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <OP/OP_Network.h>
#include <OP/OP_OperatorTable.h>
#include <SOP/SOP_Node.h>
#include "sopcook/RunSopcook.h"
#include "sopcook/TestGeometry.h"
#include "cli/PluginLoader.h"
#include "cli/SolverNote.h"
#include "io/FileAccess.h"
#include "io/GeometryFile.h"

namespace {

RunResult flatskin(const TempDir &dir, const std::string &args) { return runSopcook(dir, args, FLATSKIN_DSO); }

bool has(const std::string &s, const std::string &part) { return contains(s, part); }

const std::string lion = std::string(FLATSKIN_MESHES) + "/lion-head.off";

}  // namespace

TEST(FlatskinModule, LoadsWithOneOperatorAndAnswersVersionAndTag) {
    OP_OperatorTable table;
    std::vector<std::string> refusals;
    loadPlugins({FLATSKIN_DSO}, table, refusals);
    EXPECT_TRUE(refusals.empty());
    ASSERT_EQ(table.operators().size(), 1u);
    OP_Operator *op = table.getOperator("flatskin");
    ASSERT_NE(op, nullptr);
    EXPECT_STREQ(op->getEnglish(), "Flatskin");
    EXPECT_EQ(op->getMinInputs(), 1u);
    EXPECT_EQ(op->getMaxInputs(), 1u);
    OP_Network net(nullptr, "obj", nullptr);
    auto *node = dynamic_cast<SOP_Node *>(net.createNode(op, "unwrap"));
    ASSERT_NE(node, nullptr);
    EXPECT_STREQ(node->inputLabel(0), "Geometry to unwrap");

    void *h = ::dlopen(FLATSKIN_DSO, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(h, nullptr);
    using Answer = void (*)(const char **);
    auto version = reinterpret_cast<Answer>(::dlsym(h, "HoudiniDSOVersion"));
    auto tag = reinterpret_cast<Answer>(::dlsym(h, "HoudiniGetTagInfo"));
    ASSERT_TRUE(version && tag);
    const char *v = nullptr, *t = nullptr;
    version(&v);
    tag(&t);
    EXPECT_STREQ(v, "9.0");
    std::string ts(t);
    EXPECT_EQ(ts.size(), 166u);
    for (char c : ts) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f')) << c;
}

TEST(FlatskinCli, LionHeadUnwrapsToOneUvPerCornerThatReadsBack) {
    TempDir dir;
    RunResult r = flatskin(dir, "flatskin '" + lion + "' out.obj -p 'urange=0 1' -p 'vrange=0 1' --uv-image uv.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.err, "Warning: No pins defined, calculating default pins")) << r.err;
    struct stat st;
    ASSERT_EQ(::stat(dir.file("uv.png").c_str(), &st), 0);
    EXPECT_GT(st.st_size, 1000);

    GU_Detail in, out;
    std::vector<std::string> notes;
    readGeometryFile(lion, in, notes);
    readGeometryFile(dir.file("out.obj"), out, notes);
    ASSERT_EQ(out.primitives().entries(), in.primitives().entries());
    int corners = 0;
    for (const auto &p : in.primitives()) corners += static_cast<int>(p->getVertexCount());
    std::ifstream f(dir.file("out.obj"));
    int vt = 0;
    for (std::string line; std::getline(f, line);) vt += line.rfind("vt ", 0) == 0;
    EXPECT_EQ(vt, corners);
    int off = out.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(off, 0);
    float lo = 1, hi = 0;
    for (const auto &p : out.primitives())
        for (const GEO_Vertex &v : p->vertices()) {
            lo = std::min(lo, v.getValue<float>(off, 0));
            hi = std::max(hi, v.getValue<float>(off, 0));
        }
    EXPECT_NEAR(lo, 0, 1e-5);
    EXPECT_NEAR(hi, 1, 1e-5);
}

TEST(FlatskinCli, GeoRoundTripKeepsEverythingTheNodeAdds) {
    TempDir dir;
    std::ofstream(dir.file("in.obj")) << "v 0 0 0\nv 1 0 0\nv 2 0 0.3\nv 0 1 0\nv 1 1 0.2\nv 2 1 0\n"
                                         "g left\nf 1 2 5 4\ng right\nf 2 3 6 5\n";
    RunResult r = flatskin(dir, "flatskin in.obj a.geo -p outgroup=on -p vizstretch=on -p seams=p2-5 -p seamcode=on");
    ASSERT_EQ(r.status, 0) << r.err;
    r = flatskin(dir, "flatskin a.geo b.geo -p outgroup=on -p vizstretch=on -p seams=p2-5 -p seamcode=on");
    ASSERT_EQ(r.status, 0) << r.err;
    GU_Detail a, b;
    std::vector<std::string> notes;
    readGeometryFile(dir.file("a.geo"), a, notes);
    readGeometryFile(dir.file("b.geo"), b, notes);
    for (const char *g : {"left", "right", "UnwrappedGroup"}) {
        ASSERT_NE(a.findPrimitiveGroup(g), nullptr) << g;
        ASSERT_NE(b.findPrimitiveGroup(g), nullptr) << g;
    }
    int acd = a.primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    int buv = b.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    int auv = a.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(acd, 0);
    ASSERT_GE(auv, 0);
    ASSERT_GE(buv, 0);
    // Cooking its own output again gives the same layout.
    for (int p = 0; p < 2; ++p)
        for (unsigned q = 0; q < 4; ++q)
            EXPECT_NEAR(a.primitives()(p)->getVertex(q).getValue<float>(auv, 0),
                        b.primitives()(p)->getVertex(q).getValue<float>(buv, 0), 1e-6);
}

TEST(FlatskinCli, DescribePressAndKeys) {
    TempDir dir;
    RunResult d = flatskin(dir, "--describe flatskin");
    ASSERT_EQ(d.status, 0) << d.err;
    for (const char *name : {"seams", "useseamatt", "hintprim", "urange", "npins", "grab", "seamcolour", "solver"})
        EXPECT_TRUE(has(d.out, name)) << name;
    EXPECT_LT(d.out.find("seams"), d.out.find("groupname"));

    // A mesh with input UVs: the pins capture them and grab writes them out.
    std::ofstream(dir.file("in.obj")) << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                         "vt 0.25 0.5\nvt 0.75 0.5\nvt 0.75 1\nvt 0.25 1\nf 1/1 2/2 3/3 4/4\n";
    RunResult r = flatskin(dir, "flatskin in.obj out.obj -p npins=2 -p 'pin1=0 0' -p 'pin2=0 2' --press grab");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "pinuv1")) << r.out;
    EXPECT_TRUE(has(r.out, "0.25")) << r.out;
    EXPECT_TRUE(has(r.out, "0.75")) << r.out;

    RunResult k = flatskin(dir, "flatskin in.obj out2.obj -p userange=off -p npins=2 -p 'pin1=0 0' -p 'pin2=0 1' "
                                "-p 'pinuv2=1 0' -k rotate=0:0 -k rotate=2:180 --time 1");
    ASSERT_EQ(k.status, 0) << k.err;
    GU_Detail g;
    std::vector<std::string> notes;
    readGeometryFile(dir.file("out2.obj"), g, notes);
    int off = g.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(off, 0);
    // At time 1 the pins are turned by 90 degrees clockwise.
    EXPECT_NEAR(g.primitives()(0)->getVertex(1).getValue<float>(off, 1), -1.0, 1e-5);
}

TEST(FlatskinCli, FailuresLeaveAnExistingOutputUntouched) {
    TempDir dir;
    std::ofstream(dir.file("keep.obj")) << "previous\n";
    std::ofstream(dir.file("quad.off")) << "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n";
    std::ofstream(dir.file("cut.off")) << "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2\n";
    std::ofstream(dir.file("part.geo")) << "PGEOMETRY V5\nNPoints 1 NPrims 1\nNPointGroups 0 NPrimGroups 0\n"
                                           "NPointAttrib 0 NVertexAttrib 0 NPrimAttrib 0 NAttrib 0\n"
                                           "0 0 0 1\nPart 1 0\nbeginExtra\nendExtra\n";
    struct Case {
        std::string args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"flatskin quad.off keep.obj -p nosuch=1", 2, "nosuch"},
        {"flatskin quad.off keep.obj -p 'urange=0 2'", 2, "urange"},
        {"flatskin quad.off keep.obj -p urange=0", 2, "urange"},
        {"flatskin cut.off keep.obj", 2, "cut.off"},
        {"flatskin part.geo keep.obj", 1, "Error: I only deal with polygons, sorry"},
        {"flatskin quad.off keep.obj -p group=nosuch", 1, "Error: Invalid group specification: nosuch"},
        {"flatskin missing.off keep.obj", 2, "missing.off"},
    };
    for (const Case &c : cases) {
        RunResult r = flatskin(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_TRUE(has(r.err, c.message)) << c.args << "\n" << r.err;
        EXPECT_EQ(readWholeFile(dir.file("keep.obj")), "previous\n") << c.args;
    }
    ::mkdir(dir.file("ro").c_str(), 0555);
    RunResult r = flatskin(dir, "flatskin quad.off ro/out.obj");
    if (::geteuid() != 0) {
        EXPECT_EQ(r.status, 2) << r.err;
    }
    RunResult nodir = flatskin(dir, "flatskin quad.off no/such/dir/out.obj");
    EXPECT_EQ(nodir.status, 2) << nodir.err;
}

TEST(FlatskinCli, ALongConjugateGradientCookGetsANote) {
    OP_OperatorTable table;
    std::vector<std::string> refusals;
    loadPlugins({FLATSKIN_DSO}, table, refusals);
    OP_Network net(nullptr, "obj", nullptr);
    auto *node = dynamic_cast<SOP_Node *>(net.createNode(table.getOperator("flatskin"), "unwrap"));
    ASSERT_NE(node, nullptr);
    const std::string note = slowSolverNote(*node, 0, kSlowSolveSeconds + 1, "flatskin.solver");
    EXPECT_EQ(note.rfind("Note: ", 0), 0u) << note;
    EXPECT_TRUE(has(note, "-p flatskin.solver=direct gives the same layout much faster")) << note;
    EXPECT_EQ(slowSolverNote(*node, 0, kSlowSolveSeconds - 1, "solver"), "");
    ASSERT_TRUE(node->setInt("solver", 0, 1));
    EXPECT_EQ(slowSolverNote(*node, 0, kSlowSolveSeconds + 1, "solver"), "");
}

TEST(FlatskinCli, StagesPrintsEveryStepInOrderAfterTheWrite) {
    TempDir dir;
    RunResult r = flatskin(dir, "flatskin '" + lion + "' out.obj -p solver=cg --stages");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(readWholeFile(dir.file("out.obj")).empty());
    size_t at = r.out.find("stage ");
    ASSERT_NE(at, std::string::npos) << r.out;
    for (const char *row : {"\nread ", "\nUnwrapping ", "\n  copy ", "\n  work mesh ", "\n  seams ", "\n  piece ",
                            "\n  numbering ", "\n  triangulation ", "\n  output points ", "\n  corners ", "\n  rows ", "\n  solve ",
                            "iterations=", "\n  write-back ", "\nwrite "}) {
        const size_t next = r.out.find(row, at);
        ASSERT_NE(next, std::string::npos) << row << " after " << at << " in\n" << r.out;
        at = next;
    }
    // The table goes to standard output, whose failure fails the run.
    EXPECT_EQ(flatskin(dir, "flatskin '" + lion + "' out2.obj --stages >/dev/full").status, 2);
}
