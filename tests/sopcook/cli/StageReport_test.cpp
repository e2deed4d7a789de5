// The stage recorder's memory figures: a block held across a nested stage
// shows in the peaks of that stage and of the one around it.
#include <gtest/gtest.h>
#include <UT/UT_Interrupt.h>
#include <cstring>
#include <memory>
#include "cli/StageReport.h"

TEST(StageReport, PeaksReachTheEnclosingStagesAndEndsComeBack) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator is not malloc's: mallinfo2 does not see it";
#endif
    const size_t block = size_t(64) << 20;
    StageRecorder rec;
    {
        StageRecorder::Scope outer(&rec, "outer");
        std::unique_ptr<char[]> held;
        UTgetInterrupt()->opStart("cook");
        UTgetInterrupt()->opStart("step");
        held.reset(new char[block]);
        std::memset(held.get(), 1, block);  // resident, not only reserved
        UTgetInterrupt()->opEnd();
        held.reset();
        UTgetInterrupt()->opEnd();
    }
    const std::vector<StageRecord> &s = rec.stages();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].name, "outer");
    EXPECT_EQ(s[2].name, "step");
    EXPECT_EQ(s[2].depth, 3);
    for (const StageRecord &r : s) {
        EXPECT_TRUE(r.ended);
        EXPECT_GE(r.heapPeak - r.heapStart, (long long)block) << r.name;
        if (r.rssPeak >= 0) {
            EXPECT_GE(r.rssPeak, (long long)block) << r.name;
        }
    }
    EXPECT_GE(s[2].heapEnd - s[2].heapStart, (long long)block);  // still held when the step ended
    EXPECT_LT(s[1].heapEnd - s[1].heapStart, (long long)block);  // freed before the cook ended
}
