#pragma once
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>
#include "GB_Element.h"

/// One edge of an edge group: two points and a primitive that adjoins the
/// edge (may be null).
struct GB_Edge {
    GB_Element *p0 = nullptr;
    GB_Element *p1 = nullptr;
    GB_Element *prim = nullptr;
    int p0Num() const { return p0 ? p0->getNum() : -1; }
    int p1Num() const { return p1 ? p1->getNum() : -1; }
};

/// An ordered list of edges, each named by its two points.
class GB_EdgeGroup {
public:
    GB_EdgeGroup(std::string name, bool internal) : myName(std::move(name)), myInternal(internal) {}
    const char *getName() const { return myName.c_str(); }
    bool getInternal() const { return myInternal; }

    /// Appends the edge p0-p1 (prim is the primitive it was found on).
    /// An edge already held (either direction) is not added again.
    void add(GB_Element *p0, GB_Element *p1, GB_Element *prim = nullptr);
    /// Whether an edge between the points numbered a and b is held.
    bool contains(int a, int b) const;
    int entries() const { return static_cast<int>(myEdges.size()); }
    bool isEmpty() const { return myEdges.empty(); }
    const std::vector<GB_Edge> &edges() const { return myEdges; }
    void clear() {
        myEdges.clear();
        myKeys.clear();
    }

private:
    std::string myName;
    bool myInternal;
    std::vector<GB_Edge> myEdges;
    std::unordered_set<unsigned long long> myKeys;  // for contains() and dedup
};

/// The edge groups of one detail, in creation order.
class GB_EdgeGroupList {
public:
    GB_EdgeGroup *find(const char *name) const;
    GB_EdgeGroup *newGroup(const char *name, bool internal = false);
    bool destroy(GB_EdgeGroup *g);
    bool owns(const GB_EdgeGroup *g) const;
    const std::vector<std::unique_ptr<GB_EdgeGroup>> &groups() const { return myGroups; }
    int entries() const { return static_cast<int>(myGroups.size()); }
    void clear() { myGroups.clear(); }

private:
    std::vector<std::unique_ptr<GB_EdgeGroup>> myGroups;
};
