// What the plug-in module exports: a host that already carries its own
// OpenNL, or its own copy of any library the module links in, must not have
// the module's calls bound to it, nor the module's symbols bound to its own.
#include <gtest/gtest.h>
#include <cstdio>
#include <set>
#include <string>

namespace {

/// The names of the defined dynamic symbols of a module, as nm lists them;
/// ok is false when nm could not be run.
std::set<std::string> definedDynamicSymbols(const std::string &path, bool &ok) {
    std::set<std::string> names;
    FILE *pipe = ::popen(("nm -D --defined-only '" + path + "' 2>/dev/null").c_str(), "r");
    ok = pipe != nullptr;
    if (!pipe) return names;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        // "<address> <type> <name>"
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        size_t name_at = s.find(' ', s.find(' ') + 1);
        if (name_at != std::string::npos) names.insert(s.substr(name_at + 1));
    }
    ok = ::pclose(pipe) == 0;
    return names;
}

}  // namespace

TEST(ModuleSymbols, FlatskinExportsOnlyItsEntryPoints) {
    bool ok = false;
    const std::set<std::string> names = definedDynamicSymbols(FLATSKIN_DSO, ok);
    ASSERT_TRUE(ok) << "nm -D failed on " << FLATSKIN_DSO;
    const std::set<std::string> entry_points = {"HoudiniDSOVersion", "HoudiniGetTagInfo", "newSopOperator"};
    EXPECT_EQ(names, entry_points);
}
