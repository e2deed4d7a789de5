// The message function: what the library would print goes to it instead.
#include <string>
#include <vector>

#include "nl_test_support.h"

namespace {

struct Heard {
    std::vector<std::string> lines;
};

void hear(const char *function, const char *reason, void *data) {
    static_cast<Heard *>(data)->lines.push_back(std::string(function) + ": " + reason);
}

using NlMessages = NlTest;

TEST_F(NlMessages, GoToTheFunctionSetAndBackToStderrWhenCleared) {
    Heard heard;
    nlSetMessageFunction(hear, &heard);
    NLmessageFunc f = nullptr;
    void *d = nullptr;
    nlGetMessageFunction(&f, &d);
    EXPECT_EQ(f, &hear);
    EXPECT_EQ(d, &heard);

    // A singular direct solve (nothing locked) and a misuse afterwards.
    testing::internal::CaptureStderr();
    nlSolverParameteri(NL_SOLVER, NL_CHOLMOD_EXT);
    begin_system(2);
    nlBegin(NL_MATRIX);
    row({{0, 1.0}, {1, -1.0}});
    end_system();
    EXPECT_EQ(nlSolve(), NL_FALSE);
    nlSetVariable(0, 1.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(heard.lines.size(), 2u);
    EXPECT_EQ(heard.lines[0].rfind("nlSolve: NL_CHOLMOD_EXT: ", 0), 0u) << heard.lines[0];
    EXPECT_EQ(heard.lines[1].rfind("nlSetVariable: ", 0), 0u) << heard.lines[1];

    nlSetMessageFunction(nullptr, nullptr);
    testing::internal::CaptureStderr();
    nlMakeCurrent(nullptr);
    nlSetVariable(0, 1.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("OpenNL error in nlSetVariable(): ", 0), 0u);
    EXPECT_EQ(heard.lines.size(), 2u);
}

}  // namespace
