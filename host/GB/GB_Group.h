#pragma once
#include <memory>
#include <string>
#include <vector>
#include "GB_Element.h"

/// A set of points or of primitives of one detail, by element number.
/// Ad-hoc (internal) groups are made by a group manager and removed by it.
class GB_Group {
public:
    GB_Group(std::string name, bool internal) : myName(std::move(name)), myInternal(internal) {}
    virtual ~GB_Group() = default;

    const char *getName() const { return myName.c_str(); }
    bool getInternal() const { return myInternal; }

    /// Adds an element; adding one twice keeps one entry.
    void add(const GB_Element *e) {
        if (e) add(e->getNum());
    }
    void add(int num);
    void remove(const GB_Element *e) {
        if (e) remove(e->getNum());
    }
    void remove(int num);
    bool contains(const GB_Element *e) const { return e && contains(e->getNum()); }
    bool contains(int num) const { return num >= 0 && num < static_cast<int>(myBits.size()) && myBits[num]; }
    int entries() const { return myEntries; }
    bool isEmpty() const { return myEntries == 0; }
    void clear() {
        myBits.clear();
        myEntries = 0;
    }
    /// Makes this group hold exactly the members of src.
    void copyMembership(const GB_Group &src) {
        myBits = src.myBits;
        myEntries = src.myEntries;
    }
    /// First member with a number >= from, or -1.
    int nextMember(int from) const;

private:
    std::string myName;
    bool myInternal;
    std::vector<unsigned char> myBits;
    int myEntries = 0;
};

class GB_PointGroup : public GB_Group {
    using GB_Group::GB_Group;
};
class GB_PrimitiveGroup : public GB_Group {
    using GB_Group::GB_Group;
};

/// The point or primitive groups of one detail, in creation order.
class GB_GroupList {
public:
    explicit GB_GroupList(bool points) : myPoints(points) {}
    /// A named group of this name, or null. Internal groups are not found
    /// by name unless include_internal is set.
    GB_Group *find(const char *name, bool include_internal = false) const;
    /// A new group. For a non-internal name that exists, that group is
    /// returned emptied, so the name never stands for two groups.
    GB_Group *newGroup(const char *name, bool internal = false);
    /// Removes and frees a group of this list; false when it is not here.
    bool destroy(GB_Group *g);
    bool owns(const GB_Group *g) const;
    /// Makes dst hold exactly the members of src.
    void assignEqual(GB_Group *dst, const GB_Group *src) {
        if (dst && src) dst->copyMembership(*src);
    }
    const std::vector<std::unique_ptr<GB_Group>> &groups() const { return myGroups; }
    int entries() const { return static_cast<int>(myGroups.size()); }
    void clear() { myGroups.clear(); }

private:
    bool myPoints;
    std::vector<std::unique_ptr<GB_Group>> myGroups;
};
