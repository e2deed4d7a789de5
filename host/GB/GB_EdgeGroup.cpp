#include "GB_EdgeGroup.h"
#include <algorithm>

static unsigned long long edgeKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return (static_cast<unsigned long long>(static_cast<unsigned>(a)) << 32) | static_cast<unsigned>(b);
}

void GB_EdgeGroup::add(GB_Element *p0, GB_Element *p1, GB_Element *prim) {
    if (!p0 || !p1) return;
    unsigned long long k = edgeKey(p0->getNum(), p1->getNum());
    if (!myKeys.insert(k).second) return;
    myEdges.push_back({p0, p1, prim});
}

bool GB_EdgeGroup::contains(int a, int b) const { return myKeys.count(edgeKey(a, b)) != 0; }

GB_EdgeGroup *GB_EdgeGroupList::find(const char *name) const {
    if (!name) return nullptr;
    for (auto &g : myGroups)
        if (!g->getInternal() && std::string(g->getName()) == name) return g.get();
    return nullptr;
}

GB_EdgeGroup *GB_EdgeGroupList::newGroup(const char *name, bool internal) {
    if (!internal)
        if (GB_EdgeGroup *g = find(name)) {
            g->clear();
            return g;
        }
    myGroups.push_back(std::make_unique<GB_EdgeGroup>(name ? name : "", internal));
    return myGroups.back().get();
}

bool GB_EdgeGroupList::destroy(GB_EdgeGroup *g) {
    auto it = std::find_if(myGroups.begin(), myGroups.end(), [g](auto &p) { return p.get() == g; });
    if (it == myGroups.end()) return false;
    myGroups.erase(it);
    return true;
}

bool GB_EdgeGroupList::owns(const GB_EdgeGroup *g) const {
    return std::any_of(myGroups.begin(), myGroups.end(), [g](auto &p) { return p.get() == g; });
}
