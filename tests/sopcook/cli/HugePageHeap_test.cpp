// The restart that gives sopcook a huge-page heap: which tunables it asks
// for, and that a restarted run behaves exactly like one without it.
#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include "sopcook/RunSopcook.h"
#include "sopcook/TestGeometry.h"
#include "cli/HugePageHeap.h"
#include "io/FileAccess.h"

TEST(HugePageHeap, AddsTheTunableUnlessTheUserChoseAlready) {
    EXPECT_EQ(tunablesWithHugePages(nullptr), "glibc.malloc.hugetlb=1");
    EXPECT_EQ(tunablesWithHugePages(""), "glibc.malloc.hugetlb=1");
    EXPECT_EQ(tunablesWithHugePages("glibc.malloc.check=3"), "glibc.malloc.check=3:glibc.malloc.hugetlb=1");
    EXPECT_EQ(tunablesWithHugePages("glibc.malloc.hugetlb=0"), "");
    EXPECT_EQ(tunablesWithHugePages("glibc.malloc.check=3:glibc.malloc.hugetlb=2"), "");
    // A longer name that merely starts like it is another tunable.
    EXPECT_EQ(tunablesWithHugePages("glibc.malloc.hugetlbx=1"), "glibc.malloc.hugetlbx=1:glibc.malloc.hugetlb=1");
}

namespace {

/// Sets (or with value nullptr unsets) an environment variable for the
/// life of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : myName(name) {
        const char *old = std::getenv(name);
        myHad = old != nullptr;
        if (myHad) myOld = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (myHad)
            ::setenv(myName.c_str(), myOld.c_str(), 1);
        else
            ::unsetenv(myName.c_str());
    }

private:
    std::string myName, myOld;
    bool myHad = false;
};

}  // namespace

TEST(HugePageHeap, RestartedRunsMatchARunWithoutIt) {
    TempDir dir;
    std::ofstream(dir.file("in.off")) << "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n";
    const std::string args = "testcopy in.off out.geo -p mode=shift -k shift=0:0 -k shift=4:8 --time 1";
    std::string plain;
    {
        ScopedEnv off("SOPCOOK_HUGE_PAGES", nullptr);  // normal pages, the default
        const RunResult r = runSopcook(dir, args, SOPCOOK_TEST_DSO);
        ASSERT_EQ(r.status, 0) << r.err;
        plain = readWholeFile(dir.file("out.geo"));
        ASSERT_FALSE(plain.empty());
    }
    // Unset, another tunable already set, and the user's own choice.
    ScopedEnv on("SOPCOOK_HUGE_PAGES", "1");
    for (const char *tunables :
         {static_cast<const char *>(nullptr), "glibc.malloc.check=0", "glibc.malloc.hugetlb=0"}) {
        ScopedEnv env("GLIBC_TUNABLES", tunables);
        std::remove(dir.file("out.geo").c_str());
        const RunResult r = runSopcook(dir, args, SOPCOOK_TEST_DSO);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(contains(r.err, "Message: copied\n")) << r.err;
        EXPECT_EQ(readWholeFile(dir.file("out.geo")), plain) << (tunables ? tunables : "unset");
    }
    // A failing run still fails the same way after the restart.
    const RunResult bad = runSopcook(dir, "testcopy missing.off out.geo", SOPCOOK_TEST_DSO);
    EXPECT_NE(bad.status, 0);
    EXPECT_FALSE(bad.err.empty());
}
