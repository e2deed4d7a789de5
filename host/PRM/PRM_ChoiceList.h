#pragma once
#include "PRM_Name.h"

/// Choice-list type bits: how picking an item changes the value.
enum {
    PRM_CHOICELIST_REPLACE = 0x0001,    ///< the item replaces the value
    PRM_CHOICELIST_TOGGLE = 0x0002,     ///< the item is toggled in the value
    PRM_CHOICELIST_APPEND = 0x0004,     ///< the item is appended to the value
    PRM_CHOICELIST_EXCLUSIVE = 0x1000,  ///< exactly one item at a time
    PRM_CHOICELIST_SINGLE = PRM_CHOICELIST_REPLACE | PRM_CHOICELIST_EXCLUSIVE
};

/// A menu: a type and a list of items ending with an empty PRM_Name. The
/// items are not copied; the caller keeps them alive (static arrays,
/// normally). A null item list is a menu without items (the host fills
/// such menus, e.g. group menus, from the geometry).
class PRM_ChoiceList {
public:
    constexpr PRM_ChoiceList(int type, PRM_Name *items) : myType(type), myItems(items) {}

    int getType() const { return myType; }
    /// Number of items before the terminating empty name.
    int getItemCount() const;
    /// Item i (0-based), or null when i is not an item.
    const PRM_Name *getItem(int i) const;
    /// Index of the item whose token is token, or -1.
    int findItem(const char *token) const;

private:
    int myType;
    PRM_Name *myItems;
};
