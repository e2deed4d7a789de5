#include "GB_Group.h"
#include <algorithm>

void GB_Group::add(int num) {
    if (num < 0) return;
    if (num >= static_cast<int>(myBits.size())) myBits.resize(static_cast<size_t>(num) + 1 + myBits.size() / 2, 0);
    if (!myBits[num]) {
        myBits[num] = 1;
        ++myEntries;
    }
}

void GB_Group::remove(int num) {
    if (contains(num)) {
        myBits[num] = 0;
        --myEntries;
    }
}

int GB_Group::nextMember(int from) const {
    if (from < 0) from = 0;
    int n = static_cast<int>(myBits.size());
    for (int i = from; i < n; ++i)
        if (myBits[i]) return i;
    return -1;
}

GB_Group *GB_GroupList::find(const char *name, bool include_internal) const {
    if (!name) return nullptr;
    for (auto &g : myGroups)
        if ((include_internal || !g->getInternal()) && std::string(g->getName()) == name) return g.get();
    return nullptr;
}

GB_Group *GB_GroupList::newGroup(const char *name, bool internal) {
    if (!internal)
        if (GB_Group *g = find(name)) {
            g->clear();
            return g;
        }
    std::unique_ptr<GB_Group> g;
    if (myPoints)
        g = std::make_unique<GB_PointGroup>(name ? name : "", internal);
    else
        g = std::make_unique<GB_PrimitiveGroup>(name ? name : "", internal);
    myGroups.push_back(std::move(g));
    return myGroups.back().get();
}

bool GB_GroupList::destroy(GB_Group *g) {
    auto it = std::find_if(myGroups.begin(), myGroups.end(), [g](auto &p) { return p.get() == g; });
    if (it == myGroups.end()) return false;
    myGroups.erase(it);
    return true;
}

bool GB_GroupList::owns(const GB_Group *g) const {
    return std::any_of(myGroups.begin(), myGroups.end(), [g](auto &p) { return p.get() == g; });
}
