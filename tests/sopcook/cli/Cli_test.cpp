// The sopcook program, run as a user runs it, with the test plug-in.
#include <gtest/gtest.h>
#include <array>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>
#include "sopcook/RunSopcook.h"
#include "sopcook/TestGeometry.h"
#include "io/FileAccess.h"
#include "io/GeometryFile.h"

namespace {

/// Runs sopcook in dir with the test plug-in (or none).
RunResult sopcook(const TempDir &dir, const std::string &args, bool with_plugin = true) {
    return runSopcook(dir, args, with_plugin ? SOPCOOK_TEST_DSO : "");
}

/// A small input mesh in dir: in.off, one quad.
void writeInput(const TempDir &dir) {
    std::ofstream(dir.file("in.off")) << "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n";
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        writeInput(dir);
        std::ofstream(dir.file("keep.geo")) << "previous contents\n";
    }
    /// Whether keep.geo is still as SetUp left it, with no staged file beside it.
    bool outputUntouched() {
        return readWholeFile(dir.file("keep.geo")) == "previous contents\n" && noStagedFiles(dir.path());
    }
    TempDir dir;
};

TEST_F(Cli, CooksAndWritesWithParametersAndKeys) {
    RunResult r =
        sopcook(dir, "testcopy in.off out.geo -p mode=shift -k shift=0:0 -k shift=4:8 --time 1 -p groupname=mine");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "Message: copied\n")) << r.err;
    GU_Detail g;
    std::vector<std::string> notes;
    readGeometryFile(dir.file("out.geo"), g, notes);
    ASSERT_EQ(g.points().entries(), 4);
    // Keys are linear in between: at time 1 the shift is 2.
    EXPECT_FLOAT_EQ(g.points()(1)->getPos().x(), 3.0f);
    EXPECT_NE(g.findPrimitiveGroup("mine"), nullptr);

    r = sopcook(dir, "testcopy in.off out.obj -p mode=2 -p warn=on -p urange='0 1' -p count=10");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "Warning: asked to warn\n")) << r.err;
}

TEST_F(Cli, ParameterFaultsNameTheParameterAndLeaveTheOutput) {
    struct Case {
        const char *args;
        const char *message;
    };
    const Case cases[] = {
        {"-p nosuch=1", "unknown parameter 'nosuch'"},
        {"-p urange=0.5", "parameter 'urange' has 2 components, found 1"},
        {"-p 'urange=0 1 2'", "parameter 'urange' has 2 components, found 3"},
        {"-p 'urange=0 1.5'",
         "parameter 'urange' component 2: 1.5 is outside its range 0 (restricted) to 1 (restricted)"},
        {"-p count=11", "parameter 'count': 11 is outside its range"},
        {"-p count=1.5", "parameter 'count': '1.5' is not a whole number"},
        {"-p shift=abc", "parameter 'shift': 'abc' is not a number"},
        {"-p shift=1e60", "parameter 'shift': '1e60' is too large for a number"},
        {"-k shift=0:1e60", "parameter 'shift': '1e60' is too large for a number"},
        {"-p warn=maybe", "parameter 'warn': 'maybe' is not on/off or 1/0"},
        {"-p mode=sideways", "'sideways' is not one of its items (keep, shift, flat)"},
        {"-p mode=3", "is not one of its items"},
        {"-p grab=1", "parameter 'grab' is a button"},
        {"-p pin1='0 0'", "unknown parameter 'pin1'"},
        {"-p npins=-1", "instance count cannot be negative"},
        {"-k shift=0:1 -p shift=2", "given both -p and -k"},
        {"-k 'urange=0:0.5 2'", "parameter 'urange' component 2: 2 is outside"},
        {"-k shift=x:1", "'x' is not a time"},
        {"-k shift=inf:1", "-k shift: 'inf' is not a finite time"},
        {"-k shift=1e39:1", "-k shift: '1e39' is not a finite time"},
        {"--time nan", "--time: 'nan' is not a finite time"},
        {"--image-size 64", "--image-size needs --uv-image"},
        {"--press shift", "parameter 'shift' is not a button"},
    };
    for (const Case &c : cases) {
        RunResult r = sopcook(dir, std::string("testcopy in.off keep.geo ") + c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_TRUE(contains(r.err, c.message)) << c.args << "\n" << r.err;
        EXPECT_TRUE(outputUntouched()) << c.args;
    }
}

TEST_F(Cli, MultiParameterCountsAreSetBeforeTheirInstances) {
    // pin2 comes before npins on the command line and must still be found.
    RunResult r = sopcook(
        dir, "testcopy in.off out.geo -p pin2='0 2' -p npins=2 -p pinuv2='0.5 0.5' -p enable1=off --press grab");
    ASSERT_EQ(r.status, 0) << r.err;
    // The button copies pin 2's corner uv (point 2 of the quad: 1 1); pin 1
    // is disabled and stays as it is.
    EXPECT_EQ(r.out, "-p 'pinuv2=1 1'\n");
}

TEST_F(Cli, ExitStatusesAndFailedRuns) {
    std::ofstream(dir.file("bad.off")) << "OFF\n3 1 0\n0 0 0\n1 0 0\n";
    struct Case {
        const char *args;
        int status;
        const char *message;  // in stderr; empty: anything
    };
    const Case cases[] = {
        {"testcopy in.off keep.geo -p fail=on", 1, "Error: Invalid group specification: asked to fail\n"},
        {"testcopy missing.off keep.geo", 2, "missing.off: cannot open"},
        {"testcopy bad.off keep.geo", 2, "bad.off:4: expected a vertex coordinate"},
        {"testcopy in.off keep.xyz", 2, "unknown geometry format"},
        {"testcopy in.off /nonexistent-folder/out.geo", 2, "/nonexistent-folder/out.geo: cannot write"},
        {"nosuchop in.off keep.geo", 2, "unknown operator 'nosuchop'"},
        {"testcopy in.off", 2, "expected OPERATOR INPUT OUTPUT"},
        // A group name the .geo file cannot hold is refused, not written broken.
        {"testcopy in.off keep.geo -p groupname='two words'", 2, "group name 'two words' cannot be written"},
        {"testcopy in.off keep.geo --bogus", 2, ""},
    };
    for (const Case &c : cases) {
        RunResult r = sopcook(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_TRUE(contains(r.err, c.message)) << c.args << "\n" << r.err;
        EXPECT_TRUE(outputUntouched()) << c.args;
    }
}

TEST_F(Cli, ListAndDescribe) {
    RunResult r = sopcook(dir, "--list");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "testcopy\tTest Copy\tinputs 1\n");
    r = sopcook(dir, "--describe testcopy");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "  shift\t\"Shift X\"\tfloat\t1\tdefault 0\thelp \"How far mode shift moves x\"\n"))
        << r.out;
    EXPECT_TRUE(
        contains(r.out, "  urange\t\"U range\"\tfloat\t2\tdefault 0.1 0.9\trange 0 (restricted) to 1 (restricted)\n"))
        << r.out;
    EXPECT_TRUE(contains(
        r.out,
        "  mode\t\"Mode\"\tmenu\t1\tdefault keep\tmenu 0 keep \"Keep\", 1 shift \"Shift\", 2 flat \"Flatten\"\n"))
        << r.out;
    EXPECT_TRUE(contains(r.out, "  npins\t\"Number of pins\"\tmulti\tdefault 0 instances\n      enable#")) << r.out;
    // Parameters come in template order.
    EXPECT_LT(r.out.find("shift\t"), r.out.find("urange\t"));
    EXPECT_LT(r.out.find("grab\t"), r.out.find("groupname\t"));
    r = sopcook(dir, "--describe nosuch");
    EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, RefusesModulesWithoutEntryPointsOrOfAnotherVersion) {
    RunResult r = sopcook(dir, std::string("--list --dso '") + SOPCOOK_NOENTRY_DSO + "'", false);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(
        r.err, std::string(SOPCOOK_NOENTRY_DSO) +
                   ": not a surface operator plug-in (missing newSopOperator HoudiniDSOVersion HoudiniGetTagInfo)"))
        << r.err;
    r = sopcook(dir, std::string("--list --dso '") + SOPCOOK_OLDVERSION_DSO + "'", false);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "plug-in built for host version 8.5")) << r.err;

    // Found through SOPCOOK_DSO_PATH: the bad modules are reported, the good
    // one still loads.
    std::string links = dir.file("plugins");
    std::system(("mkdir '" + links + "' && ln -s '" + SOPCOOK_TEST_DSO + "' '" + SOPCOOK_NOENTRY_DSO + "' '" +
                 SOPCOOK_OLDVERSION_DSO + "' '" + links + "/'")
                    .c_str());
    r = sopcook(dir, "--list", false);
    std::string saved = std::getenv("SOPCOOK_DSO_PATH") ? std::getenv("SOPCOOK_DSO_PATH") : "";
    ::setenv("SOPCOOK_DSO_PATH", ("/nonexistent:" + links).c_str(), 1);
    r = sopcook(dir, "--list", false);
    if (saved.empty())
        ::unsetenv("SOPCOOK_DSO_PATH");
    else
        ::setenv("SOPCOOK_DSO_PATH", saved.c_str(), 1);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "testcopy\tTest Copy\tinputs 1\n");
    EXPECT_TRUE(contains(r.err, "SOP_NoEntry.so: not a surface operator plug-in")) << r.err;
    EXPECT_TRUE(contains(r.err, "SOP_OldVersion.so: plug-in built for host version 8.5")) << r.err;
}

TEST_F(Cli, DrawsTheUvLayout) {
    RunResult r = sopcook(dir, "testcopy in.off out.ply --uv-image uv.png --image-size 64 -p npins=1");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string png = readWholeFile(dir.file("uv.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // Width and height are big-endian words at bytes 16 and 20.
    EXPECT_EQ(static_cast<unsigned char>(png[19]), 64);
    EXPECT_EQ(static_cast<unsigned char>(png[23]), 64);
    r = sopcook(dir, "testcopy in.off out.ply --uv-image uv.svg");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(readWholeFile(dir.file("uv.svg")), "<svg"));
    r = sopcook(dir, "testcopy in.off keep.geo --uv-image uv.jpg");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(outputUntouched());
}

}  // namespace

TEST_F(Cli, CtrlCStopsTheCookAndWritesNothing) {
    // The test operator waits for an interruption; SIGINT comes after a
    // moment, and the program must answer 130 and leave keep.geo alone.
    std::string script = "( '" + std::string(SOPCOOK_PROGRAM) + "' --dso '" + SOPCOOK_TEST_DSO +
                         "' testcopy in.off keep.geo -p wait=on & pid=$!; sleep 0.5; kill -INT $pid; wait $pid; "
                         "echo status $? )";
    RunResult r = runSopcook(dir, "--list", "");  // makes sure the program runs at all
    ASSERT_EQ(r.status, 0) << r.err;
    std::string cmd = "cd '" + dir.path() + "' && " + script + " 2>'" + dir.file("err.txt") + "'";
    FILE *p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[256] = {0};
    size_t n = std::fread(buf, 1, sizeof buf - 1, p);
    ::pclose(p);
    std::string out(buf, n);
    EXPECT_TRUE(contains(out, "status 130")) << out << readWholeFile(dir.file("err.txt"));
    EXPECT_TRUE(contains(readWholeFile(dir.file("err.txt")), "interrupted")) << readWholeFile(dir.file("err.txt"));
    EXPECT_TRUE(outputUntouched());
}

TEST_F(Cli, StrictFailsOnlyWhenNoLayoutWasMade) {
    struct Case {
        const char *warning;
        int strict;  // the status with --strict; 0 without it in every case
    };
    const Case cases[] = {
        {"No solution for unwrapper, check pins have valid uvs", 1},
        {"Nothing to unwrap: the piece has no points", 1},
        {"The piece is not a disk (2 boundary loops, genus 0): cut it open with seams", 1},
        {"The seam pattern names no edge", 1},
        {"No pins defined, calculating default pins", 0},
        {"Something else: No solution for unwrapper", 0},
    };
    for (const Case &c : cases) {
        const std::string args = std::string("testcopy in.off keep.geo -p warning='") + c.warning + "'";
        RunResult r = sopcook(dir, args + " --strict");
        EXPECT_EQ(r.status, c.strict) << c.warning << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, std::string("Warning: ") + c.warning)) << r.err;
        EXPECT_EQ(outputUntouched(), c.strict != 0) << c.warning;
        if (c.strict) {
            EXPECT_TRUE(contains(r.err, "--strict: no layout was made; keep.geo not changed")) << r.err;
        }
        std::ofstream(dir.file("keep.geo")) << "previous contents\n";
        r = sopcook(dir, args);
        EXPECT_EQ(r.status, 0) << c.warning << "\n" << r.err;
        std::ofstream(dir.file("keep.geo")) << "previous contents\n";
    }
}

TEST_F(Cli, ACookWithoutLayoutStillGetsItsPicture) {
    // No uv at all, or a node that warned it made none: the picture says
    // so, and the status is what it would be without the picture.
    const char *runs[] = {"-p nouv=on", "-p warning='No solution for unwrapper, check pins have valid uvs'"};
    for (const char *how : runs) {
        std::ofstream(dir.file("old.svg")) << "an older picture";
        std::ofstream(dir.file("old.png")) << "an older picture";
        RunResult r = sopcook(dir, std::string("testcopy in.off out.geo --uv-image old.svg ") + how);
        EXPECT_EQ(r.status, 0) << how << "\n" << r.err;
        std::string svg = readWholeFile(dir.file("old.svg"));
        EXPECT_TRUE(contains(svg, "<title>no layout</title>")) << how << "\n" << svg.substr(0, 400);
        r = sopcook(dir, std::string("testcopy in.off out.geo --uv-image old.png --image-size 32 ") + how);
        EXPECT_EQ(r.status, 0) << how << "\n" << r.err;
        EXPECT_EQ(readWholeFile(dir.file("old.png")).substr(1, 3), "PNG") << how;
    }
    // A layout there is has no such title.
    RunResult r = sopcook(dir, "testcopy in.off out.geo --uv-image old.svg");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(contains(readWholeFile(dir.file("old.svg")), "no layout"));
}

TEST_F(Cli, AFailedWriteToStandardOutputIsAFailure) {
    const char *runs[] = {"--list", "--describe testcopy", "--help",
                          "testcopy in.off out.geo -p npins=1 -p pin1='0 2' --press grab"};
    for (const char *args : runs) {
        RunResult r = sopcook(dir, std::string(args) + " >/dev/full");
        EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, "sopcook: cannot write to standard output")) << args << "\n" << r.err;
        r = sopcook(dir, std::string(args) + " >/dev/null");
        EXPECT_EQ(r.status, 0) << args << "\n" << r.err;
    }
}

TEST_F(Cli, HelpGivesValuesExitStatusesAndEnvironment) {
    RunResult r = sopcook(dir, "--help", false);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char *part : {"-p userange=off", "-p solver=direct", "-p urange=\"0 1\"", "-k rotate=0:0",
                             "OPERATOR.NAME", "--strict", "Exit status:", "  1 ", "  2 ", "128+N", "130 Ctrl-C",
                             "143 SIGTERM", "SOPCOOK_DSO_PATH", "SOPCOOK_HUGE_PAGES", "GLIBC_TUNABLES"})
        EXPECT_TRUE(contains(r.out, part)) << part;
}
