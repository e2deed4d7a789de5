// Fuzzes the point and primitive pattern parser (numbers, ranges, group
// names, wildcards, ^ and !) through the group manager.
#include "GOP/GOP_Manager.h"
#include "FuzzCheck.h"
#include "PatternDetail.h"

namespace {

/// Members of a parsed group are elements of the detail, and "!" of a
/// prefix-free single token is exactly its complement.
template <typename G> void checkMembers(const G *g, int count) {
    if (!g) return;
    for (int i = g->nextMember(0); i >= 0; i = g->nextMember(i + 1)) fuzzRequire(i < count, "members are elements");
}

template <typename Parse> void checkComplement(const PatternInput &in, int count, Parse parse) {
    if (in.pattern.empty() || in.pattern.find_first_of(" \t\n\v\f\r^!") != std::string::npos) return;
    const auto *plain = parse(in.pattern.c_str());
    const auto *inverse = parse(("!" + in.pattern).c_str());
    fuzzRequire((plain == nullptr) == (inverse == nullptr), "a token and its complement are both valid or both not");
    if (!plain) return;
    for (int i = 0; i < count; ++i)
        fuzzRequire(plain->contains(i) != inverse->contains(i), "the complement holds exactly the others");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static GU_Detail &gdp = []() -> GU_Detail & {
        static GU_Detail g;
        buildPatternDetail(g);
        return g;
    }();
    PatternInput in = patternInput(data, size);
    GOP_Manager mgr;
    auto prims = [&](const char *p) { return mgr.parsePrimitiveGroups(p, &gdp, in.allowNumeric, 1, false, in.offset); };
    auto points = [&](const char *p) { return mgr.parsePointGroups(p, &gdp, in.allowNumeric, 1, false, in.offset); };
    checkMembers(prims(in.pattern.c_str()), gdp.primitives().entries());
    checkMembers(points(in.pattern.c_str()), gdp.points().entries());
    checkComplement(in, gdp.primitives().entries(), prims);
    checkComplement(in, gdp.points().entries(), points);
    mgr.destroyAdhocGroups();
    fuzzRequire(mgr.adhocGroupCount() == 0, "every ad-hoc group is destroyed");
    return 0;
}
