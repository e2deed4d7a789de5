#pragma once
#include <memory>
#include <vector>
#include "GB/GB_Group.h"

/// The points or primitives of a detail, in list order (element number =
/// position). Walks restricted to a group visit the group's members in
/// list order: rawHead(group), then rawNext(element, group) until null.
template <typename T> class GB_ElementList {
public:
    int entries() const { return static_cast<int>(myItems.size()); }
    bool isEmpty() const { return myItems.empty(); }
    T *operator()(int i) const { return (i >= 0 && i < entries()) ? myItems[i].get() : nullptr; }
    T *head() const { return (*this)(0); }

    /// First element in list order, or the first member of group; null
    /// when there is none. A null group means every element.
    T *rawHead(const GB_Group *group = nullptr) const { return group ? (*this)(group->nextMember(0)) : head(); }
    /// The element after e in list order (within group when given), or null.
    T *rawNext(const T *e, const GB_Group *group = nullptr) const {
        if (!e) return nullptr;
        int i = e->getNum() + 1;
        return (*this)(group ? group->nextMember(i) : i);
    }

    // Used by the detail.
    T *append(std::unique_ptr<T> e) {
        myItems.push_back(std::move(e));
        return myItems.back().get();
    }
    void reserve(int n) { myItems.reserve(n); }
    void clear() { myItems.clear(); }
    auto begin() const { return myItems.begin(); }
    auto end() const { return myItems.end(); }

private:
    std::vector<std::unique_ptr<T>> myItems;
};
