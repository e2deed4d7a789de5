// Nested operations: the listener sees each one, and only the outermost
// reports its end as progress and clears an interruption.
#include <gtest/gtest.h>
#include <UT/UT_Interrupt.h>
#include <string>
#include <vector>

namespace {

/// Records the listener's events as "S name depth", "P name depth", ...
struct Listen {
    std::vector<std::string> events, progress;
    Listen() {
        UTgetInterrupt()->setOpListener([this](UT_Interrupt::OpEvent e, const char *name, int depth, double value) {
            const char *kind = e == UT_Interrupt::OpEvent::Start      ? "S"
                               : e == UT_Interrupt::OpEvent::End      ? "E"
                               : e == UT_Interrupt::OpEvent::Progress ? "P"
                                                                      : "N";
            std::string s = std::string(kind) + " " + name + " " + std::to_string(depth);
            if (e == UT_Interrupt::OpEvent::Note) s += " " + std::to_string(int(value));
            events.push_back(s);
        });
        UTgetInterrupt()->setProgressFunc([this](const char *op, int percent) {
            progress.push_back(std::string(op) + " " + std::to_string(percent));
        });
    }
    ~Listen() {
        UTgetInterrupt()->setOpListener(nullptr);
        UTgetInterrupt()->setProgressFunc(nullptr);
        UTgetInterrupt()->clear();
    }
};

}  // namespace

TEST(UT_Interrupt, NestedOperationsReachTheListenerAndKeepTheOuterProgress) {
    Listen l;
    UT_Interrupt &in = *UTgetInterrupt();
    EXPECT_TRUE(in.opStart("cook"));
    EXPECT_TRUE(in.opStart("step"));
    EXPECT_FALSE(in.opInterrupt(40));
    in.opNote("iterations", 7);
    in.opEnd();
    in.opEnd();
    in.opEnd();            // nothing running: ignored
    in.opNote("late", 1);  // nothing running: no event
    EXPECT_EQ(l.events, (std::vector<std::string>{"S cook 1", "S step 2", "P step 2", "N iterations 2 7", "E step 2",
                                                  "E cook 1"}));
    // Progress names the outermost operation; only its end reports 100.
    EXPECT_EQ(l.progress, (std::vector<std::string>{"cook 40", "cook 100"}));
}

TEST(UT_Interrupt, AnInterruptionLastsUntilTheOutermostOperationEnds) {
    Listen l;
    UT_Interrupt &in = *UTgetInterrupt();
    in.opStart("cook");
    in.opStart("step");
    in.interrupt();
    EXPECT_TRUE(in.opInterrupt());
    EXPECT_FALSE(in.opStart("inner"));  // refused while pending, but still nested
    in.opEnd();
    in.opEnd();
    EXPECT_TRUE(in.interrupted());  // nested ends keep it
    EXPECT_TRUE(in.opInterrupt());
    in.opEnd();
    EXPECT_FALSE(in.interrupted());
    EXPECT_EQ(l.events.back(), "E cook 1");
}
