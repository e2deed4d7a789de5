// What the optimised angles buy: for each open mesh, the node's layout from
// the surface angles and from angle-based flattening (both with the
// aspect-keeping range fit), and optionally Blender's angle-based unwrap of
// the same mesh, by flipped triangles, mean angle error, L2 stretch and time.
//
//   abf_bench [--solver cg|direct] [--large] [--peer DIR] [--only NAME] [--repeat N]
//             [--angles surface|abfpp]
//
// --peer DIR runs `blender -b` with bench/blender_unwrap.py on every mesh
// (OBJ files written into DIR) and measures its layout the same way; its
// time is that of its unwrap operator alone. --large adds the 1M-triangle
// meshes (without the peer). --repeat N cooks each layout N times and
// reports the median time (the machine's noise on small meshes). --angles
// cooks one of the two layouts only (a process's peak memory is then that
// cook's).
#include "bench.h"

#include "node/SOP_Flatskin.h"
#include "sopcook/io/GeometryFile.h"

#include <OP/OP_Context.h>
#include <OP/OP_Network.h>
#include <OP/OP_Operator.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Row {
    bool ok = false;
    bool fellBack = false;  // the optimisation did not converge
    double ms = 0;
    bench::Quality q;
};

// One full cook of a fresh node on input.
Row cook(const GU_Detail &input, int angles, int solver) {
    Row row;
    OP_Operator op("flatskin", "Flatskin", SOP_Flatskin::myConstructor, SOP_Flatskin::myTemplateList, 1, 1);
    OP_Network net(nullptr, "obj", nullptr);
    auto *node = static_cast<SOP_Flatskin *>(net.createNode(&op, "flatskin1"));
    node->setInput(0, &input);
    node->setInt("solver", 0, solver);
    node->setInt("angles", 0, angles);
    node->setInt("keepaspect", 0, 1);
    OP_Context ctx(0.0f);
    const double t = bench::nowMs();
    const OP_ERROR e = node->cook(ctx);
    row.ms = bench::nowMs() - t;
    row.ok = e < UT_ERROR_ABORT;
    for (const auto &m : node->messages()) {
        if (m.text.find("No solution") != std::string::npos) row.ok = false;
        if (m.text.find("did not converge") != std::string::npos) row.fellBack = true;
    }
    if (row.ok) row.q = bench::measureQuality(*node->getCookedGeo());
    return row;
}

// Blender's angle-based unwrap of input, through OBJ files in dir.
Row peer(const GU_Detail &input, const std::string &dir, const std::string &name) {
    Row row;
    const std::string in = dir + "/" + name + ".obj", out = dir + "/" + name + ".blender.obj",
                      log = dir + "/" + name + ".log";
    std::vector<std::string> notes;
    try {
        writeGeometryFile(in, input, notes);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: %s\n", in.c_str(), e.what());
        return row;
    }
    std::remove(out.c_str());
    const std::string cmd = "blender -b --factory-startup --python " FLATSKIN_SOURCE "/bench/blender_unwrap.py -- '" +
                            in + "' '" + out + "' > '" + log + "' 2>&1";
    if (std::system(cmd.c_str()) != 0) return row;
    std::ifstream lf(log);
    std::string word;
    while (lf >> word)
        if (word == "unwrap_seconds" && (lf >> row.ms)) row.ms *= 1000.0;
    GU_Detail g;
    try {
        readGeometryFile(out, g, notes);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: %s\n", out.c_str(), e.what());
        return row;
    }
    row.ok = row.ms > 0;
    row.q = bench::measureQuality(g);
    return row;
}

void print(const char *what, const Row &r) {
    if (!r.ok) {
        std::printf(" | %-7s failed", what);
        return;
    }
    std::printf(r.ms < 10.0 ? " | %-7s %5ld %6.3f %8.3f %9.3f%s" : " | %-7s %5ld %6.3f %8.3f %9.1f%s", what, r.q.flipped,
                r.q.angleMean, r.q.l2, r.ms,
                r.fellBack ? " (fell back)" : "");
}

// The cook of cook() repeated, with the median time.
Row cookMedian(const GU_Detail &input, int angles, int solver, int repeat) {
    Row row = cook(input, angles, solver);
    std::vector<double> ms{row.ms};
    for (int i = 1; i < repeat; ++i) ms.push_back(cook(input, angles, solver).ms);
    std::nth_element(ms.begin(), ms.begin() + long(ms.size() / 2), ms.end());
    row.ms = ms[ms.size() / 2];
    return row;
}

}  // namespace

int main(int argc, char **argv) {
    int solver = 1;
    bool large = false;
    int repeat = 1, layouts = 3;  // bit 0: surface, bit 1: abfpp
    std::string peerDir, only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--solver" && i + 1 < argc)
            solver = std::string(argv[++i]) == "cg" ? 0 : 1;
        else if (a == "--large")
            large = true;
        else if (a == "--peer" && i + 1 < argc)
            peerDir = argv[++i];
        else if (a == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (a == "--repeat" && i + 1 < argc && std::atoi(argv[i + 1]) > 0)
            repeat = std::atoi(argv[++i]);
        else if (a == "--angles" && i + 1 < argc &&
                 (std::string(argv[i + 1]) == "surface" || std::string(argv[i + 1]) == "abfpp"))
            layouts = std::string(argv[++i]) == "surface" ? 1 : 2;
        else {
            std::fprintf(stderr, "usage: abf_bench [--solver cg|direct] [--large] [--peer DIR] [--only NAME] [--repeat "
                                 "N] [--angles surface|abfpp]\n");
            return 2;
        }
    }
    // The open meshes among the shared ones, and the generated surfaces.
    const std::set<std::string> disks = {"lion-head.off", "mushroom.off", "nefertiti.off", "mech-holes-shark.off"};
    std::printf("solver %s, keep aspect on; per layout: flipped triangles, mean angle error (degrees), "
                "L2 stretch, ms; with the peer, abfpp's time over Blender's\n",
                solver ? "direct" : "cg");
    for (const bench::MeshCase &c : bench::meshCases(FLATSKIN_MESHES)) {
        const bool generated = c.name.find('.') == std::string::npos;
        if (!generated && !disks.count(c.name)) continue;
        if (c.large && !large) continue;
        if (!only.empty() && c.name != only) continue;
        GU_Detail input;
        c.make(input);
        Row surface, abf;
        if (layouts & 1) surface = cookMedian(input, 0, solver, repeat);
        if (layouts & 2) abf = cookMedian(input, 1, solver, repeat);
        std::printf("%-22s %8ld", c.name.c_str(), (layouts & 1 ? surface : abf).q.triangles);
        if (layouts & 1) print("surface", surface);
        if (layouts & 2) print("abfpp", abf);
        if (!peerDir.empty() && !c.large) {
            const Row blender = peer(input, peerDir, c.name);
            print("blender", blender);
            // The time target reads off this column: abfpp's cook over the peer's unwrap.
            if (blender.ok && abf.ok) std::printf(" | abfpp/blender %.3f", abf.ms / blender.ms);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}
