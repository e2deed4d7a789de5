// What a run that fails or is stopped leaves on disk: the outputs that
// were there before, byte for byte, and no temporary file beside them.
#include <gtest/gtest.h>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include "SpawnSopcook.h"
#include "TestGeometry.h"
#include "io/FileAccess.h"
#include "io/GeoFileError.h"
#include "io/StagedFiles.h"

namespace {

/// An nx by ny grid of quads in the unit square, each split into two
/// triangles, as OBJ text; z is a gentle wave so that the unwrap has work.
std::string gridObj(int nx, int ny) {
    std::string s;
    s.reserve(static_cast<size_t>(nx + 1) * (ny + 1) * 30 + static_cast<size_t>(nx) * ny * 50);
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            double x = double(i) / nx, y = double(j) / ny;
            s += "v " + std::to_string(x) + ' ' + std::to_string(y) + ' ' + std::to_string(0.05 * x * y) + '\n';
        }
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            int a = j * (nx + 1) + i + 1, b = a + 1, c = a + nx + 2, d = a + nx + 1;
            s += "f " + std::to_string(a) + ' ' + std::to_string(b) + ' ' + std::to_string(c) + '\n';
            s += "f " + std::to_string(a) + ' ' + std::to_string(c) + ' ' + std::to_string(d) + '\n';
        }
    return s;
}

void put(const std::string &path, const std::string &data) { std::ofstream(path, std::ios::binary) << data; }

long long sizeOf(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

/// Inputs in in/, the outputs under test in out/ with older contents that
/// every failed run must leave as they are.
class OutputSafety : public ::testing::Test {
protected:
    TempDir dir;
    const std::string oldGeometry = "# an older result\nv 0 0 0\n";
    const std::string oldPicture = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(100, '\0') + "older";

    void SetUp() override {
        ::mkdir(dir.file("in").c_str(), 0755);
        ::mkdir(dir.file("out").c_str(), 0755);
        put(dir.file("out/keep.obj"), oldGeometry);
        put(dir.file("out/keep.png"), oldPicture);
        put(dir.file("out/keep.svg"), oldPicture);
    }

    /// Runs sopcook to its end (the limit as SopcookChild takes it).
    std::pair<int, std::string> run(const std::vector<std::string> &args, rlim_t file_limit = 0) {
        SopcookChild child(dir.path(), args, dir.file("stderr.txt"), file_limit);
        int status = child.wait(300);
        return {status, child.err()};
    }

    /// The outputs hold their old bytes and nothing else is in out/.
    void expectOutputsKept(const std::string &what) {
        EXPECT_EQ(readWholeFile(dir.file("out/keep.obj")), oldGeometry) << what;
        EXPECT_EQ(readWholeFile(dir.file("out/keep.png")), oldPicture) << what;
        EXPECT_EQ(readWholeFile(dir.file("out/keep.svg")), oldPicture) << what;
        std::set<std::string> expected = {"keep.obj", "keep.png", "keep.svg"};
        EXPECT_EQ(folderNames(dir.file("out")), expected) << what;
    }
};

} // namespace

TEST_F(OutputSafety, ParseErrorsAndFailedCooksChangeNoOutput) {
    put(dir.file("in/quad.off"), "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n");
    put(dir.file("in/cut.off"), "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2\n");
    put(dir.file("in/bad.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 x\n");
    // A primitive that is not a polygon: the node refuses the whole input.
    put(dir.file("in/part.geo"), "PGEOMETRY V5\nNPoints 3 NPrims 2\nNPointGroups 0 NPrimGroups 0\n"
                                 "NPointAttrib 0 NVertexAttrib 0 NPrimAttrib 0 NAttrib 0\n"
                                 "0 0 0 1\n1 0 0 1\n1 1 0 1\nPoly 3 < 0 1 2\nPart 1 0\nbeginExtra\nendExtra\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"in/cut.off"}, 2, "cut.off"},
        {{"in/bad.obj"}, 2, "bad.obj"},
        {{"in/quad.off", "-p", "urange=0 2"}, 2, "urange"},
        {{"in/quad.off", "-p", "npins=many"}, 2, "npins"},
        {{"in/quad.off", "-p", "nosuch=1"}, 2, "nosuch"},
        {{"in/part.geo"}, 1, "Error: I only deal with polygons, sorry"},
        {{"in/quad.off", "-p", "group=nosuch"}, 1, "Error: Invalid group specification: nosuch"},
    };
    for (const Case &c : cases)
        for (const char *picture : {"out/keep.png", "out/keep.svg"}) {
            std::vector<std::string> args = {"flatskin", c.args[0], "out/keep.obj", "--uv-image", picture};
            args.insert(args.end(), c.args.begin() + 1, c.args.end());
            auto [status, err] = run(args);
            std::string what = c.args[0] + (c.args.size() > 2 ? " " + c.args[2] : "") + " " + picture;
            EXPECT_EQ(status, c.status) << what << "\n" << err;
            EXPECT_NE(err.find(c.message), std::string::npos) << what << "\n" << err;
            expectOutputsKept(what);
        }
}

TEST_F(OutputSafety, APictureThatCannotBeWrittenKeepsTheGeometryToo) {
    // The geometry is staged first; the picture's target is a folder, so
    // its write fails after the geometry's succeeded.
    put(dir.file("in/quad.off"), "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n");
    ::rmdir(dir.file("out/keep.svg").c_str());
    ::unlink(dir.file("out/keep.svg").c_str());
    ::mkdir(dir.file("out/keep.svg").c_str(), 0755);
    auto [status, err] = run({"flatskin", "in/quad.off", "out/keep.obj", "--uv-image", "out/keep.svg"});
    EXPECT_EQ(status, 2) << err;
    EXPECT_NE(err.find("keep.svg: cannot write"), std::string::npos) << err;
    EXPECT_NE(err.find("not changed"), std::string::npos) << err;
    EXPECT_EQ(readWholeFile(dir.file("out/keep.obj")), oldGeometry);
    std::set<std::string> expected = {"keep.obj", "keep.png", "keep.svg"};
    EXPECT_EQ(folderNames(dir.file("out")), expected);
}

TEST_F(OutputSafety, AFullDiskChangesNoOutput) {
    // A 30 x 30 grid: its OBJ (with a UV per corner) is far larger than a
    // 16-pixel PNG, and its OFF (no UVs) far smaller than its SVG. A file
    // size limit between the two sizes makes one of the two writes fail
    // part way, as a full disk would.
    put(dir.file("in/grid.obj"), gridObj(30, 30));
    ::mkdir(dir.file("sizes").c_str(), 0755);
    auto [s1, e1] = run({"flatskin", "in/grid.obj", "sizes/a.obj", "--uv-image", "sizes/a.png", "--image-size", "16"});
    auto [s2, e2] = run({"flatskin", "in/grid.obj", "sizes/b.off", "--uv-image", "sizes/b.svg"});
    ASSERT_EQ(s1, 0) << e1;
    ASSERT_EQ(s2, 0) << e2;
    const long long obj = sizeOf(dir.file("sizes/a.obj")), png = sizeOf(dir.file("sizes/a.png"));
    const long long off = sizeOf(dir.file("sizes/b.off")), svg = sizeOf(dir.file("sizes/b.svg"));
    ASSERT_LT(4 * png, obj);
    ASSERT_LT(4 * off, svg);

    struct Case {
        std::vector<std::string> args;
        long long limit;
        const char *failing;
    };
    put(dir.file("out/keep.off"), oldGeometry);
    const Case cases[] = {
        {{"flatskin", "in/grid.obj", "out/keep.obj", "--uv-image", "out/keep.png", "--image-size", "16"},
         (obj + png) / 2, "keep.obj"},
        {{"flatskin", "in/grid.obj", "out/keep.off", "--uv-image", "out/keep.svg"}, (off + svg) / 2, "keep.svg"},
        // Without a picture: the one geometry file.
        {{"flatskin", "in/grid.obj", "out/keep.obj"}, obj / 2, "keep.obj"},
    };
    for (const Case &c : cases) {
        auto [status, err] = run(c.args, static_cast<rlim_t>(c.limit));
        std::string what = c.args[2] + " at a limit of " + std::to_string(c.limit) + " bytes";
        EXPECT_EQ(status, 2) << what << "\n" << err;
        EXPECT_NE(err.find(std::string(c.failing) + ": cannot write: File too large"), std::string::npos)
            << what << "\n" << err;
        EXPECT_NE(err.find("not changed"), std::string::npos) << what << "\n" << err;
        EXPECT_EQ(readWholeFile(dir.file("out/keep.off")), oldGeometry) << what;
        ::rename(dir.file("out/keep.off").c_str(), dir.file("keep.off").c_str());
        expectOutputsKept(what);
        ::rename(dir.file("keep.off").c_str(), dir.file("out/keep.off").c_str());
    }
}

TEST_F(OutputSafety, InterruptedCookChangesNoOutput) {
    // 300k triangles solved by conjugate gradients take many seconds; the
    // signal is sent once the program has its handler in place (it is set
    // up just before the cook) and a little later, so it lands in the cook.
    put(dir.file("in/big.obj"), gridObj(388, 388));
    for (int sig : {SIGINT, SIGTERM}) {
        SopcookChild child(dir.path(),
                           {"flatskin", "in/big.obj", "out/keep.obj", "--uv-image", "out/keep.png", "-p", "solver=cg"},
                           dir.file("stderr.txt"));
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(240);
        while (!child.catches(sig) && !child.ended() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(child.catches(sig)) << "the program never set up its handler for signal " << sig << "\n" << child.err();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(::kill(child.pid(), sig), 0);
        int status = child.wait(120);
        std::string err = child.err();
        ASSERT_NE(status, 0) << "the cook ended before the signal came; it needs a bigger mesh\n" << err;
        EXPECT_EQ(status, 128 + sig) << err;
        EXPECT_NE(err.find("interrupted"), std::string::npos) << err;
        expectOutputsKept("signal " + std::to_string(sig));
    }
}

// The staging of several outputs, below the program.

TEST_F(OutputSafety, StagedFilesThatAreNotCommittedAreRemoved) {
    {
        StagedFiles files;
        files.stage(dir.file("out/keep.obj"), "new geometry");
        files.stage(dir.file("out/keep.png"), "new picture");
        EXPECT_EQ(folderNames(dir.file("out")).size(), 5u);  // the targets and two temporaries
    }
    expectOutputsKept("destroyed before commit");
}

TEST_F(OutputSafety, AFailedCommitPutsBackWhatItHadReplaced) {
    // The second target turns into a folder between staging and commit,
    // so its rename fails after the first one went through.
    {
        StagedFiles files;
        files.stage(dir.file("out/keep.obj"), "new geometry");
        files.stage(dir.file("out/new.obj"), "a new file");
        files.stage(dir.file("out/keep.png"), "new picture");
        ::unlink(dir.file("out/keep.png").c_str());
        ::mkdir(dir.file("out/keep.png").c_str(), 0755);
        put(dir.file("out/keep.png/inside"), "x");
        EXPECT_THROW(files.commit(), GeoFileError);
    }
    EXPECT_EQ(readWholeFile(dir.file("out/keep.obj")), oldGeometry);
    std::set<std::string> expected = {"keep.obj", "keep.png", "keep.svg"};
    EXPECT_EQ(folderNames(dir.file("out")), expected);

    StagedFiles files;
    files.stage(dir.file("out/keep.obj"), "new geometry");
    files.stage(dir.file("out/new.obj"), "a new file");
    files.commit();
    EXPECT_EQ(readWholeFile(dir.file("out/keep.obj")), "new geometry");
    EXPECT_EQ(readWholeFile(dir.file("out/new.obj")), "a new file");
    expected.insert("new.obj");
    EXPECT_EQ(folderNames(dir.file("out")), expected);
}
