#include "GOP_ElementPattern.h"
#include <algorithm>
#include "GOP_Pattern.h"

using namespace GOP_Pattern;

namespace {

/// Adds to set the members (below count) of group.
void addGroup(const GB_Group &group, std::vector<char> &set) {
    int count = static_cast<int>(set.size());
    for (int i = group.nextMember(0); i >= 0 && i < count; i = group.nextMember(i + 1)) set[i] = 1;
}

/// Sets in set what one token body names; false when it names no group or
/// is malformed.
bool readBody(const std::string &body, const GB_GroupList &groups, bool allow_numeric, int offset,
              std::vector<char> &set) {
    if (body == "*") {
        std::fill(set.begin(), set.end(), 1);
        return true;
    }
    Range range;
    switch (parseRange(body, range)) {
        case MALFORMED:
            return false;
        case NUMERIC:
            if (!allow_numeric) return false;
            forEachInRange(range, offset, static_cast<long long>(set.size()), [&](int n) { set[n] = 1; });
            return true;
        case NOT_NUMERIC:
            break;
    }
    if (hasWildcard(body)) {
        // A wildcard that matches no group is valid and names nothing.
        for (auto &g : groups.groups())
            if (!g->getInternal() && matchWildcard(body.c_str(), g->getName())) addGroup(*g, set);
        return true;
    }
    const GB_Group *g = groups.find(body.c_str());
    if (!g) return false;
    addGroup(*g, set);
    return true;
}

}  // namespace

bool GOPparseElementPattern(const char *pattern, int count, const GB_GroupList &groups, bool allow_numeric, int offset,
                            std::vector<char> &members) {
    if (!pattern) return false;
    if (count < 0) count = 0;
    members.assign(count, 0);
    for (const std::string &token : splitTokens(pattern)) {
        Prefixed p = splitPrefixes(token);
        if (p.body.empty()) return false;
        std::vector<char> named(count, 0);
        if (!readBody(p.body, groups, allow_numeric, offset, named)) return false;
        for (int i = 0; i < count; ++i) {
            bool hit = p.complement ? !named[i] : named[i];
            if (!hit) continue;
            members[i] = p.remove ? 0 : 1;
        }
    }
    return true;
}
