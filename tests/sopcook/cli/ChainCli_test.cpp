// Chains of operators: each node cooks the output of the one before, and
// the command line addresses parameters per node.
#include <gtest/gtest.h>
#include <fstream>
#include "sopcook/RunSopcook.h"
#include "sopcook/TestGeometry.h"
#include "io/FileAccess.h"
#include "io/GeometryFile.h"

namespace {

/// Runs sopcook in dir with the test plug-in and flatskin loaded.
RunResult chain(const TempDir &dir, const std::string &args) {
    return runSopcook(dir, std::string("--dso '") + FLATSKIN_DSO + "' " + args, SOPCOOK_TEST_DSO);
}

class Chain : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir.file("in.off")) << "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n";
        std::ofstream(dir.file("keep.obj")) << "previous\n";
    }
    bool kept() { return readWholeFile(dir.file("keep.obj")) == "previous\n" && noStagedFiles(dir.path()); }
    TempDir dir;
};

}  // namespace

TEST_F(Chain, EachNodeCooksTheOutputOfTheOneBefore) {
    RunResult r = chain(dir, "testcopy,flatskin in.off out.obj -p mode=shift -p shift=5 -p flatskin.urange='0 1' "
                             "-p testcopy.groupname=first");
    ASSERT_EQ(r.status, 0) << r.err;
    // Who spoke is told in a chain.
    EXPECT_TRUE(contains(r.err, "testcopy: Message: copied\n")) << r.err;
    EXPECT_TRUE(contains(r.err, "flatskin: Warning: No pins defined, calculating default pins\n")) << r.err;
    GU_Detail g;
    std::vector<std::string> notes;
    readGeometryFile(dir.file("out.obj"), g, notes);
    ASSERT_EQ(g.points().entries(), 4);
    EXPECT_FLOAT_EQ(g.points()(1)->getPos().x(), 6.0f);  // testcopy's shift
    int uv = g.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(uv, 0);
    float hi = 0;
    for (const GEO_Vertex &v : g.primitives()(0)->vertices()) hi = std::max(hi, v.getValue<float>(uv, 0));
    EXPECT_NEAR(hi, 1, 1e-5);  // flatskin's range, not testcopy's default 0.9

    // The one operator's messages read as they always have.
    r = chain(dir, "testcopy in.off out.obj");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Message: copied\n");
}

TEST_F(Chain, AddressesThatNameNoNodeOrTwoAreUsageErrors) {
    struct Case {
        const char *args;
        int status;
        const char *message;
    };
    const Case cases[] = {
        {"-p 'urange=0 1'", 2,
         "parameter 'urange' is in more than one operator of testcopy,flatskin; say testcopy.urange or "
         "flatskin.urange"},
        {"-k urange=0:'0 1'", 2, "say testcopy.urange or flatskin.urange"},
        {"--press grab", 2, "say testcopy.grab or flatskin.grab"},
        {"-p pin2='0 1'", 2, "parameter 'pin2' is in more than one operator"},
        {"-p nosuch=1", 2, "unknown parameter 'nosuch': no operator of testcopy,flatskin has it"},
        {"-p flatskin.shift=1", 2, "sopcook: flatskin: unknown parameter 'shift'"},
        {"-p testcopy.count=11", 2, "sopcook: testcopy: parameter 'count': 11 is outside its range"},
        {"-p testcopy.fail=on", 1, "sopcook: the cook of testcopy failed; keep.obj not changed"},
        {"-p flatskin.group=nosuch", 1, "flatskin: Error: Invalid group specification: nosuch"},
    };
    for (const Case &c : cases) {
        RunResult r = chain(dir, std::string("testcopy,flatskin in.off keep.obj ") + c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, c.message)) << c.args << "\n" << r.err;
        EXPECT_TRUE(kept()) << c.args;
    }
    // A failed node stops the chain there.
    RunResult r = chain(dir, "testcopy,flatskin in.off keep.obj -p fail=on");
    EXPECT_FALSE(contains(r.err, "flatskin:")) << r.err;
    // The same operator twice could not be told apart.
    r = chain(dir, "testcopy,flatskin,testcopy in.off keep.obj");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "operator 'testcopy' comes twice in the chain")) << r.err;
    r = chain(dir, "testcopy,,flatskin in.off keep.obj");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(kept());
}

TEST_F(Chain, PressKeysDescribeAndPictureFollowTheAddresses) {
    // grab on flatskin: its pinuv1 is also a name of testcopy, so the
    // setting printed to paste back says whose it is.
    RunResult r =
        chain(dir, "testcopy,flatskin in.off out.obj -p flatskin.npins=2 -p flatskin.pin1='0 2' -p flatskin.pin2='0 0' "
                   "-k shift=0:0 -k shift=2:4 --time 1 -p mode=shift --press flatskin.grab --uv-image uv.svg");
    ASSERT_EQ(r.status, 0) << r.err;
    // testcopy made the uvs from the shifted points; the pin uvs stay in the unit square.
    EXPECT_EQ(r.out, "-p 'flatskin.pinuv1=1 1'\n-p 'flatskin.pinuv2=1 0'\n");
    GU_Detail g;
    std::vector<std::string> notes;
    readGeometryFile(dir.file("out.obj"), g, notes);
    EXPECT_FLOAT_EQ(g.points()(1)->getPos().x(), 3.0f);  // the key at time 1
    // The picture marks the last node's two pins (testcopy has none).
    std::string svg = readWholeFile(dir.file("uv.svg"));
    size_t marks = 0;
    for (size_t at = svg.find("fill:rgb(90%,10%,10%)"); at != std::string::npos;
         at = svg.find("fill:rgb(90%,10%,10%)", at + 1))
        ++marks;
    EXPECT_EQ(marks, 2u);

    r = chain(dir, "--describe testcopy,flatskin");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "testcopy \"Test Copy\"\n")) << r.out;
    EXPECT_LT(r.out.find("testcopy \"Test Copy\"\n"), r.out.find("flatskin \"Flatskin\"\n")) << r.out;
}
