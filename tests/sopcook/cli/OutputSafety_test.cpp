// What a run that fails or is stopped leaves on disk: the outputs that
// were there before, byte for byte, and no temporary file beside them.
#include <gtest/gtest.h>
#include <csignal>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include "sopcook/SpawnSopcook.h"
#include "sopcook/TestGeometry.h"
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

}  // namespace

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
    // The picture's target is a folder: refused before the cook, and in
    // any case before the geometry is written.
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
         (obj + png) / 2,
         "keep.obj"},
        {{"flatskin", "in/grid.obj", "out/keep.off", "--uv-image", "out/keep.svg"}, (off + svg) / 2, "keep.svg"},
        // Without a picture: the one geometry file.
        {{"flatskin", "in/grid.obj", "out/keep.obj"}, obj / 2, "keep.obj"},
    };
    for (const Case &c : cases) {
        auto [status, err] = run(c.args, static_cast<rlim_t>(c.limit));
        std::string what = c.args[2] + " at a limit of " + std::to_string(c.limit) + " bytes";
        EXPECT_EQ(status, 2) << what << "\n" << err;
        EXPECT_NE(err.find(std::string(c.failing) + ": cannot write: File too large"), std::string::npos)
            << what << "\n"
            << err;
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
        ASSERT_TRUE(child.catches(sig)) << "the program never set up its handler for signal " << sig << "\n"
                                        << child.err();
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
    // Named staging shows the two temporaries; unnamed staging (the file
    // system here takes O_TMPFILE) makes no name before the commit, so that
    // even SIGKILL leaves nothing.
    struct Case {
        bool unnamed;
        size_t names;
    };
    for (const Case c : {Case{false, 5}, Case{true, 3}}) {
        {
            StagedFiles files(StagingOptions{c.unnamed});
            files.stage(dir.file("out/keep.obj"), "new geometry");
            files.stage(dir.file("out/keep.png"), "new picture");
            EXPECT_EQ(folderNames(dir.file("out")).size(), c.names) << c.unnamed;
        }
        expectOutputsKept(c.unnamed ? "unnamed, destroyed before commit" : "named, destroyed before commit");
    }
}

TEST_F(OutputSafety, AFailedCommitPutsBackWhatItHadReplaced) {
    // The third target turns into a folder between staging and commit,
    // so its rename fails after the first two went through; both ways of
    // staging.
    for (bool unnamed : {false, true}) {
        const std::string how = unnamed ? "unnamed" : "named";
        {
            StagedFiles files(StagingOptions{unnamed});
            files.stage(dir.file("out/keep.obj"), "new geometry");
            files.stage(dir.file("out/new.obj"), "a new file");
            files.stage(dir.file("out/keep.png"), "new picture");
            ::unlink(dir.file("out/keep.png").c_str());
            ::mkdir(dir.file("out/keep.png").c_str(), 0755);
            put(dir.file("out/keep.png/inside"), "x");
            EXPECT_THROW(files.commit(), GeoFileError) << how;
        }
        EXPECT_EQ(readWholeFile(dir.file("out/keep.obj")), oldGeometry) << how;
        std::set<std::string> expected = {"keep.obj", "keep.png", "keep.svg"};
        EXPECT_EQ(folderNames(dir.file("out")), expected) << how;

        StagedFiles files(StagingOptions{unnamed});
        files.stage(dir.file("out/keep.obj"), "new geometry");
        files.stage(dir.file("out/new.obj"), "a new file");
        files.commit();
        EXPECT_EQ(readWholeFile(dir.file("out/keep.obj")), "new geometry") << how;
        EXPECT_EQ(readWholeFile(dir.file("out/new.obj")), "a new file") << how;
        expected.insert("new.obj");
        EXPECT_EQ(folderNames(dir.file("out")), expected) << how;
        // Back to the state the test began with.
        std::system(("rm -rf '" + dir.file("out/keep.png") + "' '" + dir.file("out/new.obj") + "'").c_str());
        put(dir.file("out/keep.obj"), oldGeometry);
        put(dir.file("out/keep.png"), oldPicture);
    }
}

// What a run does to files that are there: the input it reads, the mode,
// links and write protection of what it replaces, another run's outputs.

TEST_F(OutputSafety, OutputsThatAreTheInputOrEachOtherAreRefused) {
    const std::string mesh = "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n";
    put(dir.file("in/quad.off"), mesh);
    ::link(dir.file("in/quad.off").c_str(), dir.file("out/hard.off").c_str());
    ::symlink("../in/quad.off", dir.file("out/soft.off").c_str());
    ::symlink("../in/quad.off", dir.file("out/soft.png").c_str());
    ::link(dir.file("out/keep.obj").c_str(), dir.file("out/twin.png").c_str());
    ::symlink("fresh.obj", dir.file("out/fresh.png").c_str());  // neither is there yet
    struct Case {
        std::vector<std::string> args;
        std::string named;
    };
    const Case cases[] = {
        {{"in/quad.off", "in/quad.off"}, "in/quad.off: is the same file as the input"},
        {{"in/quad.off", "./in/../in/quad.off"}, "./in/../in/quad.off: is the same file as the input"},
        {{"in/quad.off", "out/hard.off"}, "out/hard.off: is the same file as the input"},
        {{"in/quad.off", "out/soft.off"}, "out/soft.off: is the same file as the input"},
        {{"in/quad.off", "out/keep.obj", "--uv-image", "out/soft.png"}, "out/soft.png: is the same file as the input"},
        {{"in/quad.off", "out/keep.obj", "--uv-image", "out/twin.png"}, "out/twin.png: is the same file as the output"},
        {{"in/quad.off", "out/fresh.obj", "--uv-image", "out/fresh.png"},
         "out/fresh.png: is the same file as the output"},
    };
    const std::set<std::string> before = folderNames(dir.file("out"));
    for (const Case &c : cases) {
        std::vector<std::string> args = {"flatskin"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto [status, err] = run(args);
        EXPECT_EQ(status, 2) << c.named << "\n" << err;
        EXPECT_NE(err.find(c.named), std::string::npos) << err;
        EXPECT_EQ(readWholeFile(dir.file("in/quad.off")), mesh) << c.named;
        EXPECT_EQ(readWholeFile(dir.file("out/keep.obj")), oldGeometry) << c.named;
        EXPECT_EQ(folderNames(dir.file("out")), before) << c.named;
        EXPECT_EQ(folderNames(dir.file("in")), std::set<std::string>{"quad.off"}) << c.named;
    }
}

TEST_F(OutputSafety, ReplacingKeepsTheModeFollowsLinksAndSparesWriteProtectedFiles) {
    put(dir.file("in/quad.off"), "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n");
    put(dir.file("out/real.obj"), oldGeometry);
    ::symlink("real.obj", dir.file("out/link.obj").c_str());
    auto modeOf = [&](const std::string &f) {
        struct stat st {};
        ::lstat(dir.file(f).c_str(), &st);
        return st.st_mode;
    };
    struct Case {
        const char *output;
        mode_t mode;  // given to the file before the run (0: left as it is)
        int status;
        const char *changed;  // the file that holds the new geometry after it, if any
    };
    const Case cases[] = {
        {"out/keep.obj", 0600, 0, "out/keep.obj"},
        {"out/keep.obj", 0640, 0, "out/keep.obj"},
        {"out/link.obj", 0, 0, "out/real.obj"},
        // Write-protected: as a user the file cannot be written; the super
        // user is held back by the missing write bits.
        {"out/keep.obj", 0444, 2, nullptr},
    };
    for (const Case &c : cases) {
        put(dir.file("out/keep.obj"), oldGeometry);
        put(dir.file("out/real.obj"), oldGeometry);
        if (c.mode) ::chmod(dir.file(c.output).c_str(), c.mode);
        auto [status, err] = run({"flatskin", "in/quad.off", c.output});
        EXPECT_EQ(status, c.status) << c.output << " " << std::oct << c.mode << "\n" << err;
        for (const char *f : {"out/keep.obj", "out/real.obj"})
            EXPECT_EQ(readWholeFile(dir.file(f)) == oldGeometry, !c.changed || std::string(c.changed) != f) << f;
        if (c.mode) {
            EXPECT_EQ(modeOf(c.output) & 07777, c.mode) << c.output;
        }
        EXPECT_TRUE(S_ISLNK(modeOf("out/link.obj")));
        if (!c.changed) {
            EXPECT_NE(err.find("out/keep.obj: cannot write: the file is not writable (mode 0444)"), std::string::npos)
                << err;
        }
        ::chmod(dir.file("out/keep.obj").c_str(), 0644);
        std::set<std::string> expected = {"keep.obj", "keep.png", "keep.svg", "real.obj", "link.obj"};
        EXPECT_EQ(folderNames(dir.file("out")), expected) << c.output;
    }
}

TEST_F(OutputSafety, ARunWaitsForTheFolderLockOfAnother) {
    // While this test holds the lock of out/, a run stages but must not
    // commit; once the lock goes it writes both outputs.
    put(dir.file("in/quad.off"), "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n");
    // Close-on-exec: the child must not inherit (and so hold) this lock.
    int folder = ::open(dir.file("out").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(::flock(folder, LOCK_EX), 0);
    const std::vector<std::string> args = {"testcopy", "in/quad.off", "out/keep.obj", "--uv-image", "out/keep.png"};
    // A signal ends the wait, and the run, with nothing written. The
    // outputs are staged by then: even SIGKILL leaves no file behind.
    for (int sig : {SIGTERM, SIGKILL}) {
        {
            SopcookChild waiting(dir.path(), args, dir.file("waiting.txt"), 0, SOPCOOK_TEST_DSO);
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
            ASSERT_FALSE(waiting.ended()) << waiting.err();
            ::kill(waiting.pid(), sig);
            EXPECT_EQ(waiting.wait(60), 128 + sig) << waiting.err();
            if (sig == SIGTERM) {
                EXPECT_NE(waiting.err().find("interrupted"), std::string::npos) << waiting.err();
            }
        }
        ::unlink(dir.file("waiting.txt").c_str());
        expectOutputsKept("a run stopped by signal " + std::to_string(sig) + " while waiting for the lock");
    }
    SopcookChild child(dir.path(), args, dir.file("stderr.txt"), 0, SOPCOOK_TEST_DSO);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_FALSE(child.ended()) << child.err();
    expectOutputsKept("while the lock is held");
    ::close(folder);
    EXPECT_EQ(child.wait(60), 0) << child.err();
    EXPECT_NE(readWholeFile(dir.file("out/keep.obj")), oldGeometry);
    EXPECT_NE(readWholeFile(dir.file("out/keep.png")), oldPicture);
}

TEST_F(OutputSafety, EverySignalThatWouldEndTheRunLeavesTheOutputs) {
    put(dir.file("in/quad.off"), "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n");
    for (int sig : {SIGQUIT, SIGUSR1, SIGUSR2, SIGPIPE, SIGHUP, SIGALRM, SIGRTMIN + 3}) {
        SopcookChild child(dir.path(),
                           {"testcopy", "in/quad.off", "out/keep.obj", "--uv-image", "out/keep.png", "-p", "wait=on"},
                           dir.file("stderr.txt"), 0, SOPCOOK_TEST_DSO);
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!child.catches(sig) && !child.ended() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(child.catches(sig)) << "no handler for signal " << sig << "\n" << child.err();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_EQ(::kill(child.pid(), sig), 0);
        EXPECT_EQ(child.wait(60), 128 + sig) << child.err();
        EXPECT_NE(child.err().find("interrupted"), std::string::npos) << child.err();
        expectOutputsKept("signal " + std::to_string(sig));
    }
}
