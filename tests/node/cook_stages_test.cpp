// The cook names its steps, in order, as operations nested in its own.
#include <gtest/gtest.h>
#include <UT/UT_Interrupt.h>
#include "support/flatskin_fixture.h"

using namespace fs_test;

namespace {

/// The operations the cook starts, "name" indented by two spaces a level,
/// after checking that every one ends at the depth it started at.
std::vector<std::string> cookedStages(Unwrap &u) {
    std::vector<std::string> started;
    std::vector<std::string> open;
    bool balanced = true;
    UTgetInterrupt()->setOpListener([&](UT_Interrupt::OpEvent e, const char *name, int depth, double) {
        if (e == UT_Interrupt::OpEvent::Start) {
            started.push_back(std::string(2 * size_t(depth - 1), ' ') + name);
            open.push_back(name);
            balanced = balanced && depth == int(open.size());
        } else if (e == UT_Interrupt::OpEvent::End) {
            balanced = balanced && !open.empty() && open.back() == name && depth == int(open.size());
            if (!open.empty()) open.pop_back();
        }
    });
    u.cook();
    UTgetInterrupt()->setOpListener(nullptr);
    EXPECT_TRUE(balanced && open.empty());
    return started;
}

}  // namespace

TEST(CookStages, EachStepIsANamedOperationInsideTheCook) {
    const std::vector<std::string> base = {"Unwrapping", "  copy",      "  work mesh",     "  seams",
                                           "  piece",    "  numbering", "  triangulation", "  output points", "  corners"};
    struct Case {
        int angles, vizstretch;
        std::vector<std::string> tail;
    };
    const Case cases[] = {
        {0, 0, {"  rows", "  solve", "  write-back"}},
        {1, 1, {"  angles", "  rows", "  solve", "  write-back", "  colours"}},
    };
    for (const Case &c : cases) {
        Unwrap u;
        makeGrid(u.input, 3, 3);
        u.node->setInt("angles", 0, c.angles);
        u.node->setInt("vizstretch", 0, c.vizstretch);
        std::vector<std::string> want = base;
        want.insert(want.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(cookedStages(u), want) << c.angles;
    }
    // A cook that stops in the copy (a group that names nothing) ends
    // every step it began and begins no other.
    Unwrap bad;
    makeGrid(bad.input, 2, 2);
    bad.node->setString("group", 0, "no_such_group");
    EXPECT_EQ(cookedStages(bad), (std::vector<std::string>{"Unwrapping", "  copy"}));
}
