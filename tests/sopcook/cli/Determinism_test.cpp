// The same input and parameters give the same bytes in every output file,
// run after run: the geometry in each format and both kinds of picture.
#include <gtest/gtest.h>
#include <cmath>
#include <fstream>
#include "sopcook/RunSopcook.h"
#include "sopcook/TestGeometry.h"
#include "image/SvgIds.h"
#include "image/UvImage.h"
#include "io/FileAccess.h"
#include "io/GeometryFile.h"

namespace {

const std::string mesh = std::string(FLATSKIN_MESHES) + "/nefertiti.off";

/// An open tube of 24 x 6 quads as OBJ text, with a bump so that the
/// stretch colours vary; cut along points 0, 24, 48, ...
std::string tubeObj() {
    const int n = 24, m = 6;
    std::string s;
    for (int j = 0; j <= m; ++j)
        for (int i = 0; i < n; ++i) {
            double a = 2 * M_PI * i / n, r = 1 + 0.2 * std::sin(3 * a) * j / m;
            s += "v " + std::to_string(r * std::cos(a)) + ' ' + std::to_string(r * std::sin(a)) + ' ' +
                 std::to_string(0.4 * j) + '\n';
        }
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i)
            s += "f " + std::to_string(j * n + i + 1) + ' ' + std::to_string(j * n + (i + 1) % n + 1) + ' ' +
                 std::to_string((j + 1) * n + (i + 1) % n + 1) + ' ' + std::to_string((j + 1) * n + i + 1) + '\n';
    return s;
}

std::string tubeSeam() {
    std::string s = "p0";
    for (int j = 1; j <= 6; ++j) s += "-" + std::to_string(24 * j);
    return s;
}

/// The bytes of both outputs of one run.
std::pair<std::string, std::string> cook(const TempDir &dir, const std::string &args, const std::string &output,
                                         const std::string &picture) {
    ::unlink(dir.file(output).c_str());
    ::unlink(dir.file(picture).c_str());
    RunResult r = runSopcook(dir, "flatskin " + args + " " + output + " --uv-image " + picture, FLATSKIN_DSO);
    EXPECT_EQ(r.status, 0) << args << " " << output << "\n" << r.err;
    if (r.status != 0) return {};
    return {readWholeFile(dir.file(output)), readWholeFile(dir.file(picture))};
}

}  // namespace

TEST(Determinism, EveryOutputFormatRepeatsItsBytesWithEitherSolver) {
    TempDir dir;
    std::ofstream(dir.file("tube.obj")) << tubeObj();
    const std::string inputs[] = {
        "'" + mesh + "' -p vizstretch=on -p outgroup=on",
        "tube.obj -p seams=" + tubeSeam() +
            " -p seamcode=on -p seamcolour=rand -p npins=2 -p 'pin1=0 0' "
            "-p 'pin2=12 1' -p 'pinuv2=1 0.5'",
    };
    const std::pair<const char *, const char *> files[] = {
        {"out.geo", "uv.png"}, {"out.obj", "uv.svg"}, {"out.off", "uv.png"}, {"out.ply", "uv.svg"}};
    for (const std::string &input : inputs)
        for (const char *solver : {"cg", "direct"})
            for (auto [output, picture] : files) {
                std::string args = input + " -p solver=" + solver;
                auto first = cook(dir, args, output, picture);
                auto second = cook(dir, args, output, picture);
                ASSERT_FALSE(first.first.empty()) << args << " " << output;
                ASSERT_FALSE(first.second.empty()) << args << " " << picture;
                EXPECT_TRUE(first.first == second.first) << args << ": " << output << " differs between runs";
                EXPECT_TRUE(first.second == second.second) << args << ": " << picture << " differs between runs";
            }
}

TEST(Determinism, DrawingTwiceInOneProcessGivesTheSameBytes) {
    // A program that draws several layouts (a test, a batch) must not carry
    // state from one picture to the next.
    TempDir dir;
    RunResult r = runSopcook(dir, "flatskin '" + mesh + "' out.geo -p vizstretch=on", FLATSKIN_DSO);
    ASSERT_EQ(r.status, 0) << r.err;
    GU_Detail g;
    std::vector<std::string> notes;
    readGeometryFile(dir.file("out.geo"), g, notes);
    UvImageOptions o;
    o.size = 256;
    o.pins = {{0, 0}, {5, 1}};
    for (bool svg : {false, true}) {
        std::string a = drawUvImage(g, o, svg), b = drawUvImage(g, o, svg);
        ASSERT_GT(a.size(), 100u);
        EXPECT_TRUE(a == b) << (svg ? "svg" : "png") << " differs between two drawings";
    }
}

TEST(Determinism, SurfaceNamesAreNumberedInOrderAndOtherTextIsKept) {
    std::string svg = "<g id=\"surface17\"><use xlink:href=\"#surface23\"/><g id=\"surface23\">"
                      "<text>surface9 surfaces \"surface\"</text></g></g>";
    renumberSurfaceIds(svg);
    EXPECT_EQ(svg, "<g id=\"surface1\"><use xlink:href=\"#surface2\"/><g id=\"surface2\">"
                   "<text>surface9 surfaces \"surface\"</text></g></g>");
}
