#pragma once
#include <vector>
#include "GB/GB_Group.h"

/// How a list hands out its elements when walked with a range-for: like a
/// pointer (->, *, get()), the element itself owned by the detail.
template <typename T> class GB_ElementRef {
public:
    explicit GB_ElementRef(T *e = nullptr) : myE(e) {}
    T *get() const { return myE; }
    T *operator->() const { return myE; }
    T &operator*() const { return *myE; }
    explicit operator bool() const { return myE != nullptr; }

private:
    T *myE;
};

/// The points or primitives of a detail, in list order (element number =
/// position). Walks restricted to a group visit the group's members in
/// list order: rawHead(group), then rawNext(element, group) until null.
/// The elements belong to the detail's storage and never move: pointers to
/// them stay valid until the detail is cleared.
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

    // Used by the detail, which owns the elements.
    T *append(T *e) {
        myItems.emplace_back(e);
        return e;
    }
    void reserve(int n) { myItems.reserve(n); }
    void clear() { myItems = {}; }
    auto begin() const { return myItems.begin(); }
    auto end() const { return myItems.end(); }

private:
    std::vector<GB_ElementRef<T>> myItems;
};
