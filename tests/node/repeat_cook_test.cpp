// One node cooked over and over in one process keeps its heap flat: each
// cook releases what the one before it made, on every path the parameters
// choose (seams, pins, colours, both solvers, a failed and a stopped cook).
#include <gtest/gtest.h>
#include <UT/UT_Interrupt.h>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <malloc.h>
#include "support/flatskin_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
#define FLATSKIN_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FLATSKIN_ASAN 1
#endif
#endif
#ifdef FLATSKIN_ASAN
// From the sanitizer runtime (sanitizer/allocator_interface.h, which not
// every compiler installs).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace fs_test;

namespace {

/// Bytes the program holds on the heap right now, and how far two
/// readings may differ without a leak: ASan counts the bytes asked for, so
/// a leak of one byte per cook shows over 40 cooks. glibc counts the chunks
/// its per-thread caches hold as in use, and those drift by kilobytes as
/// cooks free chunks of sizes not seen before; with the caches off
/// (tcacheOff()) the count moves by a few chunks at most, while one leaked
/// allocation per cook, of at least a 32-byte chunk, adds 1280 bytes over
/// 40 cooks.
#ifdef FLATSKIN_ASAN
std::size_t heapInUse() { return __sanitizer_get_current_allocated_bytes(); }
constexpr long long kSlack = 32;
#else
std::size_t heapInUse() { return mallinfo2().uordblks; }
constexpr long long kSlack = 1024;
constexpr char kNoCache[] = "glibc.malloc.tcache_count=0";
bool tcacheOff() {
    const char *t = std::getenv("GLIBC_TUNABLES");
    return t && std::strstr(t, kNoCache);
}
/// Runs test (a full gtest name) in a copy of this program with glibc's
/// caches off; its exit status and output.
int runWithoutCache(const std::string &test, std::string &output) {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return -1;
    self[n] = '\0';
    const std::string cmd =
        std::string("GLIBC_TUNABLES=") + kNoCache + " '" + self + "' --gtest_filter=" + test + " 2>&1";
    FILE *p = ::popen(cmd.c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, got);
    const int st = ::pclose(p);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}
#endif

constexpr int kTubeAround = 16, kTubeAlong = 8;

/// The seam down the tube's side, as a point chain "p0-16-32-...".
std::string sideSeam() {
    std::string s = "p0";
    for (int j = 1; j <= kTubeAlong; ++j) s += "-" + std::to_string(j * kTubeAround);
    return s;
}

/// The set-up of cook k repeats every ten cooks, so that the warm-up cooks
/// 1 to 10 take every path once and cooks 10 and 50 hold alike results.
struct Setup {
    int solver, stretch, seamcolours, random, pins, group, abf, seams, fail, stop;
};
constexpr Setup kSetups[10] = {
    // solver stretch seamcode rand pins outgroup abf seams fail stop
    {0, 0, 0, 0, 0, 0, 0, 1, 0, 0}, {1, 0, 0, 0, 1, 1, 0, 1, 0, 0}, {0, 1, 0, 0, 2, 0, 0, 1, 0, 0},
    {1, 1, 0, 0, 0, 0, 0, 1, 1, 0}, {0, 0, 1, 0, 1, 1, 0, 1, 0, 0}, {1, 0, 1, 1, 2, 0, 1, 1, 0, 0},
    {0, 1, 1, 0, 0, 0, 0, 1, 0, 0}, {1, 1, 1, 1, 1, 1, 0, 1, 0, 1}, {0, 1, 1, 1, 2, 0, 0, 1, 0, 0},
    {1, 0, 1, 0, 1, 0, 0, 0, 0, 0},
};

/// Sets the node up for cook number k: pins 0 means none, 1 two pins, 2 two
/// pins of which the second is switched off; fail asks for a group that
/// does not exist.
const Setup &configure(Unwrap &u, int k) {
    const Setup &s = kSetups[k % 10];
    u.node->setInt("solver", 0, s.solver);
    u.node->setInt("vizstretch", 0, s.stretch);
    u.node->setInt("seamcode", 0, s.seamcolours);
    u.node->setInt("seamcolour", 0, s.random);
    u.node->setInt("outgroup", 0, s.group);
    u.node->setInt("method", 0, s.abf ? 0 : 1);
    u.node->setString("seams", 0, s.seams ? sideSeam().c_str() : "");
    u.node->setString("group", 0, s.fail ? "nosuch" : "");
    u.node->setInt("npins", 0, 0);
    if (s.pins) {
        u.addPin(0, 0, 0, 0);
        u.addPin(kTubeAround / 2, 1, 1, 0, s.pins == 1);
    }
    return s;
}

/// Cooks number k, stopping it part way when its set-up says so.
OP_ERROR cookNumber(Unwrap &u, int k) {
    const bool stop = configure(u, k).stop;
    int polls = 0;
    UTgetInterrupt()->setProgressFunc([&](const char *, int) {
        if (stop && ++polls == 2) UTgetInterrupt()->interrupt();
    });
    OP_ERROR e = u.cook();
    UTgetInterrupt()->setProgressFunc(nullptr);
    return e;
}

}  // namespace

TEST(RepeatCook, FiftyCooksOfOneNodeKeepTheHeapFlat) {
#ifndef FLATSKIN_ASAN
    if (!tcacheOff()) {
        std::string output;
        EXPECT_EQ(runWithoutCache("RepeatCook.FiftyCooksOfOneNodeKeepTheHeapFlat", output), 0) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
        return;
    }
#endif
    Unwrap u;
    makeTube(u.input, kTubeAround, kTubeAlong);
    std::size_t after10 = 0;
    int failed = 0, stopped = 0;
    for (int k = 1; k <= 50; ++k) {
        OP_ERROR e = cookNumber(u, k);
        if (e >= UT_ERROR_ABORT)
            (u.said("Cook interrupted", 0) ? stopped : failed) += 1;
        else
            ASSERT_NE(u.out().vertexAttribs().find("uv"), nullptr) << "cook " << k;
        if (k == 10) after10 = heapInUse();
    }
    const std::size_t after50 = heapInUse();
    // Every tenth cook was stopped and every tenth failed.
    EXPECT_EQ(stopped, 5);
    EXPECT_EQ(failed, 5);
    const long long grown = static_cast<long long>(after50) - static_cast<long long>(after10);
    EXPECT_LT(std::abs(grown), kSlack) << "heap after cook 10: " << after10 << " bytes, after cook 50: " << after50;
}
